// bidiupdate -A killed with SIGKILL at many moments of its run. The run
// works on private copies (its stage, in the temp folder) and replaces the
// queue's files only at its end, once each: so the PPD is always byte for
// byte the start PPD or the run's final PPD, never a truncated, mixed or
// half-updated file, and the media catalog is always the whole old or the
// whole new catalog. The states come from bidiupdate-snapshots, the same
// program with a copy taken after each replacement of a queue file. The
// work files have no name until just before they are renamed into place: a
// kill leaves one only in the microseconds between that link and the
// rename, and then the file is the whole next state. A kill also leaves the
// run's stage folder; the next run removes such leftovers once they are a
// minute old (and nothing younger).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/bidi/bidiupdate_run.h"
#include "tests/robustness/robustness.h"
#include "tests/support/simprinter.h"

namespace tvx::test {
namespace {

const std::string kQueue = "Arc";
constexpr int kKills = 50;
constexpr unsigned kSeed = 20261208;

// The states an uninterrupted run passes through.
struct RunStates {
  std::vector<std::string> ppds;      // start PPD first, then after each cycle
  std::vector<std::string> catalogs;  // old catalog first, then after each save
};

// Where a kill lands: after `creations` work files were opened in `folder`
// (each PPD cycle and each catalog save opens its temp file there), and
// then `delay` more; with no folder, `delay` after the start.
struct KillPoint {
  std::string folder;
  int creations = 0;
  std::chrono::microseconds delay{0};
};

// Counts the work files opened in a folder: every file opened there but
// `own`, the file they replace. An unnamed file shows as "#<inode>".
class CreationWatch {
 public:
  CreationWatch(const std::string& folder, std::string own)
      : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), own_(std::move(own)) {
    inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
  }
  ~CreationWatch() { ::close(fd_); }
  CreationWatch(const CreationWatch&) = delete;
  CreationWatch& operator=(const CreationWatch&) = delete;

  // Waits until `count` work files were opened or `pid` ended; true for the first.
  bool waitFor(int count, pid_t pid) {
    alignas(inotify_event) char buffer[4096];
    while (seen_ < count) {
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, 20) > 0) {
        for (ssize_t got = ::read(fd_, buffer, sizeof buffer); got > 0;
             got = ::read(fd_, buffer, sizeof buffer)) {
          for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            seen_ += (event->mask & IN_ISDIR) == 0 && event->len > 0 && own_ != event->name;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
          }
        }
      } else if (ended(pid)) {
        return false;
      }
    }
    return true;
  }

 private:
  // True when `pid` has ended; it is left to be waited for.
  static bool ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
  }

  int fd_;
  std::string own_;
  int seen_ = 0;
};

