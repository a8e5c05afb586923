#include "bidi/PPDCycle.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/testroot.h"

using tvx::bidi::getPageSizeIdentifier;
using tvx::bidi::UpdateStatus;
using tvx::bidi::writeBufferToTempPSStreamUntilGivenString;

namespace {

using tvx::test::folderEntries;
using tvx::test::readFile;
using tvx::test::writeFile;
using Names = std::vector<std::string>;

const std::string kPPD =
    "*PPD-Adobe: \"4.3\"\n*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
    "*PageSize A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n";

class PPDCycle : public tvx::test::TestRoot {
 protected:
  std::string ppd(const std::string& queue = "Q") { return ppdFolder() + queue + ".ppd"; }

  // Copies the rest of the PPD and writes it back.
  int finish(const char* queue = "Q") {
    writeBufferToTempPSStreamUntilGivenString("\x01 no such marker", window, &count, 0);
    return updatePPDforPrinter(queue);
  }

  char window[tvx::kPSWindowSize + 1] = {};
  int count = 0;
};

TEST_F(PPDCycle, EditReplacesThePPDKeepingOwnerGroupAndMode) {
  writeFile(ppd(), kPPD);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(ppd().c_str(), 0, 7), 0);
  }
  ASSERT_EQ(::chmod(ppd().c_str(), 0640), 0);
  struct stat before {};
  ::stat(ppd().c_str(), &before);
  startLog("LEVEL=LIGHT\n");

  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  ASSERT_EQ(writeBufferToTempPSStreamUntilGivenString("*DefaultPageSize:", window, &count, 0), 0);
  char pageSize[32];
  getPageSizeIdentifier(window, pageSize);
  EXPECT_STREQ(pageSize, "A4");
  writeLineFromBufferToTempPSStream(window, &count, 1);
  writeLineToTempPSStream("*DefaultPageSize: Letter\n");
  ASSERT_EQ(finish(), 0);

  std::string expected = kPPD;
  expected.replace(expected.find("A4\n"), 2, "Letter");
  EXPECT_EQ(readFile(ppd()), expected);
  struct stat after {};
  ::stat(ppd().c_str(), &after);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
  // The identifier line quotes the whole window it was given.
  std::string log = readFile(logFile());
  std::string window = kPPD.substr(kPPD.find("*DefaultPageSize:"));
  EXPECT_NE(log.find(": Fount the string *DefaultPageSize:\n"), std::string::npos) << log;
  EXPECT_NE(log.find(": For " + window + " the identifier is A4\n"), std::string::npos) << log;
}

TEST_F(PPDCycle, WriteBackIsByteIdentical) {
  for (size_t size : {0u, 1u, 1024u, 2048u, 2049u, 5000u, 70000u}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 256);
    writeFile(ppd(), content);
    count = 0;
    ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
    ASSERT_EQ(finish(), 0);
    EXPECT_EQ(readFile(ppd()), content) << size;
  }
}

// The new PPD is written into a file without a name in the PPD folder, so
// that a run killed while it writes leaves nothing there.
TEST_F(PPDCycle, TempFileIsPrivateUnnamedAndInThePPDFolder) {
  writeFile(ppd(), kPPD);
  std::string victim = root_ + "/victim";
  writeFile(victim, "victim\n");
  ASSERT_EQ(::symlink(victim.c_str(), (tmpFolder() + "TavorinexTempPPD.ps").c_str()), 0);

  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(tempPSStream));
  const std::string temp = std::filesystem::read_symlink(self).string();
  EXPECT_TRUE(temp.starts_with(ppdFolder()) && temp.ends_with(" (deleted)")) << temp;
  struct stat st {};
  ::fstat(::fileno(tempPSStream), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(finish(), 0);
  EXPECT_EQ(readFile(victim), "victim\n");
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
}

TEST_F(PPDCycle, FailedWriteLeavesThePPDUntouched) {
  writeFile(ppd(), kPPD);
  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  writeLineToTempPSStream(std::string(20000, 'w').c_str());
  int result = finish();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(result, 1);
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
}

TEST_F(PPDCycle, ReadErrorOnThePPDFailsTheUpdate) {
  writeFile(ppd(), kPPD);
  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  // Reading a folder's stream fails as a failing disk would.
  std::fclose(inputPSStream);
  inputPSStream = std::fopen(ppdFolder().c_str(), "rb");
  ASSERT_NE(inputPSStream, nullptr);
  EXPECT_EQ(finish(), 1);
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
}

