// The option code table against the model PPD: every option and choice of
// the PPD (but the page sizes) with the same code, byte for byte, and the
// same default and order, and nothing in the table that the PPD lacks; the
// IPP finishings the PPD offers select the table's choices.
#include "jobchoices/optioncode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/jobchoices/modelppd.h"

namespace {

using tvx::test::ModelPPD;
using tvx::test::readModelPPD;
using tvx::jobchoices::Choice;
using tvx::jobchoices::Option;
using tvx::jobchoices::findChoice;
using tvx::jobchoices::findOption;

TEST(OptionCode, EveryPPDOptionHasTheTableCodeByteForByteAndViceVersa) {
  ModelPPD ppd = readModelPPD();
  std::size_t tabled = 0;
  for (const auto& [keyword, option] : ppd.options) {
    if (keyword == "PageSize" || keyword == "PageRegion") continue;
    const Option* entry = findOption(keyword);
    ASSERT_NE(entry, nullptr) << keyword;
    ++tabled;
    EXPECT_EQ(entry->defaultChoice, option.defaultChoice) << keyword;
    EXPECT_EQ(entry->order, option.order) << keyword;
    ASSERT_EQ(entry->choices.size(), option.choices.size()) << keyword;
    for (std::size_t i = 0; i < option.choices.size(); ++i) {
      EXPECT_EQ(entry->choices[i].keyword, option.choices[i].first) << keyword;
      EXPECT_EQ(entry->choices[i].code, option.choices[i].second)
          << keyword << " " << option.choices[i].first;
    }
  }
  EXPECT_EQ(tabled, tvx::jobchoices::options().size());
  EXPECT_EQ(ppd.options.at("PageSize").order, tvx::jobchoices::kPageSizeOrder);
}

TEST(OptionCode, FinishingsThePPDOffersSelectTheTableChoicesAndNoOthers) {
  ModelPPD ppd = readModelPPD();
  std::map<int, std::string> table;
  for (const char* keyword : {"Staple", "Punch"}) {
    const Option& option = *findOption(keyword);
    table[option.genericFinishing] = std::string(keyword) + " " + std::string(option.genericChoice);
    for (const Choice& choice : option.choices) {
      if (choice.finishing == 0 || choice.landscape) continue;
      EXPECT_EQ(table.count(choice.finishing), 0u)
          << "two portrait choices answer " << choice.finishing;
      table[choice.finishing] = std::string(keyword) + " " + std::string(choice.keyword);
    }
  }
  EXPECT_EQ(table, ppd.finishings);
}

TEST(OptionCode, LandscapeJobsGetTheLandscapeTwinOfEachPattern) {
  const Option& staple = *findOption("Staple");
  const Option& punch = *findOption("Punch");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(staple, 20, false)->keyword, "1LDP");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(staple, 20, true)->keyword, "1LDL");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(staple, 29, true)->keyword, "2TL");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(punch, 82, true)->keyword, "4LL");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(punch, 5, true)->keyword, "2LP");
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(punch, 86, false), nullptr);
  EXPECT_EQ(tvx::jobchoices::choiceForFinishing(staple, 74, false), nullptr);
}

TEST(OptionCode, GeneratedTrayAndProfileCodeIsTheModelPPDs) {
  ModelPPD ppd = readModelPPD();
  for (const auto& [choice, code] : ppd.options.at("InputSlot").choices) {
    if (choice == "Tray0") continue;
    EXPECT_EQ(tvx::jobchoices::trayCode(std::stoi(choice.substr(4))), code);
  }
  for (const Option& option : tvx::jobchoices::options()) {
    if (option.profileKey.empty()) continue;
    EXPECT_EQ(tvx::jobchoices::profileCode(option.profileKey, ""),
              ppd.options.at(std::string(option.keyword)).choices.at(0).second);
  }
  // A profile name cannot end the PostScript string or the PPD's quoted value.
  EXPECT_EQ(tvx::jobchoices::profileCode("OutputICCProfileImage", "a) \"b"),
            "<< /DeviceRenderingInfo <<\n/Type 41\n/OutputICCProfileImage (a\\) \\042b)\n>>\n>> "
            "setpagedevice");
  EXPECT_EQ(tvx::jobchoices::profileChoiceKeyword("Gray Newsprint.icc"), "GrayNewsprint");
}

TEST(OptionCode, MediaSourcesFollowThePPDsTraysAndTheInstalledLargeCapacityTray) {
  ModelPPD ppd = readModelPPD();
  // The LCT and bypass choices name their tray: "... (Tray 4)".
  for (const auto& [choice, translation] : ppd.options.at("LCT").translations) {
    int tray = tvx::jobchoices::largeCapacityTray(choice);
    if (choice == "False") {
      EXPECT_EQ(tray, 0);
    } else {
      EXPECT_TRUE(translation.ends_with("(Tray " + std::to_string(tray) + ")")) << translation;
    }
  }
  EXPECT_TRUE(ppd.options.at("BY").translations.at("XD7100").ends_with(
      "(Tray " + std::to_string(tvx::jobchoices::kBypassTray) + ")"));
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(0, "False"), "auto");
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(2, "XE7100"), "tray-2");
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(5, "XE7100"), "large-capacity");
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(5, "False"), "tray-5");
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(4, "XE71001"), "large-capacity");
  EXPECT_EQ(tvx::jobchoices::mediaSourceOf(7, "False"), "by-pass-tray");
  EXPECT_EQ(findChoice(*findOption("Duplex"), "DuplexTumble")->ipp, "two-sided-short-edge");
}

}  // namespace
