#include "filter/Ostrel3Spool.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/paths.h"

namespace tvx::filter {

namespace {

constexpr int kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The live named spool files of the process, which the signal handler
// removes. A slot is claimed, then its path written, then it is live; jobs
// on several threads claim slots of their own.
struct SignalCleanup {
  enum : int { kFree, kClaimed, kLive };
  std::atomic<int> state[kSlots] = {};
  char path[kSlots][kPathBytes] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

// Constant-initialized: no guard stands between the handler and the table.
SignalCleanup& cleanup() {
  static constinit SignalCleanup table;
  return table;
}

extern "C" void removeSpoolFilesAndEnd(int signalNumber) {
  SignalCleanup& table = cleanup();
  for (int slot = 0; slot < kSlots; ++slot) {
    if (table.state[slot].load() == SignalCleanup::kLive) ::unlink(table.path[slot]);
  }
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

// Installs the handler once per process; a signal that the caller chose to
// ignore (other than SIGTERM, which CUPS uses to cancel) stays ignored.
void installHandlerOnce() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = removeSpoolFilesAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kEndingSignals) sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : kEndingSignals) {
      struct sigaction previous {};
      ::sigaction(signalNumber, nullptr, &previous);
      if (signalNumber != SIGTERM && previous.sa_handler == SIG_IGN) continue;
      ::sigaction(signalNumber, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
}

// Records `path` for removal on a signal; -1 when it cannot be recorded.
int registerPath(const std::string& path) {
  if (path.size() >= kPathBytes) return -1;
  SignalCleanup& table = cleanup();
  for (int slot = 0; slot < kSlots; ++slot) {
    int free = SignalCleanup::kFree;
    if (!table.state[slot].compare_exchange_strong(free, SignalCleanup::kClaimed)) continue;
    std::memcpy(table.path[slot], path.c_str(), path.size() + 1);
    table.state[slot].store(SignalCleanup::kLive);
    return slot;
  }
  return -1;
}

}  // namespace

std::string spoolFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir == nullptr || tmpdir[0] != '/') return tvx::paths::tempFolder();
  std::string folder(tmpdir);
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

std::optional<SpoolFile> SpoolFile::create(const char* prefix) {
  installHandlerOnce();
  // A cancel that arrives between creating the file and recording it would
  // leave the file behind: hold the ending signals until it is recorded.
  sigset_t ending;
  sigset_t previous;
  sigemptyset(&ending);
  for (int signalNumber : kEndingSignals) sigaddset(&ending, signalNumber);
  ::pthread_sigmask(SIG_BLOCK, &ending, &previous);
  std::optional<PrivateTemp> temp = PrivateTemp::create(spoolFolder(), prefix);
  std::optional<SpoolFile> spool;
  if (temp && temp->path().empty()) {
    spool.emplace(SpoolFile(std::move(*temp), -1));
  } else if (temp) {
    int slot = registerPath(temp->path());
    if (slot >= 0) spool.emplace(SpoolFile(std::move(*temp), slot));
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return spool;  // an unrecorded temp file is removed on return
}

SpoolFile::SpoolFile(SpoolFile&& other) noexcept
    : temp_(std::move(other.temp_)), slot_(std::exchange(other.slot_, -1)) {}

SpoolFile& SpoolFile::operator=(SpoolFile&& other) noexcept {
  if (this != &other) {
    release();
    temp_ = std::move(other.temp_);
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

SpoolFile::~SpoolFile() { release(); }

// The file goes first, then its slot: a signal in between only repeats the unlink.
void SpoolFile::release() {
  temp_.discard();
  if (slot_ >= 0) cleanup().state[slot_].store(SignalCleanup::kFree);
  slot_ = -1;
}

}  // namespace tvx::filter
