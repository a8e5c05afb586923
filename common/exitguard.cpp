#include "common/exitguard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tvx::exitguard {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kMaxDepth = 16;
// Rounds over a folder until it is empty: entries removed while the folder
// is read can make one round miss others.
constexpr int kRounds = 4;

// Per process, for the signal handlers, which get nothing else; written only
// with the signals deferred.
char folderPath[4096];
volatile sig_atomic_t haveFolder = 0;
char limitMessage[1024];
size_t limitMessageLength = 0;
volatile sig_atomic_t limitStatus = 1;
// Signal handlers belong to the process: install() sets them once.
bool installed = false;

sigset_t guardedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kStopSignals) sigaddset(&set, signal);
  sigaddset(&set, SIGALRM);
  return set;
}

void removeGuardedFolder() {
  if (haveFolder != 0) removeTree(folderPath);
  haveFolder = 0;
}

void onStop(int signal) {
  removeGuardedFolder();
  // End by the same signal: its default action once it is let through.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::_exit(128 + signal);
}

void writeLimitMessage() {
  for (size_t done = 0; done < limitMessageLength;) {
    ssize_t wrote = ::write(STDERR_FILENO, limitMessage + done, limitMessageLength - done);
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
}

void onTimeLimit(int) {
  removeGuardedFolder();
  writeLimitMessage();
  ::_exit(limitStatus);
}

void setHandler(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = guardedSignals();
  ::sigaction(signal, &action, nullptr);
}

void setTimer(unsigned seconds) {
  struct itimerval timer {};
  timer.it_value.tv_sec = static_cast<time_t>(seconds);
  ::setitimer(ITIMER_REAL, &timer, nullptr);
}

bool isDots(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes what the open folder `fd` holds; false when something is left.
bool emptyFolder(int fd, int depth) noexcept {
  alignas(dirent64) char buffer[2048];
  for (int round = 0; round < kRounds; ++round) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return false;
    bool removedAny = false;
    bool sawAny = false;
    for (;;) {
      ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
      if (got < 0) return false;
      if (got == 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        if (isDots(entry->d_name)) continue;
        sawAny = true;
        // A file (or link) goes at once; a folder needs its content gone first.
        if (::unlinkat(fd, entry->d_name, 0) == 0 || errno == ENOENT) {
          removedAny = true;
          continue;
        }
        if ((errno == EISDIR || errno == EPERM) && depth > 0) {
          int child = ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
          if (child >= 0) {
            emptyFolder(child, depth - 1);
            ::close(child);
          }
          if (::unlinkat(fd, entry->d_name, AT_REMOVEDIR) == 0) removedAny = true;
        }
      }
    }
    if (!sawAny) return true;
    if (!removedAny) return false;
  }
  return false;
}

}  // namespace

void install() {
  if (installed) return;
  installed = true;
  for (int signal : kStopSignals) {
    struct sigaction current {};
    // A signal ignored by whoever started the program (nohup, a shell's
    // background job) stays ignored.
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    setHandler(signal, onStop);
  }
  setHandler(SIGALRM, onTimeLimit);
}

void guardFolder(const std::string& folder) {
  Deferred hold;
  haveFolder = 0;
  if (folder.empty() || folder.size() >= sizeof folderPath) return;
  std::memcpy(folderPath, folder.c_str(), folder.size() + 1);
  haveFolder = 1;
}

void startTimeLimit(unsigned seconds, int status, const std::string& message) {
  Deferred hold;
  limitMessageLength = std::min(message.size(), sizeof limitMessage);
  std::memcpy(limitMessage, message.data(), limitMessageLength);
  limitStatus = status;
  setTimer(seconds);
}

bool stopTimeLimit() {
  Deferred hold;
  setTimer(0);
  sigset_t pending;
  sigemptyset(&pending);
  ::sigpending(&pending);
  if (sigismember(&pending, SIGALRM) != 1) return true;
  // Ignoring a pending signal discards it.
  ::signal(SIGALRM, SIG_IGN);
  setHandler(SIGALRM, onTimeLimit);
  writeLimitMessage();
  return false;
}

Deferred::Deferred() {
  sigset_t set = guardedSignals();
  ::sigprocmask(SIG_BLOCK, &set, &previous_);
}

Deferred::~Deferred() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

bool removeTreeAt(int parent, const char* name) noexcept {
  if (::unlinkat(parent, name, 0) == 0 || errno == ENOENT) return true;
  if (errno != EISDIR && errno != EPERM) return false;
  int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  emptyFolder(fd, kMaxDepth);
  ::close(fd);
  return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

bool removeTree(const char* path) noexcept { return removeTreeAt(AT_FDCWD, path); }

}  // namespace tvx::exitguard
