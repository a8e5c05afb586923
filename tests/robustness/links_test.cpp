// Symbolic links planted where the programs write: at the fixed temp and
// log names of the package's temp folder, and at many names of the private
// temp files' patterns in the PPD folder, the catalog folder and the spool
// folder. No program ever writes through one: every link target keeps its
// content and mode, a dangling link's target never appears, and every link
// is still the same link afterwards. Files that another user plants at the
// diagnostic log's names are neither obeyed nor written.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Reverse.h"
#include "tests/bidi/bidiupdate_run.h"
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
    Command call = jobCall(kQueue, {"3", "alice", "Links", "1", ""}, root_);
    call.environment = {"TMPDIR="};
    EXPECT_EQ(run(call).status, 0) << readFile(call.errorPath);
    EXPECT_NE(readFile(call.outputPath).find("%%PSPageMedia: Tavorinex Letter"), std::string::npos);
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

// The log's folder made like the system's /tmp (world-writable, sticky),
// where every user may create files; the programs against it.
class PlantedLogTest : public BidiupdateTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant files as another user";
    BidiupdateTest::SetUp();
    ::chmod(root_.c_str(), 0711);
    ::chmod(tmpFolder().c_str(), 01777);
    writeFile(root_ + "/job.ps",
              "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n[{\n%%BeginFeature: *PageSize "
              "PlainA480\n<< /PageSize [595 842] >> setpagedevice\n%%EndFeature\n} stopped "
              "cleartomark\n%%EndSetup\n%%Page: 1 1\nshowpage\n%%Trailer\n%%EOF\n");
    ::chmod((root_ + "/job.ps").c_str(), 0644);
    // The filter runs as user lp, who may not reach the build (a checkout
    // in a home folder of mode 0700): it runs from a copy in the test root.
    std::filesystem::create_directories(root_ + "/bin");
    ::chmod((root_ + "/bin").c_str(), 0755);
    filter_ = root_ + "/bin/psfilter";
    copyFile(PSFILTER_PROGRAM, filter_);
    ::chmod(filter_.c_str(), 0755);
  }

  // Creates `path` as user nobody, holding `content`, with `mode`.
  void plantAsNobody(const std::string& path, const std::string& content, const char* mode) {
    Finished planted = run({.argv = {"sh", "-c", "umask 0 && printf %s \"$2\" > \"$1\" && chmod \"$3\" \"$1\"",
                                     "sh", path, content, mode},
                            .user = "nobody"});
    ASSERT_EQ(planted.status, 0) << planted.err;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    ASSERT_EQ(st.st_uid, ::getpwnam("nobody")->pw_uid);
  }

  // Root's file at `path` with `mode` and group `group`.
  void plantAsRoot(const std::string& path, const std::string& content, mode_t mode,
                   const char* group = "root") {
    writeFile(path, content);
    ASSERT_EQ(::chown(path.c_str(), 0, ::getpwnam(group)->pw_gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  }

  // bidiupdate -M (as root) and a job through the filter as user lp, both
  // as usual; the filter's process id.
  pid_t runBoth(const SimPrinter& printer, const std::string& what) {
    EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, 10) << what;
    return runFilter(what);
  }

  // A job on the queue's media through the filter as user lp, as usual;
  // the filter's process id.
  pid_t runFilter(const std::string& what) {
    Command call = jobCall(kQueue, {"3", "alice", "Planted", "1", "password=secret"}, root_);
    call.program = filter_;
    call.environment = {"TMPDIR=" + tmpFolder()};
    call.user = "lp";
    Process filter(call);
    const pid_t pid = filter.pid();
    EXPECT_EQ(filter.wait().status, 0) << what << readFile(call.errorPath);
    EXPECT_NE(readFile(call.outputPath).find("%%PSPageMedia: Plain A4 80"), std::string::npos)
        << what;
    return pid;
  }

  void removeLogFiles() {
    std::filesystem::remove(controlFile());
    std::filesystem::remove(logFile());
  }

  std::string filter_;
};

TEST_F(PlantedLogTest, ControlOrLogFilePlantedByAnotherUserChangesNothing) {
  SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  installPPD(kQueue, kModelPPD);

  // A control file of another user, or of root but writable by others, is
  // not obeyed: no log file appears.
  plantAsNobody(controlFile(), "LEVEL=FULL\n", "0644");
  runBoth(printer, "control file of nobody");
  EXPECT_FALSE(std::filesystem::exists(logFile()));
  for (mode_t mode : {0664, 0666}) {
    removeLogFiles();
    plantAsRoot(controlFile(), "LEVEL=FULL\n", mode);
    runBoth(printer, "control file mode " + std::to_string(mode));
    EXPECT_FALSE(std::filesystem::exists(logFile())) << mode;
  }

  // The administrator's control file: a log file that another user planted,
  // that everyone may write, or that is a second name of some root file,
  // receives nothing.
  const std::string rootFile = root_ + "/root-file";
  plantAsRoot(rootFile, "root's own\n", 0644);
  for (int planted = 0; planted < 3; ++planted) {
    removeLogFiles();
    plantAsRoot(controlFile(), "LEVEL=FULL\n", 0644);
    if (planted == 0) plantAsNobody(logFile(), "", "0666");
    if (planted == 1) plantAsRoot(logFile(), "", 0666);
    if (planted == 2) {
      ASSERT_EQ(::link(rootFile.c_str(), logFile().c_str()), 0);
    }
    runBoth(printer, "planted log " + std::to_string(planted));
    EXPECT_TRUE(readFile(logFile()) == (planted == 2 ? "root's own\n" : ""))
        << "lines went into planted log file " << planted;
  }
}

TEST_F(PlantedLogTest, AdministratorsLogServesBothProgramsAndACreatedLogIsPrivate) {
  SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  installPPD(kQueue, kModelPPD);
  plantAsRoot(controlFile(), "LEVEL=FULL\n", 0644);

  // As the README says: root:lp 0660, written by bidiupdate and the filter.
  plantAsRoot(logFile(), "", 0660, "lp");
  pid_t filter = runBoth(printer, "root:lp 0660");
  std::string log = readFile(logFile());
  EXPECT_NE(log.find("BIDIMAIN Update Media BEGIN"), std::string::npos);
  EXPECT_NE(log.find("PID" + std::to_string(filter) + "_"), std::string::npos);

  // A log file that a program creates is its user's and nobody else reads it.
  for (const char* user : {"root", "lp"}) {
    std::filesystem::remove(logFile());
    if (std::string(user) == "root") {
      EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, 10);
    } else {
      runFilter("created by lp");
    }
    struct stat st {};
    ASSERT_EQ(::stat(logFile().c_str(), &st), 0) << user;
    EXPECT_EQ(st.st_uid, ::getpwnam(user)->pw_uid);
    EXPECT_EQ(st.st_mode & 0077, 0u) << user;
    EXPECT_NE(readFile(logFile()), "") << user;
  }
}

}  // namespace
}  // namespace tvx::test
