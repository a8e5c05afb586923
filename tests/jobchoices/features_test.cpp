// The option code a job's set-up gets, against what CUPS 2.4.2's PostScript
// filter wrote for the same choices. The files under expected/ were made
// with
//   cupsfilter -p ppd/TavorinexArcM750XLS.ppd -m application/vnd.cups-postscript
//     [-o OPTION=CHOICE ...] tests/jobchoices/data/JOB.ps > expected/cupsfilter-NAME.ps
// (no cupsd needed): defaults from one-page.ps with no option;
// staple-punch from one-page.ps with Staple=1LVP Punch=2LP; many from
// two-pages.ps (CUPS drops duplex for a single page) with
// PageSize=TavorinexA4 InputSlot=Tray3 Duplex=DuplexTumble OutputBin=Stacker
// Collate=True Staple=2TL PU=XH7100EU SR=XM71001.
#include "jobchoices/features.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/filter/jobrun.h"
#include "tests/jobchoices/modelppd.h"

namespace {

using tvx::jobchoices::Feature;
using tvx::jobchoices::jobFeatures;
using tvx::jobchoices::setupText;
using tvx::jobchoices::tableFeature;
using tvx::jobchoices::withSetup;
using tvx::test::readFile;
using tvx::test::sourceFile;

std::string expected(const std::string& name) {
  return readFile(sourceFile("tests/jobchoices/expected/cupsfilter-" + name + ".ps"));
}

std::string job(const std::string& name) {
  return readFile(sourceFile("tests/jobchoices/data/" + name + ".ps"));
}

// The feature blocks of the set-up CUPS wrote: from the first "[{" behind
// "%%BeginSetup" to the end of the last block.
std::string cupsFeatures(const std::string& text) {
  constexpr std::string_view kEnd = "} stopped cleartomark\n";
  std::size_t setup = text.find("%%BeginSetup\n");
  std::size_t first = text.find("[{\n", setup);
  std::size_t last = text.rfind(kEnd, text.find("%%EndSetup", setup));
  return text.substr(first, last + kEnd.size() - first);
}

// The page size feature of `key` with its code from the model PPD.
Feature modelPageSize(const std::string& key) {
  tvx::test::ModelPPD ppd = tvx::test::readModelPPD();
  for (const auto& [choice, code] : ppd.options.at("PageSize").choices) {
    if (choice == key) return tvx::jobchoices::pageSizeFeature(key, code);
  }
  ADD_FAILURE() << "no page size " << key;
  return {};
}

std::vector<std::string> featureLines(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string& line : tvx::test::linesOf(text)) {
    if (line.starts_with("%%BeginFeature:")) lines.push_back(line);
  }
  return lines;
}

TEST(JobFeatures, DefaultsAreWhatCupsWritesForAJobWithoutOptions) {
  EXPECT_EQ(setupText(jobFeatures({modelPageSize("TavorinexLetter")})),
            cupsFeatures(expected("defaults")));
}

TEST(JobFeatures, StapleAndPunchAreWhatCupsWrites) {
  EXPECT_EQ(setupText(jobFeatures({modelPageSize("TavorinexLetter"), tableFeature("Staple", "1LVP"),
                                   tableFeature("Punch", "2LP")})),
            cupsFeatures(expected("staple-punch")));
}

TEST(JobFeatures, ManyChoicesComeInCupsOrderWhateverOrderTheyAreGivenIn) {
  std::vector<Feature> chosen = {
      tableFeature("SR", "XM71001"),         tableFeature("Staple", "2TL"),
      tableFeature("Collate", "True"),       tableFeature("OutputBin", "Stacker"),
      tableFeature("Duplex", "DuplexTumble"), tableFeature("InputSlot", "Tray3"),
      tableFeature("PU", "XH7100EU"),        modelPageSize("TavorinexA4")};
  EXPECT_EQ(setupText(jobFeatures(chosen)), cupsFeatures(expected("many")));
}

