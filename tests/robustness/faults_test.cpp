// Faults around the real programs: a full file system under the PPD folder
// or the catalog folder of bidiupdate, folders on a file system without
// unnamed files, and a reader that stops reading the filter's standard
// output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/bidi/bidiupdate_run.h"
#include "tests/robustness/robustness.h"
#include "tests/support/simprinter.h"

namespace tvx::test {
namespace {

const std::string kQueue = "Arc";

class FullDiskTest : public BidiupdateTest {
 protected:
  void TearDown() override {
    for (const std::string& folder : mounted_) ::umount2(folder.c_str(), MNT_DETACH);
    BidiupdateTest::TearDown();
  }

  // Mounts a tmpfs of `size` over `folder`; false when mounting is not
  // permitted here.
  bool mountSmallFileSystem(const std::string& folder, const std::string& size) {
    std::string options = "size=" + size + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      skipReason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return false;
    }
    mounted_.push_back(folder);
    return true;
  }

  std::string skipReason_;
  std::vector<std::string> mounted_;
};

// The model PPD takes 6 pages of the 7: every PPD cycle runs out of room
// while it writes its temp file.
TEST_F(FullDiskTest, FullPPDFolderLeavesThePPDUntouchedAndExits13) {
  if (!mountSmallFileSystem(ppdFolder(), "28k")) GTEST_SKIP() << skipReason_;
  SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  installPPD(kQueue, kModelPPD);
  const std::string model = readFile(sourceFile(kModelPPD));
  ASSERT_EQ(ppdOf(kQueue), model);
  for (const char* letter : {"-M", "-C", "-O", "-A"}) {
    EXPECT_EQ(bidiupdate({letter, kQueue, printer.address()}).status, 13) << letter;
    EXPECT_EQ(ppdOf(kQueue), model) << letter;
    EXPECT_EQ(folderEntries(ppdFolder()), std::vector<std::string>{kQueue + ".ppd"}) << letter;
    // The catalog may have been created, with the predefined media that the
    // untouched PPD still offers, never the printer's.
    std::string catalog = readFile(catalogFile(kQueue));
    EXPECT_TRUE(catalog.empty() || catalog.size() == 5 * kCatalogRecordSize) << letter;
  }
}

// The old catalog (4 media, 2 pages) fits in 3 pages, the new one (8 media)
// does not: the PPD gets the printer's media and their constraints, the
// catalog stays the old one, and the run says the update failed.
TEST_F(FullDiskTest, FullCatalogFolderKeepsTheOldCatalogAndExits13) {
  SimPrinter old("media-basic");
  SimPrinter printer("full");
  ASSERT_TRUE(old.running() && printer.running());
  installPPD(kQueue, kModelPPD);
  ASSERT_EQ(bidiupdate({"-M", kQueue, old.address()}).status, 10);
  const std::string oldCatalog = readFile(catalogFile(kQueue));
  std::filesystem::remove(catalogFile(kQueue));
  if (!mountSmallFileSystem(catalogFolder(), "12k")) GTEST_SKIP() << skipReason_;
  writeFile(catalogFile(kQueue), oldCatalog);

  EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, 13);
  EXPECT_EQ(readFile(catalogFile(kQueue)), oldCatalog);
  EXPECT_EQ(folderEntries(catalogFolder()), std::vector<std::string>{kQueue});
  const std::string ppd = ppdOf(kQueue);
  EXPECT_NE(ppd.find("*PageSize PlainA480/Plain A4 80:"), std::string::npos);
  EXPECT_NE(ppd.find("*UIConstraints: *PageSize HeavyTabloid250 "), std::string::npos);
  std::string report;
  EXPECT_EQ(cupstestppd(kQueue, &report), 0) << report;
}