TEST_F(PPDCycle, BadQueueNamesNeverReachTheFileSystem) {
  std::string outside = root_ + "/etc/cups/Q.ppd";
  writeFile(outside, kPPD);
  std::string longest(236, 'q');
  writeFile(ppd(longest), kPPD);
  for (const std::string& queue : {std::string(), std::string("../Q"), std::string("a/b"),
                                   std::string("."), std::string(".."), std::string(237, 'q')}) {
    EXPECT_EQ(openTempFileAndPPDFile(queue.c_str()), 1) << queue;
    EXPECT_EQ(updatePPDforPrinter(queue.c_str()), 1) << queue;
  }
  EXPECT_EQ(openTempFileAndPPDFile(nullptr), 1);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{longest + ".ppd"});
  EXPECT_EQ(readFile(outside), kPPD);

  ASSERT_EQ(openTempFileAndPPDFile(longest.c_str()), 0);
  EXPECT_EQ(finish(longest.c_str()), 0);
}

TEST_F(PPDCycle, UnfinishedOrMissingCyclesLeaveNoTempFile) {
  EXPECT_EQ(updatePPDforPrinter("Q"), 1);
  EXPECT_EQ(openTempFileAndPPDFile("Q"), 1);
  EXPECT_TRUE(folderEntries(ppdFolder()).empty());

  writeFile(ppd(), kPPD);
  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  writeLineToTempPSStream("abandoned\n");
  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  ASSERT_EQ(finish(), 0);
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
  EXPECT_EQ(updatePPDforPrinter("Q"), 1);
  EXPECT_EQ(readFile(ppd()), kPPD);
}

// The cycle's PPD goes back to its own queue only: ending it with another
// queue's name would put Q's printer into R's PPD.
TEST_F(PPDCycle, EndingTheCycleForAnotherQueueChangesNoPPD) {
  const std::string other = "*PPD-Adobe: \"4.3\"\n*% the PPD of queue R\n";
  writeFile(ppd(), kPPD);
  writeFile(ppd("R"), other);
  ASSERT_EQ(openTempFileAndPPDFile("Q"), 0);
  writeLineToTempPSStream("*% edited\n");
  EXPECT_EQ(finish("R"), 1);
  EXPECT_EQ(readFile(ppd("R")), other);
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), (Names{"Q.ppd", "R.ppd"}));
}


// A cycle of its own: the key of the PPD's default page size line, which
// the cycle then replaces with `key`.
std::string replaceDefault(tvx::bidi::PPDCycle& cycle, const std::string& key) {
  tvx::PSWindow& window = cycle.window();
  window.copyUntilMarker("*DefaultPageSize:", 0, tvx::bidi::logMarkerFound);
  char option[32];
  tvx::bidi::entryOption(window.text(), option);
  window.takeHeldLine(1);
  window.write("*DefaultPageSize: " + key + "\n");
  return option;
}

std::string withDefault(const std::string& key) {
  std::string text = kPPD;
  return text.replace(text.find("A4\n"), 2, key);
}

TEST_F(PPDCycle, CyclesOfTheirOwnEditApartBesideTheInterfacesCycle) {
  writeFile(ppd("Q"), kPPD);
  writeFile(ppd("R"), kPPD);
  writeFile(ppd("S"), kPPD);
  ASSERT_EQ(openTempFileAndPPDFile("S"), 0);
  FILE* interfaceInput = inputPSStream;
  FILE* interfaceOutput = tempPSStream;
  {
    tvx::bidi::PPDCycle first("Q");
    tvx::bidi::PPDCycle second("R");
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    EXPECT_EQ(first.text(), kPPD);
    EXPECT_EQ(replaceDefault(first, "Letter"), "A4");
    EXPECT_EQ(replaceDefault(second, "A3"), "A4");
    first.window().copyRest();
    second.window().copyRest();
    EXPECT_TRUE(second.commit());
    EXPECT_TRUE(first.commit());
    EXPECT_FALSE(first.commit());
  }
  EXPECT_EQ(inputPSStream, interfaceInput);
  EXPECT_EQ(tempPSStream, interfaceOutput);
  ASSERT_EQ(finish("S"), 0);
  EXPECT_EQ(readFile(ppd("Q")), withDefault("Letter"));
  EXPECT_EQ(readFile(ppd("R")), withDefault("A3"));
  EXPECT_EQ(readFile(ppd("S")), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), (Names{"Q.ppd", "R.ppd", "S.ppd"}));
}

