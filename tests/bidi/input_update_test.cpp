#include <gtest/gtest.h>

#include <string>

#include "bidi/BiDiExit.h"
#include "bidi/TrayUpdate.h"
#include "tests/bidi/lib/scenario_session.h"
#include "tests/bidi/ppd_update_fixture.h"

using namespace tvx::bidi;
using namespace tvx::test;

namespace {

class InputUpdate : public PPDUpdate {
 protected:
  UpdateStatus update(const std::string& scenario) { return BiDi_UpdateInput(scenarioSession(scenario), kQueue); }
};

std::string withTrays(const std::string& ppd, const std::string& section) {
  return withSection(ppd, "*OpenUI *InputSlot", "*CloseUI: *InputSlot", section);
}

constexpr const char* kTray1 = "*InputSlot Tray1/Tray 1: \"<< /MediaPosition 1 >> setpagedevice\"\n";

}  // namespace

// Trays 1, 2, 3, 5, 7 and 13 reported: entries for 1, 2, 3, 5 and 7 only.
TEST_F(InputUpdate, WritesTheReportedTraysWithThePlainLabel) {
  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withTrays(modelPPD(), expectedSection("input-trays-b.section")));
  EXPECT_TRUE(acceptedByCups());
}

// Every tray from 1 to 7, tray 2 twice, trays 8 and 12 beyond: one entry
// each for 1 to 7 in ascending order, which is what the model holds.
TEST_F(InputUpdate, AllSevenTraysOnceEachRebuildTheModel) {
  install(modelPPD());
  EXPECT_EQ(update("trays-finishers-a"), UpdateStatus::kDone);
  EXPECT_EQ(result(), modelPPD());
}

TEST_F(InputUpdate, HexadecimalLabelsKeepTheirForm) {
  install(hexLabelPPD());
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withTrays(hexLabelPPD(), expectedSection("input-trays-b-hex.section")));
  EXPECT_TRUE(acceptedByCups());
}

// The bytes 12 and 0A put "2" and "0" side by side: the word ends there.
TEST_F(InputUpdate, HexadecimalWordEndsAtTwoThenZeroEvenAcrossBytes) {
  std::string ppd = replaced(hexLabelPPD(), "Tray1/<547261792031>", "Tray1/<54120A792031>");
  install(ppd);
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withTrays(ppd, R"(*OpenUI *InputSlot/Paper Source: PickOne
*OrderDependency: 20 AnySetup *InputSlot
*DefaultInputSlot: Tray0
*InputSlot Tray0/<4175746F6D61746963>: "<< /MediaPosition null >> setpagedevice"
*InputSlot Tray1/<5412031>: "<< /MediaPosition 1 >> setpagedevice"
*InputSlot Tray2/<5412032>: "<< /MediaPosition 2 >> setpagedevice"
*InputSlot Tray3/<5412033>: "<< /MediaPosition 3 >> setpagedevice"
*InputSlot Tray5/<5412035>: "<< /MediaPosition 5 >> setpagedevice"
*InputSlot Tray7/<5412037>: "<< /MediaPosition 7 >> setpagedevice"
*CloseUI: *InputSlot
)"));
}

TEST_F(InputUpdate, NoTraysLeavesThePPDUntouched) {
  install(modelPPD());
  EXPECT_EQ(update("finisher-attribute-error"), UpdateStatus::kNoTrays);
  EXPECT_EQ(result(), modelPPD());
}

// A label word and its number may take 69 characters: one more, or a word
// whose end lies beyond the window, leaves the tray entries as they are.
TEST_F(InputUpdate, LabelThatCannotFitKeepsTheEntries) {
  std::string fits(67, 'L');
  std::string ppd = replaced(modelPPD(), "Tray1/Tray 1:", "Tray1/" + fits + " 1:");
  install(ppd);
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_NE(result().find("*InputSlot Tray5/" + fits + " 5: "), std::string::npos);

  for (const std::string& label : {std::string(68, 'L') + " 1", std::string(3000, 'L')}) {
    ppd = replaced(modelPPD(), "Tray1/Tray 1:", "Tray1/" + label + ":");
    install(ppd);
    EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
    EXPECT_EQ(result(), ppd);
  }
}

// A printer that once reported no tray 1 to 7 left Tray0 alone in the group:
// its trays come back with the plain label, and the next option's label is
// never taken for the trays' wording.
TEST_F(InputUpdate, TraysComeBackIntoAGroupHoldingOnlyTray0) {
  std::string model = modelPPD();
  size_t first = model.find(kTray1);
  size_t close = model.find("*CloseUI: *InputSlot", first);
  install(model.substr(0, first) + model.substr(close));
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), withTrays(model, expectedSection("input-trays-b.section")));
  EXPECT_TRUE(acceptedByCups());
}

TEST_F(InputUpdate, PPDWithoutTray0IsCopiedUnchanged) {
  std::string ppd = replaced(modelPPD(), "*InputSlot Tray0/Automatic", "*InputSlot Auto/Automatic");
  install(ppd);
  EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kDone);
  EXPECT_EQ(result(), ppd);
}

// The entries after Tray0 are dropped up to the next "*CloseUI": a group
// without its own would lose the rest of the PPD, or the options after it.
// Such a PPD, and one of another model, is refused whole.
TEST_F(InputUpdate, PPDThatWouldLoseMoreThanItsTraysIsLeftWhole) {
  std::string model = modelPPD();
  std::string head = model.substr(0, model.find(kTray1));
  const std::string refused[] = {
      head + kTray1 + "*InputSlot Tray2/Tray 2: \"<< /MediaPosition 2 >> setpagedevice\"\n",
      replaced(model, "*CloseUI: *InputSlot\n", ""),
      replaced(model, "*ModelName: \"Tavorinex Arc M750XLS\"", "*ModelName: \"Tavorinex Arc M650XLS\""),
  };
  for (const std::string& ppd : refused) {
    install(ppd);
    EXPECT_EQ(update("trays-finishers-b"), UpdateStatus::kFileFailed);
    EXPECT_EQ(result(), ppd);
  }
}
