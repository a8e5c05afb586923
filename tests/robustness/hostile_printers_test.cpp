// The real bidiupdate (test build) against simulated printers that send
// hostile answers: every update ends with a documented exit status, and
// leaves either the PPD it found or a PPD that CUPS accepts and that holds
// nothing the printer could inject; the catalog's texts stay clean, and the
// filter turns them into jobs that still print.
#include <gtest/gtest.h>


#include <algorithm>
#include <string>
#include <vector>

#include "tests/bidi/bidiupdate_run.h"
#include "tests/robustness/robustness.h"
#include "tests/support/simprinter.h"

namespace tvx::test {
namespace {

const std::string kQueue = "Arc";

struct HostileCase {
  std::string scenario;
  int media;    // exit status of -M
  int colour;   // exit status of -C
  int options;  // exit status of -O
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.scenario; }

class HostilePrinterTest : public BidiupdateTest, public ::testing::WithParamInterface<HostileCase> {
 protected:
  // Runs `letter` on the queue and checks the status and what it left.
  void update(const SimPrinter& printer, const std::string& letter, int expected) {
    const std::string before = ppdOf(kQueue);
    Finished result = bidiupdate({letter, kQueue, printer.address()});
    EXPECT_EQ(result.status, expected) << letter << " " << result.err;
    const std::string after = ppdOf(kQueue);
    if (after == before) return;
    std::string report;
    EXPECT_EQ(cupstestppd(kQueue, &report), 0) << letter << "\n" << report;
    EXPECT_EQ(ppdProblems(after, readFile(sourceFile(kModelPPD))), std::vector<std::string>{})
        << letter;
  }
};

TEST_P(HostilePrinterTest, EveryUpdateEndsCleanly) {
  const HostileCase& c = GetParam();
  SimPrinter printer(c.scenario);
  ASSERT_TRUE(printer.running());
  installPPD(kQueue, kModelPPD);
  // A broken PPD is reported once, at the update that wrote it.
  update(printer, "-M", c.media);
  if (!HasFailure()) update(printer, "-C", c.colour);
  if (!HasFailure()) update(printer, "-O", c.options);
  EXPECT_EQ(catalogProblems(readFile(catalogFile(kQueue))), std::vector<std::string>{});
}

// The PPD keys of a catalog file's records.
std::vector<std::string> catalogKeys(const std::string& catalog) {
  std::vector<std::string> keys;
  for (std::size_t at = 0; at + kCatalogRecordSize <= catalog.size(); at += kCatalogRecordSize) {
    keys.emplace_back(catalog.c_str() + at + 32);
  }
  return keys;
}

// A one-page job that selects the media `key` and shows "hello".
std::string jobFor(const std::string& key) {
  return "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n[{\n%%BeginFeature: *PageSize " + key +
         "\n<< /PageSize [612 792] >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n"
         "%%EndSetup\n%%Page: 1 1\n/Helvetica findfont 20 scalefont setfont 72 72 moveto "
         "(hello) show\nshowpage\n%%Trailer\n%%EOF\n";
}

class HostileJobTest : public BidiupdateTest {
 protected:
  void printsOnItsMedia(const std::string& key, const std::string& name);
};

// Printer texts reach every job through the catalog as plain PostScript
// strings and a one-line page comment: the job still prints its page. A job
// finds its media by the page size keyword the PPD gave it, whatever
// punctuation the keyword holds.
TEST_F(HostileJobTest, HostileMediaTextsLeaveJobsPrintable) {
  for (auto [scenario, media] : {std::pair{"hostile-names", 10u}, std::pair{"names-and-limits", 6u}}) {
    SCOPED_TRACE(scenario);
    SimPrinter printer(scenario);
    ASSERT_TRUE(printer.running());
    installPPD(kQueue, kModelPPD);
    ASSERT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, 10);
    const std::string catalog = readFile(catalogFile(kQueue));
    std::vector<std::string> keys = catalogKeys(catalog);
    ASSERT_EQ(keys.size(), media);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      printsOnItsMedia(keys[i], catalog.c_str() + i * kCatalogRecordSize);
    }
  }
}

// Prints a job on the media `key` and checks that its page names the
// catalog media `name` and still renders.
void HostileJobTest::printsOnItsMedia(const std::string& key, const std::string& name) {
  Command call = jobCall(kQueue, {"5", "alice", "Hostile", "1", ""}, root_);
  writeFile(call.inputPath, jobFor(key));
  ASSERT_EQ(run(call).status, 0) << key << readFile(call.errorPath);
  std::vector<std::string> comments;
  for (const std::string& line : linesOf(readFile(call.outputPath))) {
    if (line.starts_with("%%PSPageMedia: ")) comments.push_back(line);
  }
  ASSERT_EQ(comments.size(), 1u) << key;
  EXPECT_TRUE(comments[0].starts_with("%%PSPageMedia: " + name + " ")) << key << "\n" << comments[0];
  EXPECT_EQ(std::count_if(comments[0].begin(), comments[0].end(),
                          [](unsigned char c) { return c < 0x20 || c == 0x7f; }), 0) << key;
  Finished rendered = run({.argv = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
                                    "-sDEVICE=txtwrite", "-o", "-", call.outputPath}});
  EXPECT_EQ(rendered.status, 0) << key << rendered.err;
  EXPECT_NE(rendered.out.find("hello"), std::string::npos) << key << rendered.out;
}

// The statuses follow the update rules: a walk ends at an OID over 127
// characters, at one that does not advance and at one that leaves its
// column, so the profile kinds after such a row are missing (17); a printer
// whose media names are not texts, or whose media have no size, reports no
// media (15); one without finishers no installable options (16); one whose
// profile names are all too long for their record reports no profiles (17).
INSTANTIATE_TEST_SUITE_P(
    Scenarios, HostilePrinterTest,
    ::testing::Values(HostileCase{"full", 10, 10, 10},
                      HostileCase{"hostile-long-oids", 10, 17, 10},
                      HostileCase{"hostile-integer-for-string", 15, 10, 10},
                      HostileCase{"hostile-many-rows", 10, 10, 10},
                      HostileCase{"hostile-walk-backwards", 10, 17, 10},
                      HostileCase{"hostile-walk-leaves", 10, 17, 10},
                      HostileCase{"media-hostile", 10, 17, 16},
                      HostileCase{"media-short-columns", 10, 17, 16},
                      HostileCase{"hostile-names", 10, 10, 10},
                      HostileCase{"names-and-limits", 10, 10, 10},
                      HostileCase{"hostile-long-texts", 10, 17, 10},
                      HostileCase{"long-values", 10, 17, 16},
                      HostileCase{"hostile-unequal-columns", 10, 17, 10},
                      HostileCase{"string-for-integer", 15, 17, 10}),
    [](const auto& info) {
      std::string name;
      for (char c : info.param.scenario) name += c == '-' ? '_' : c;
      return name;
    });

}  // namespace
}  // namespace tvx::test