TEST(JobFeatures, AProfileOfThePrinterIsWrittenAsBidiupdateWritesItsChoice) {
  Feature profile = tvx::jobchoices::profileFeature("PrinterImage", "Arc Coated Gloss.icc");
  EXPECT_EQ(profile.choice, "ArcCoatedGloss");
  std::string setup = setupText(jobFeatures({profile}));
  EXPECT_NE(setup.find("[{\n%%BeginFeature: *PrinterImage ArcCoatedGloss\n<< /DeviceRenderingInfo "
                       "<<\n/Type 41\n/OutputICCProfileImage (Arc Coated Gloss.icc)\n>>\n>> "
                       "setpagedevice\n%%EndFeature\n} stopped cleartomark\n"),
            std::string::npos);
  EXPECT_EQ(setup.find("*PrinterImage None"), std::string::npos);
  EXPECT_EQ(tvx::jobchoices::profileFeature("Staple", "x.icc").option, "");
  EXPECT_EQ(tableFeature("Staple", "3LVP").option, "");
}

TEST(JobSetup, FeaturesGoRightBehindTheJobsBeginSetup) {
  EXPECT_EQ(withSetup("%!PS\n%%BeginProlog\n%%EndProlog\n%%BeginSetup\n/x 1 def\n%%EndSetup\n"
                      "%%Page: 1 1\n",
                      "F\n"),
            "%!PS\n%%BeginProlog\n%%EndProlog\n%%BeginSetup\nF\n/x 1 def\n%%EndSetup\n"
            "%%Page: 1 1\n");
}

TEST(JobSetup, AJobWithoutSetUpGetsOneAheadOfItsFirstPage) {
  EXPECT_EQ(withSetup("%!PS\n%%EndComments\nx %%BeginSetup\n%%Page: 1 1\n%%Page: 2 2\n", "F\n"),
            "%!PS\n%%EndComments\nx %%BeginSetup\n%%BeginSetup\nF\n%%EndSetup\n%%Page: 1 1\n"
            "%%Page: 2 2\n");
  EXPECT_EQ(withSetup("%!PS\nshowpage", "F\n"), "%!PS\nshowpage\n%%BeginSetup\nF\n%%EndSetup\n");
}

TEST(JobSetup, TheSetUpOfAnEmbeddedDocumentIsNotTheJobs) {
  EXPECT_EQ(withSetup("%!PS\n%%BeginDocument: a.eps\n%%BeginSetup\n%%EndSetup\n%%EndDocument\n"
                      "%%BeginSetup\n",
                      "F\n"),
            "%!PS\n%%BeginDocument: a.eps\n%%BeginSetup\n%%EndSetup\n%%EndDocument\n"
            "%%BeginSetup\nF\n");
}

class JobFeaturesThroughTheFilter : public tvx::test::JobRoot {};

// psfilter's job run on a job that got its features here sends the printer
// the features it sends for the same choices through CUPS.
TEST_F(JobFeaturesThroughTheFilter, TheFilterSendsWhatItSendsForTheSameJobFromCups) {
  std::vector<Feature> chosen = {modelPageSize("TavorinexA4"), tableFeature("InputSlot", "Tray3"),
                                 tableFeature("Duplex", "DuplexTumble"),
                                 tableFeature("OutputBin", "Stacker"),
                                 tableFeature("Collate", "True"), tableFeature("Staple", "2TL"),
                                 tableFeature("PU", "XH7100EU"), tableFeature("SR", "XM71001")};
  std::string ours = withSetup(job("two-pages"), setupText(jobFeatures(chosen)));
  tvx::test::JobRun fromHere = tvx::test::runJobInProcess(ours, "Q", "t", "1", "");
  tvx::test::JobRun fromCups = tvx::test::runJobInProcess(expected("many"), "Q", "t", "1", "");
  ASSERT_EQ(fromHere.status, 0);
  ASSERT_EQ(fromCups.status, 0);
  std::vector<std::string> sent = featureLines(fromHere.out);
  EXPECT_EQ(sent, featureLines(fromCups.out));
  // The catalog's media replaced the page size feature; the tray is on each page.
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "%%BeginFeature: *PageSize TavorinexA4"), 2);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "%%BeginFeature: *InputSlot Tray3"), 3);
}

}  // namespace
