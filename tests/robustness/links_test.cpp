// Symbolic links planted where the programs write: at the fixed temp and
// log names of the package's temp folder, and at many names of the private
// temp files' patterns in the PPD folder, the catalog folder and the spool
// folder. No program ever writes through one: every link target keeps its
// content and mode, a dangling link's target never appears, and every link
// is still the same link afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Reverse.h"
#include "tests/bidi/bidiupdate_run.h"
#include "tests/filter/filterrun.h"
#include "tests/robustness/robustness.h"
#include "tests/support/simprinter.h"

namespace tvx::test {
namespace {

const std::string kQueue = "Arc";
constexpr int kPerPattern = 400;

const char* const kFixedNames[] = {"TavorinexTempPPD.ps", "TavorinexTempPSStream.ps",
                                   "reverseStream",       "pageStream",
                                   "QZ5182R064Log.log",   "QZ5182R064Log.ini"};

// A planted link and what it points at.
struct Planted {
  std::string link;
  std::string target;
  bool dangling;
};

class LinkTest : public BidiupdateTest {
 protected:
  void SetUp() override {
    BidiupdateTest::SetUp();
    victims_ = root_ + "/victims/";
    std::filesystem::create_directories(victims_);
  }

  // Plants a link at `link`, to a victim file or to a name that does not exist.
  void plant(const std::string& link, bool dangling) {
    std::string target = victims_ + std::to_string(++targets_);
    if (!dangling) {
      writeFile(target, kVictimText);
      ::chmod(target.c_str(), 0644);
    }
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
    planted_.push_back({link, target, dangling});
  }

  // Plants links at the fixed names of the temp folder, each at one time
  // to a victim and at another time dangling.
  void plantFixedNames(bool dangling, bool controlFileToo) {
    for (const char* name : kFixedNames) {
      if (!controlFileToo && std::string(name) == "QZ5182R064Log.ini") continue;
      plant(tmpFolder() + name, dangling);
    }
  }

  // Plants `count` links at names that `folder` + `prefix` + six characters
  // of mkstemp's alphabet could be.
  void plantPattern(const std::string& folder, const std::string& prefix, int count) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < count; ++i) {
      std::string name = folder + prefix;
      for (int c = 0; c < 6; ++c) name += alphabet[pick(random_)];
      if (std::filesystem::is_symlink(name)) continue;
      plant(name, i % 2 == 0);
    }
  }

  // Removes the links at the fixed names (already checked) to plant others.
  void removeFixedNames() {
    for (const char* name : kFixedNames) std::filesystem::remove(tmpFolder() + name);
    std::erase_if(planted_, [](const Planted& p) { return !std::filesystem::is_symlink(p.link); });
  }

  // Every planted link is the same link still, and nothing was written
  // through it.
  void expectNothingWrittenThrough() {
    for (const Planted& p : planted_) {
      std::error_code error;
      EXPECT_TRUE(std::filesystem::is_symlink(p.link)) << p.link;
      EXPECT_EQ(std::filesystem::read_symlink(p.link, error).string(), p.target) << p.link;
      if (p.dangling) {
        EXPECT_FALSE(std::filesystem::exists(p.target)) << "written through " << p.link;
      } else {
        EXPECT_EQ(readFile(p.target), kVictimText) << "written through " << p.link;
        struct stat st {};
        EXPECT_EQ(::stat(p.target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u) << p.link;
      }
    }
  }

  int linksPlanted() const { return targets_; }

  static constexpr const char* kVictimText = "victim: must stay as it is\n";
  std::string victims_;
  std::vector<Planted> planted_;
  std::mt19937 random_{7};
  int targets_ = 0;
};

TEST_F(LinkTest, BidiupdateNeverWritesThroughAPlantedLink) {
  SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  plantPattern(ppdFolder(), "TavorinexTempPPD.ps.", kPerPattern);
  plantPattern(catalogFolder(), ".catalog-", kPerPattern);
  // The control file is real and asks for the full log, whose file is a link.
  writeFile(controlFile(), "LEVEL=FULL\n");
  for (bool dangling : {false, true}) {
    removeFixedNames();
    plantFixedNames(dangling, false);
    installPPD(kQueue, kModelPPD);
    std::filesystem::remove(catalogFile(kQueue));
    EXPECT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, 10);
    EXPECT_NE(ppdOf(kQueue), readFile(sourceFile(kModelPPD)));
    EXPECT_EQ(readFile(catalogFile(kQueue)).size(), 8 * kCatalogRecordSize);
    expectNothingWrittenThrough();
  }
  // The control file itself a link.
  removeFixedNames();
  std::filesystem::remove(controlFile());
  plantFixedNames(false, true);
  EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, 10);
  expectNothingWrittenThrough();
  RecordProperty("links_planted", linksPlanted());
}