TEST_F(PPDCycle, ACycleEndedWithoutCommitLeavesThePPDAndNoWorkFile) {
  writeFile(ppd(), kPPD);
  {
    tvx::bidi::PPDCycle cycle("Q");
    ASSERT_TRUE(cycle.isOpen());
    replaceDefault(cycle, "Letter");
    cycle.window().copyRest();
  }
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
  EXPECT_EQ(inputPSStream, nullptr);
  EXPECT_EQ(tempPSStream, nullptr);
}

TEST_F(PPDCycle, LinksFIFOsAndFoldersAreNeverOpened) {
  std::string victim = root_ + "/victim";
  writeFile(victim, kPPD);
  ASSERT_EQ(::symlink(victim.c_str(), ppd("L").c_str()), 0);
  ASSERT_EQ(::mkfifo(ppd("F").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(ppd("D").c_str(), 0700), 0);
  for (const char* queue : {"L", "F", "D", "missing"}) {
    tvx::bidi::PPDCycle cycle(queue);
    EXPECT_FALSE(cycle.isOpen()) << queue;
    EXPECT_EQ(cycle.text(), std::nullopt) << queue;
    EXPECT_FALSE(cycle.commit()) << queue;
    EXPECT_EQ(readPPDOfQueue(queue), std::nullopt) << queue;
    EXPECT_EQ(openTempFileAndPPDFile(queue), 1) << queue;
  }
  EXPECT_EQ(readFile(victim), kPPD);
  EXPECT_EQ(folderEntries(ppdFolder()), (Names{"D.ppd", "F.ppd", "L.ppd"}));
}

TEST_F(PPDCycle, EditPPDRunsTheEditOnlyOnAPPDItsCheckAccepts) {
  writeFile(ppd(), kPPD);
  startLog("LEVEL=LIGHT\n");
  int edits = 0;
  auto edit = [&](tvx::PSWindow& window) {
    ++edits;
    window.copyUntilMarker("*DefaultPageSize:", 0, tvx::bidi::logMarkerFound);
    window.takeHeldLine(1);
    window.write("*DefaultPageSize: Letter\n");
  };
  auto refuse = [](std::string_view) { return false; };
  auto accept = [](std::string_view text) { return text.starts_with("*PPD-Adobe"); };

  EXPECT_EQ(tvx::bidi::editPPD("Q", refuse, edit), UpdateStatus::kFileFailed);
  EXPECT_EQ(edits, 0);
  EXPECT_EQ(readFile(ppd()), kPPD);
  EXPECT_EQ(tvx::bidi::editPPD("missing", accept, edit), UpdateStatus::kFileFailed);
  EXPECT_EQ(tvx::bidi::editPPD("Q", accept, edit), UpdateStatus::kDone);
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(readFile(ppd()), withDefault("Letter"));
  EXPECT_EQ(folderEntries(ppdFolder()), Names{"Q.ppd"});
  std::string log = readFile(logFile());
  EXPECT_NE(log.find(": The PPD cannot be updated; it stays as it is\n"), std::string::npos) << log;
  EXPECT_NE(log.find(": Fount the string *DefaultPageSize:\n"), std::string::npos) << log;
}

// bidiupdate's own name and the interface's name copy and log alike: the
// text after the first space, never past the line, never cut.
TEST_F(PPDCycle, EntryOptionAndGetPageSizeIdentifierCopyAndLogAlike) {
  startLog("LEVEL=LIGHT\n");
  const std::string tooLong = "*PageSize " + std::string(32, 'k');
  struct Case {
    std::string line;
    std::string option;
  };
  for (const Case& c : {Case{"*PageSize A4/A4: \"x\"\n*Next", "A4/A4: \"x\""},
                        Case{"*DefaultPageSize: Letter\r\n", "Letter"},
                        Case{"*NoSpace\n*Next Line", ""}, Case{tooLong, ""}}) {
    char viaEntry[32];
    char viaInterface[32];
    tvx::bidi::entryOption(c.line.c_str(), viaEntry);
    EXPECT_EQ(getPageSizeIdentifier(c.line.c_str(), viaInterface), 0);
    EXPECT_EQ(viaEntry, c.option) << c.line;
    EXPECT_EQ(viaInterface, c.option) << c.line;
    std::string log = readFile(logFile());
    std::string logged = ": For " + c.line + " the identifier is " + c.option + "\n";
    std::size_t first = log.find(logged);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(logged, first + 1), std::string::npos) << log;
  }
}

}  // namespace
