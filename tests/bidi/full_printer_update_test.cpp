#include <gtest/gtest.h>

#include "bidi/BiDiExit.h"
#include "bidi/ColourUpdate.h"
#include "bidi/OptionsUpdate.h"
#include "bidi/TrayUpdate.h"
#include "tests/bidi/lib/scenario_session.h"
#include "tests/bidi/ppd_update_fixture.h"

using namespace tvx::bidi;
using namespace tvx::test;

// Colour profiles, installable options and trays, in the order of the
// switch -A, turn the model into the full printer's PPD; its trays are the
// seven of the model.
TEST_F(PPDUpdate, FullPrinterGetsItsProfilesAndOptions) {
  install(modelPPD());
  unsigned char session = scenarioSession("full");
  EXPECT_EQ(BiDi_UpdateColor(session, kQueue), UpdateStatus::kDone);
  EXPECT_EQ(BiDi_UpdateInstallableOptions(session, kQueue), UpdateStatus::kDone);
  EXPECT_EQ(BiDi_UpdateInput(session, kQueue), UpdateStatus::kDone);
  std::string expected = withSection(modelPPD(), "*OpenGroup: ColorProfiles", "*CloseGroup: ColorProfiles",
                                     expectedSection("colour-full.section"));
  expected = withSection(expected, "*OpenGroup: InstallableOptions", "*CloseGroup: InstallableOptions",
                         expectedSection("options-full.section"));
  EXPECT_EQ(result(), expected);
  EXPECT_TRUE(acceptedByCups());
}