// bindfs (FUSE) refuses unnamed files (O_TMPFILE gives EOPNOTSUPP): the
// PPD cycles, the catalog save and the filter's spool fall back to named
// work files, which are renamed into place or removed, also when CUPS
// cancels the job.
TEST_F(FullDiskTest, FileSystemWithoutUnnamedFilesGetsNamedWorkFilesThatAreCleanedUp) {
  if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "needs root and /dev/fuse";
  const std::string spool = root_ + "/spool/";
  for (const std::string& folder : {ppdFolder(), catalogFolder(), spool}) {
    std::string below = folder.substr(0, folder.size() - 1) + ".below";
    std::filesystem::create_directories(below);
    std::filesystem::create_directories(folder);
    if (run({.argv = {"bindfs", below, folder}}).status != 0) GTEST_SKIP() << "bindfs cannot mount";
    mounted_.push_back(folder);
    ASSERT_EQ(::open(folder.c_str(), O_TMPFILE | O_RDWR, 0600), -1);
    ASSERT_EQ(errno, EOPNOTSUPP);
  }
  SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  installPPD(kQueue, kModelPPD);
  EXPECT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, 10);
  EXPECT_NE(ppdOf(kQueue).find("*PageSize PlainA480/Plain A4 80:"), std::string::npos);
  EXPECT_EQ(readFile(catalogFile(kQueue)).size(), 8 * kCatalogRecordSize);
  EXPECT_EQ(folderEntries(ppdFolder()), std::vector<std::string>{kQueue + ".ppd"});
  EXPECT_EQ(folderEntries(catalogFolder()), std::vector<std::string>{kQueue});

  const std::string fifo = root_ + "/job";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Command call = jobCall(kQueue, {"7", "alice", "Report", "1", ""}, root_);
  call.inputPath = fifo;
  call.environment = {"TMPDIR=" + spool};
  Process whole(call);
  std::ofstream(fifo) << "%!PS-Adobe-3.0\n%%EndComments\n%%Page: 1 1\nshowpage\n%%EOF\n";
  EXPECT_NE(whole.wait().status, -1);
  EXPECT_NE(readFile(call.outputPath).find("showpage"), std::string::npos);
  EXPECT_EQ(folderEntries(spool), std::vector<std::string>{});

  Process cancelled(call);
  const pid_t pid = cancelled.pid();
  std::ofstream feed(fifo);
  feed << "%!PS-Adobe-3.0\n%%EndComments\n%%Page: 1 1\n" << std::flush;
  for (int tries = 0; tries < 30000 && folderEntries(spool).empty(); ++tries) ::usleep(1000);
  std::vector<std::string> spooled = folderEntries(spool);
  ASSERT_EQ(spooled.size(), 1u);
  EXPECT_TRUE(spooled.front().starts_with("TavorinexTempPSStream"));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(cancelled.wait().signal, SIGTERM);
  EXPECT_EQ(folderEntries(spool), std::vector<std::string>{});
}

class ClosedOutputTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    std::filesystem::create_directories(root_ + "/usr/bin/Tavorinex");
    spool_ = root_ + "/spool/";
    std::filesystem::create_directories(spool_);
  }

  // Runs the filter on a job of about 4 MiB (more than the 1 MiB pipe the
  // filter asks for can hold beside what the reader takes) whose reader, at
  // the other end of a pipe or a socket, takes `keep` bytes of the printer
  // data and then closes its end; the filter's status and standard error.
  std::pair<int, std::string> filterInto(std::size_t keep, bool socket) {
    std::string job = "%!PS-Adobe-3.0\n%%EndComments\n";
    for (int page = 1; job.size() < (4 << 20); ++page) {
      job += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n" +
             std::string(2000, 'x') + "\nshowpage\n";
    }
    writeFile(root_ + "/job.ps", job);
    int ends[2];
    EXPECT_EQ(socket ? ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)
                     : ::pipe2(ends, O_CLOEXEC), 0);
    Process filter({.argv = {"Q", "7", "alice", "Report", "1", ""},
                    .program = PSFILTER_PROGRAM,
                    .environment = {"TMPDIR=" + spool_},
                    .inputPath = root_ + "/job.ps",
                    .outputFd = ends[1],
                    .errorPath = root_ + "/err"});
    ::close(ends[1]);
    std::vector<char> taken(keep + 1);
    for (std::size_t got = 0; got < keep;) {
      ssize_t n = ::read(ends[0], taken.data(), keep - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    ::close(ends[0]);
    return {filter.wait().status, readFile(root_ + "/err")};
  }

  std::string spool_;
};

TEST_F(ClosedOutputTest, ReaderThatGoesAwayFailsTheJobWithItsErrorLine) {
  for (bool socket : {false, true}) {
    for (std::size_t keep : {0, 10, 70000, 500000}) {
      auto [status, err] = filterInto(keep, socket);
      EXPECT_EQ(status, 5) << keep << " " << socket;
      // The line CUPS shows, then the detail for CUPS's log.
      EXPECT_EQ(err.substr(0, err.find('\n') + 1),
                "ERROR: Tavorinex software Temporary file cannot be read\n") << keep;
      std::string debug = err.substr(err.find('\n') + 1);
      EXPECT_TRUE(debug.starts_with(
          "DEBUG: Tavorinex software: cannot copy the spool file to the output: ")) << debug;
      EXPECT_EQ(debug.find('\n'), debug.size() - 1) << debug;
      EXPECT_EQ(folderEntries(spool_), std::vector<std::string>{}) << keep;
    }
  }
}

}  // namespace
}  // namespace tvx::test