TEST_F(LinkTest, FilterNeverWritesThroughAPlantedLink) {
  plantPattern(tmpFolder(), "TavorinexTempPSStream", kPerPattern);
  plantPattern(tmpFolder(), "pageStream", kPerPattern);
  plantPattern(tmpFolder(), "reverseStream", kPerPattern);
  writeFile(controlFile(), "LEVEL=FULL\n");
  const std::string job =
      "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n[{\n%%BeginFeature: *PageSize "
      "TavorinexLetter\n<< /PageSize [612 792] >> setpagedevice\n%%EndFeature\n} stopped "
      "cleartomark\n%%EndSetup\n%%Page: 1 1\nshowpage\n%%Page: 2 2\nshowpage\n%%Trailer\n%%EOF\n";
  writeFile(root_ + "/job.ps", job);
  for (bool dangling : {false, true}) {
    removeFixedNames();
    plantFixedNames(dangling, false);
    FilterCall call;
    call.queue = kQueue;
    call.arguments = {"3", "alice", "Links", "1", ""};
    call.stdinPath = root_ + "/job.ps";
    call.stdoutPath = root_ + "/job.out";
    call.stderrPath = root_ + "/job.err";
    call.environment = {"TMPDIR="};
    int wait = waitFilter(startFilter(PSFILTER_PROGRAM, call));
    EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 0) << readFile(call.stderrPath);
    EXPECT_NE(readFile(call.stdoutPath).find("%%PSPageMedia: Tavorinex Letter"), std::string::npos);
    expectNothingWrittenThrough();
  }
  RecordProperty("links_planted", linksPlanted());
}

// The filter's page reversal, run in this process on a spool file in the
// temp folder, with links at its work files' fixed names and patterns.
TEST_F(LinkTest, PageReversalNeverWritesThroughAPlantedLink) {
  ::unsetenv("TMPDIR");
  plantPattern(tmpFolder(), "TavorinexTempPSStream", kPerPattern);
  plantPattern(tmpFolder(), "pageStream", kPerPattern);
  plantPattern(tmpFolder(), "reverseStream", kPerPattern);
  plantFixedNames(false, false);
  const std::string header = "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n%%EndSetup\n";
  ASSERT_EQ(openTempPSStreamFileForWriting(), 0);
  writeLineToTempPSStream((header + "%%Page: 1 1\nA\n%%Page: 2 2\nB\n%%Trailer\n%%Pages: 2\n%%EOF\n").c_str());
  EXPECT_EQ(ReversePageOrder(), 0);
  ASSERT_EQ(reopenTempPSStreamForReading(), 0);
  std::string reversed;
  for (int c; (c = std::fgetc(tempPSStream)) != EOF;) reversed.push_back(static_cast<char>(c));
  closeTempPSStreamFile();
  EXPECT_EQ(reversed, header + "%%Page: 1 1\nB\n%%Page: 2 2\nA\n%%Trailer\n%%Pages: 2\n%%EOF\n");
  expectNothingWrittenThrough();
  RecordProperty("links_planted", linksPlanted());
}

}  // namespace
}  // namespace tvx::test
