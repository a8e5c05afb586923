#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bidi/BiDiExit.h"
#include "bidi/OptionsUpdate.h"
#include "bidi/TrayUpdate.h"
#include "tests/bidi/lib/scenario_session.h"
#include "tests/bidi/ppd_update_fixture.h"

using namespace tvx::bidi;
using namespace tvx::test;

namespace {

class OptionsUpdate : public PPDUpdate {
 protected:
  UpdateStatus update(const std::string& scenario) {
    return BiDi_UpdateInstallableOptions(scenarioSession(scenario), kQueue);
  }

  // The switch -O: the trays follow only when the options were updated.
  UpdateStatus updateOptionsThenTrays(const std::string& scenario) {
    UpdateStatus result = update(scenario);
    return result == UpdateStatus::kDone ? BiDi_UpdateInput(scenarioSession(scenario), kQueue) : result;
  }
};

std::string withOptions(const std::string& ppd, const std::string& section) {
  return withSection(ppd, "*OpenGroup: InstallableOptions", "*CloseGroup: InstallableOptions", section);
}

}  // namespace

TEST_F(OptionsUpdate, SetsEveryCategoryFromTheReportedCodes) {
  for (const char* printer : {"a", "b"}) {
    SCOPED_TRACE(printer);
    install(modelPPD());
    EXPECT_EQ(update(std::string("trays-finishers-") + printer), UpdateStatus::kDone);
    EXPECT_EQ(result(), withOptions(modelPPD(), expectedSection(std::string("options-") + printer + ".section")));
    EXPECT_TRUE(acceptedByCups());
  }
}

// Only the default lines change: the constraints that keep each punch unit
// to its own hole patterns stay, so with the 2-and-4-hole unit CUPS holds
// a 3-hole or ring binding default as a conflict and takes 2 or 4 holes.
TEST_F(OptionsUpdate, PunchUnitKeepsToItsOwnPatterns) {
  install(modelPPD());
  ASSERT_EQ(update("finishers-punch-eu"), UpdateStatus::kDone);
  const std::string updated = result();
  ASSERT_NE(updated.find("\n*DefaultPU: XH7100EU\n"), std::string::npos);
  EXPECT_TRUE(acceptedByCups());
  for (auto [pattern, accepted] : {std::pair{"2LP", true}, {"4LP", true}, {"3LP", false},
                                   {"RingLP", false}}) {
    install(replaced(updated, "*DefaultPunch: None\n", std::string("*DefaultPunch: ") + pattern + "\n"));
    EXPECT_EQ(acceptedByCups(), accepted) << pattern;
  }
}

TEST_F(OptionsUpdate, NoOptionOrFailedReadLeavesThePPDUntouched) {
  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-none"), UpdateStatus::kNoOptions);
  EXPECT_EQ(update("finisher-attribute-error"), UpdateStatus::kQueryFailed);
  EXPECT_EQ(result(), modelPPD());
}

// A PPD that lacks a key, holds one outside its option or out of order, or
// would leave the tray update without its landmarks, is refused whole:
// nothing is appended (once "DefaultTandum: False" without "*").
TEST_F(OptionsUpdate, PPDWithoutEveryKeyInItsOptionIsLeftWhole) {
  const std::string model = modelPPD();
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"one key", "*PPD-Adobe: \"4.3\"\n*ModelName: \"Tavorinex Arc M750XLS\"\n*DefaultPU: False\n"},
      {"no SR key", replaced(model, "*DefaultSR: False\n", "")},
      {"SR option not closed", replaced(model, "*CloseUI: *SR\n", "")},
      {"PU key outside its option", replaced(replaced(model, "*DefaultPU: False\n", ""), "*CloseUI: *PU\n",
                                              "*CloseUI: *PU\n*DefaultPU: False\n")},
      {"SH before Tandum", replaced(replaced(model, "*DefaultSH: False\n", ""), "*DefaultTandum: False\n",
                                    "*DefaultSH: False\n*DefaultTandum: False\n")},
      {"no CloseUI after the trays", replaced(model, "*CloseUI: *InputSlot\n", "")},
  };
  for (const auto& [label, ppd] : variants) {
    install(ppd);
    EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kFileFailed) << label;
    EXPECT_EQ(result(), ppd) << label;
  }
}

// The PPD of another model, or of none, is not this update's to change.
TEST_F(OptionsUpdate, PPDOfAnotherModelIsLeftWhole) {
  for (const char* model : {"*ModelName: \"Tavorinex Arc M650XLS\"", "*ModelName: \"Tavorinex Arc M750XLS v2\"",
                            "*NickName: \"Tavorinex Arc M750XLS\""}) {
    std::string ppd = replaced(modelPPD(), "*ModelName: \"Tavorinex Arc M750XLS\"", model);
    install(ppd);
    EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kFileFailed) << model;
    EXPECT_EQ(result(), ppd) << model;
  }
}

TEST_F(OptionsUpdate, LineWithCarriageReturnIsReplacedWhole) {
  install(replaced(modelPPD(), "*DefaultPU: False\n", "*DefaultPU: XH7100NA\r\n"));
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withOptions(modelPPD(), expectedSection("options-b.section")));
}

TEST_F(OptionsUpdate, TraysFollowOnlyWhenTheOptionsWereUpdated) {
  install(modelPPD());
  EXPECT_EQ(updateOptionsThenTrays("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withSection(withOptions(modelPPD(), expectedSection("options-b.section")),
                                  "*OpenUI *InputSlot", "*CloseUI: *InputSlot",
                                  expectedSection("input-trays-b.section")));

  // Trays 1 to 3 would drop four tray entries, but there is no option.
  install(modelPPD());
  EXPECT_EQ(updateOptionsThenTrays("trays-finishers-none"), UpdateStatus::kNoOptions);
  EXPECT_EQ(result(), modelPPD());
}
