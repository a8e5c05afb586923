#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bidi/BiDiExit.h"
#include "bidi/ColourUpdate.h"
#include "tests/bidi/lib/scenario_session.h"
#include "tests/bidi/ppd_update_fixture.h"

using namespace tvx::bidi;
using namespace tvx::test;

namespace {

class ColourUpdate : public PPDUpdate {
 protected:
  UpdateStatus update(const std::string& scenario) { return BiDi_UpdateColor(scenarioSession(scenario), kQueue); }
};

std::string withProfiles(const std::string& ppd, const std::string& section) {
  return withSection(ppd, "*OpenGroup: ColorProfiles", "*CloseGroup: ColorProfiles", section);
}

// The lines of `text` that start a PPD keyword, which no printer text may add.
int mainKeywordLines(const std::string& text, const std::string& keyword) {
  std::istringstream lines(text);
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.starts_with(keyword) ? 1 : 0;
  return count;
}

}  // namespace

// Names with a line end, quotes, a colon, slashes, parentheses and a
// backslash become clean choice keywords and escaped PostScript strings;
// a name left without keyword, or whose keyword the option already has, is
// not written.
TEST_F(ColourUpdate, ChoicesFollowTheProfilesAndNamesCannotAddLines) {
  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-a"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withProfiles(modelPPD(), expectedSection("colour-a.section")));
  EXPECT_EQ(mainKeywordLines(result(), "*cupsFilter"), mainKeywordLines(modelPPD(), "*cupsFilter"));
  EXPECT_TRUE(acceptedByCups());
}

// No gray profile: RGB and CMYK are rewritten, gray and output are not.
TEST_F(ColourUpdate, StopsAtTheFirstColourSpaceWithoutProfiles) {
  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kNoColorProfile);
  EXPECT_EQ(result(), withProfiles(modelPPD(), expectedSection("colour-b.section")));
  EXPECT_TRUE(acceptedByCups());

  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-none"), UpdateStatus::kNoColorProfile);
  EXPECT_EQ(result(), modelPPD());
}

// A default that names a reported profile stays byte for byte; one that
// does not, or that is too long for any profile name, becomes None.
TEST_F(ColourUpdate, DefaultStaysOnlyWhileItsProfileIsReported) {
  std::string ppd = replaced(modelPPD(), "*DefaultCMYKInputImage: None\n", "*DefaultCMYKInputImage: P3\r\n");
  ppd = replaced(ppd, "*DefaultRGBInputText: None\n", "*DefaultRGBInputText: Gone\n");
  ppd = replaced(ppd, "*DefaultGrayInputImage: None\n", "*DefaultGrayInputImage: " + std::string(40, 'G') + "\n");
  install(ppd);
  EXPECT_EQ(update("trays-finishers-a"), UpdateStatus::kDone);
  std::string expected = withProfiles(modelPPD(), expectedSection("colour-a.section"));
  EXPECT_EQ(result(), replaced(expected, "*DefaultCMYKInputImage: None\n", "*DefaultCMYKInputImage: P3\r\n"));
}

// An option whose first "*End" lies in the next option's group, or whose
// group has no "*CloseUI" of its own, would lose other options' choices: the
// whole update is refused before any option is written, so the PPD stays
// byte for byte, the options before the broken one included.
TEST_F(ColourUpdate, PPDThatWouldLoseOtherOptionsIsLeftWhole) {
  const std::string refused[] = {
      replaced(modelPPD(), "/InputICCProfileRGBImage ()\n>>\n>> setpagedevice\"\n*End\n",
               "/InputICCProfileRGBImage ()\n>>\n>> setpagedevice\"\n"),
      replaced(modelPPD(), "*CloseUI: *PrinterImage\n", ""),
      replaced(modelPPD(), "*ModelName: \"Tavorinex Arc M750XLS\"", "*ModelName: \"Other\""),
  };
  for (const std::string& ppd : refused) {
    install(ppd);
    EXPECT_EQ(update("trays-finishers-a"), UpdateStatus::kFileFailed);
    EXPECT_EQ(result(), ppd);
  }
}