class KillTest : public BidiupdateTest {
 protected:
  // The test root goes to a memory file system where there is one, so that
  // the runs' syncs cost nothing; the simulated printers stay where the
  // others are, sharing their port claims.
  void SetUp() override {
    const char* tmpdir = std::getenv("TMPDIR");
    std::optional<std::string> saved;
    if (tmpdir != nullptr) saved = tmpdir;
    if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
    BidiupdateTest::SetUp();
    if (saved) {
      ::setenv("TMPDIR", saved->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  // Puts back the start PPD and the old catalog.
  void restore(const RunStates& states) {
    writeFile(ppdFile(kQueue), states.ppds.front());
    writeFile(catalogFile(kQueue), states.catalogs.front());
  }

  // The files in the PPD and catalog folders besides the queue's own.
  std::vector<std::string> filesLeft() {
    std::vector<std::string> left;
    for (const std::string& folder : {ppdFolder(), catalogFolder()}) {
      for (const std::string& name : folderEntries(folder)) {
        if (name != kQueue + ".ppd" && name != kQueue) left.push_back(folder + name);
      }
    }
    return left;
  }

  RunStates recordStates(const std::string& host) {
    RunStates states{{ppdOf(kQueue)}, {readFile(catalogFile(kQueue))}};
    std::string folder = root_ + "/snapshots";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(run({.argv = {BIDIUPDATE_SNAPSHOTS, "-A", kQueue, host},
                   .environment = {"TVX_SNAPSHOT_DIR=" + folder}})
                  .status,
              10);
    for (int n = 1; std::filesystem::exists(folder + "/ppd." + std::to_string(n)); ++n) {
      states.ppds.push_back(readFile(folder + "/ppd." + std::to_string(n)));
    }
    for (int n = 1; std::filesystem::exists(folder + "/catalog." + std::to_string(n)); ++n) {
      states.catalogs.push_back(readFile(folder + "/catalog." + std::to_string(n)));
    }
    return states;
  }

  // How a killed run ended.
  struct Killed {
    bool finished = false;     // the run had ended before its kill
    bool insideWrite = false;  // a work file was open when the kill was sent
  };

  // Runs bidiupdate -A and kills it at `point`.
  Killed killAt(const KillPoint& point, const std::string& host) {
    std::optional<CreationWatch> watch;
    if (!point.folder.empty()) {
      watch.emplace(point.folder, point.folder == ppdFolder() ? kQueue + ".ppd" : kQueue);
    }
    Process updating({.argv = {BIDIUPDATE_PATH, "-A", kQueue, host}});
    if (!updating.started()) return {};
    const pid_t pid = updating.pid();
    if (!watch || watch->waitFor(point.creations, pid)) {
      ::usleep(static_cast<useconds_t>(point.delay.count()));
    }
    // Stopped first, so that looking at its open files does not delay the
    // moment the kill stands for.
    ::kill(pid, SIGSTOP);
    Killed killed;
    for (const std::string& folder : {ppdFolder(), catalogFolder()}) {
      for (const std::string& file : filesOpenIn(pid, folder)) {
        killed.insideWrite |= file.ends_with(" (deleted)");
      }
    }
    ::kill(pid, SIGKILL);
    killed.finished = updating.wait().status == 10;
    return killed;
  }

  // A work file can be left by a kill only in the microseconds between the
  // link that names it and the rename that puts it in place: it is then the
  // whole state after the cycle whose rename did not happen. `ppd` is the
  // state the PPD was left in.
  bool leftBetweenLinkAndRename(const std::string& path, int ppd, const RunStates& states) {
    const std::string content = readFile(path);
    if (path.starts_with(ppdFolder())) {
      return path.starts_with(ppdFolder() + "TavorinexTempPPD.ps.") && ppd == 0 &&
             content == states.ppds.back();
    }
    return path.starts_with(catalogFolder() + ".catalog-") && content == states.catalogs.back() &&
           readFile(catalogFile(kQueue)) == states.catalogs.front();
  }

  // The stage folders that killed runs left in the temp folder.
  std::vector<std::string> stagesLeft() {
    std::vector<std::string> left;
    for (const std::string& name : folderEntries(tmpFolder())) {
      if (name.starts_with("bidiupdate.")) left.push_back(tmpFolder() + name);
    }
    return left;
  }

  // Index of `content` among `states`, or -1.
  static int stateOf(const std::string& content, const std::vector<std::string>& states) {
    auto found = std::find(states.begin(), states.end(), content);
    return found == states.end() ? -1 : static_cast<int>(found - states.begin());
  }
};

TEST_F(KillTest, KilledRunsLeaveWholeFilesOfSomeCycle) {
  SimPrinter old("media-basic");
  SimPrinter printer("full");
  ASSERT_TRUE(old.running() && printer.running());
  installPPD(kQueue, kModelPPD);
  // The old catalog comes from another printer's media.
  ASSERT_EQ(bidiupdate({"-M", kQueue, old.address()}).status, 10);
  // The model PPD with 2 MiB of comment lines at its end: the PPD's
  // replacement then takes long enough for kills to fall inside it.
  std::string padded = readFile(sourceFile(kModelPPD));
  for (int line = 0; line < 20000; ++line) padded += "*% " + std::string(100, 'p') + "\n";
  writeFile(ppdFile(kQueue), padded);
  const std::string startPPD = ppdOf(kQueue);
  const std::string oldCatalog = readFile(catalogFile(kQueue));

  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, 10);
  auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  const std::string endPPD = ppdOf(kQueue);
  const std::string newCatalog = readFile(catalogFile(kQueue));
  writeFile(ppdFile(kQueue), startPPD);
  writeFile(catalogFile(kQueue), oldCatalog);

  RunStates states = recordStates(printer.address());
  // The queue's files change once per run: start to end.
  ASSERT_EQ(states.ppds.size(), 2u);
  ASSERT_EQ(states.catalogs.size(), 2u);
  ASSERT_NE(states.ppds[0], states.ppds[1]);
  ASSERT_NE(states.catalogs[0], states.catalogs[1]);
  // The real program ends where the recording one did.
  ASSERT_EQ(endPPD, states.ppds.back());
  ASSERT_EQ(newCatalog, states.catalogs.back());

  // A fifth of the kills anywhere in the run; the others just after the
  // work file that replaces the PPD or the catalog was opened, so that they
  // fall inside the write, just before the rename or just after it.
  std::mt19937 random(kSeed);
  std::uniform_int_distribution<long long> anywhere(0, duration.count());
  std::uniform_int_distribution<int> which(0, 1);
  std::uniform_int_distribution<long long> shortly(0, 400);
  std::map<int, int> ppdStates;
  int finished = 0;
  int insideWrite = 0;
  int betweenLinkAndRename = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    KillPoint point;
    if (kill % 5 == 0) {
      point.delay = std::chrono::microseconds(anywhere(random));
    } else {
      point.folder = which(random) == 0 ? ppdFolder() : catalogFolder();
      point.creations = 1;
      point.delay = std::chrono::microseconds(shortly(random));
    }
    restore(states);
    Killed killed = killAt(point, printer.address());
    finished += killed.finished;
    insideWrite += killed.insideWrite;
    int ppd = stateOf(ppdOf(kQueue), states.ppds);
    EXPECT_GE(ppd, 0) << "kill " << kill << " left a PPD of no cycle";
    EXPECT_GE(stateOf(readFile(catalogFile(kQueue)), states.catalogs), 0)
        << "kill " << kill << " left a catalog neither old nor new";
    // A kill between the two replacements leaves the new PPD with the old
    // catalog, never the other way round.
    EXPECT_FALSE(ppd == 0 && readFile(catalogFile(kQueue)) == states.catalogs.back())
        << "kill " << kill << " left the new catalog beside the start PPD";
    for (const std::string& left : filesLeft()) {
      if (leftBetweenLinkAndRename(left, ppd, states)) {
        ++betweenLinkAndRename;
      } else {
        ADD_FAILURE() << "kill " << kill << " left " << left;
      }
      std::filesystem::remove(left);
    }
    EXPECT_LE(stagesLeft().size(), static_cast<std::size_t>(kill + 1));
    ++ppdStates[ppd];
  }
  // Kills inside a write are what could leave a work file behind.
  EXPECT_GT(insideWrite, 0);

  // The stage folders the kills left: a run removes them once they are a
  // minute old, and the run's own stage is gone when it ends.
  const std::vector<std::string> stages = stagesLeft();
  const struct timespec aged[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
  for (const std::string& stage : stages) ASSERT_EQ(::utimensat(AT_FDCWD, stage.c_str(), aged, 0), 0);
  restore(states);
  EXPECT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, 10);
  EXPECT_EQ(stagesLeft(), std::vector<std::string>{});
  RecordProperty("stage_folders_left_by_kills", static_cast<int>(stages.size()));
  std::ostringstream seen;
  for (const auto& [state, count] : ppdStates) seen << state << ":" << count << " ";
  RecordProperty("ppd_states_seen", seen.str());
  RecordProperty("kills_inside_a_write", insideWrite);
  RecordProperty("kills_between_link_and_rename", betweenLinkAndRename);
  RecordProperty("runs_finished_before_their_kill", finished);
  std::cout << kKills << " kills; PPD state (cycles done):kills " << seen.str()
            << "; kills inside a write " << insideWrite << "; between link and rename "
            << betweenLinkAndRename << "; runs finished first " << finished << "; stage folders left "
            << stages.size() << "\n";
}

}  // namespace
}  // namespace tvx::test
