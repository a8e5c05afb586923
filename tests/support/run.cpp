#include "tests/support/run.h"

#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace tvx::test {

namespace {

// A memory file for captured output or given input; -1 when none can be made.
int memoryFile(const std::string& content = {}) {
  int fd = ::memfd_create("tvx-run", MFD_CLOEXEC);
  if (fd < 0) return -1;
  for (size_t done = 0; done < content.size();) {
    ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
    if (wrote <= 0) {
      ::close(fd);
      return -1;
    }
    done += static_cast<size_t>(wrote);
  }
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

std::string contentOf(int fd) {
  std::string text;
  if (fd < 0) return text;
  char buffer[65536];
  off_t at = 0;
  for (ssize_t got; (got = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += got) {
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

std::vector<char*> pointersTo(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The path's text, or null for an empty path.
const char* pathOrNull(const std::string& path) { return path.empty() ? nullptr : path.c_str(); }

// In the child: puts `path` (opened with `flags`) or else `fd` at `target`.
// Only calls that are safe between fork and exec: the caller may have threads.
void place(const char* path, int flags, int fd, int target) {
  if (path != nullptr) {
    fd = ::open(path, flags, 0600);
    if (fd < 0) ::_exit(126);
    ::dup2(fd, target);
    ::close(fd);
  } else if (fd >= 0) {
    ::dup2(fd, target);
  }
}

}  // namespace

Process::Process(const Command& command) : timeout_(command.timeout) {
  std::vector<std::string> words = command.argv;
  std::vector<char*> argv = pointersTo(words);
  std::vector<std::string> entries(command.environment);
  for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
  std::vector<char*> env = pointersTo(entries);
  const std::string& program = command.program.empty() ? command.argv.at(0) : command.program;

  const passwd* account = command.user.empty() ? nullptr : ::getpwnam(command.user.c_str());
  if (!command.user.empty() && account == nullptr) return;
  int input = command.inputPath.empty() ? memoryFile(command.input) : -1;
  if (command.outputFd < 0 && command.outputPath.empty()) outCapture_ = memoryFile();
  if (command.errorPath.empty()) errCapture_ = memoryFile();
  const char* outputPath = command.outputFd >= 0 ? nullptr : pathOrNull(command.outputPath);
  const int output = command.outputFd >= 0 ? command.outputFd : outCapture_;
  pid_ = ::fork();
  if (pid_ == 0) {
    place(pathOrNull(command.inputPath), O_RDONLY, input, 0);
    place(outputPath, command.outputFlags, output, 1);
    place(pathOrNull(command.errorPath), O_WRONLY | O_CREAT | O_TRUNC, errCapture_, 2);
    if (command.fileSizeLimit > 0) {
      const auto limit = static_cast<rlim_t>(command.fileSizeLimit);
      struct rlimit size {limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &size);
      std::signal(SIGXFSZ, SIG_IGN);
    }
    if (account != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(account->pw_gid) != 0 ||
                               ::setuid(account->pw_uid) != 0)) {
      ::_exit(126);
    }
    ::execvpe(program.c_str(), argv.data(), env.data());
    ::_exit(127);
  }
  if (input >= 0) ::close(input);
  if (pid_ < 0) closeCaptures();
}

Process::Process(Process&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      outCapture_(std::exchange(other.outCapture_, -1)),
      errCapture_(std::exchange(other.errCapture_, -1)),
      timeout_(other.timeout_) {}

Process::~Process() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    waitStatus(pid_);
  }
  closeCaptures();
}

Finished Process::wait() {
  Finished finished;
  if (pid_ <= 0) return finished;
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  struct rusage usage {};
  pid_t done;
  do {
    const bool bounded = timeout_.count() > 0;
    done = ::wait4(pid_, &finished.waitStatus, bounded ? WNOHANG : 0, &usage);
    if (done == 0 && std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      finished.timedOut = true;
      timeout_ = std::chrono::milliseconds(0);
    } else if (done == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  } while (done == 0 || (done < 0 && errno == EINTR));
  pid_ = -1;
  if (WIFEXITED(finished.waitStatus)) finished.status = WEXITSTATUS(finished.waitStatus);
  if (WIFSIGNALED(finished.waitStatus)) finished.signal = WTERMSIG(finished.waitStatus);
  finished.maxResidentKiB = usage.ru_maxrss;
  finished.out = contentOf(outCapture_);
  finished.err = contentOf(errCapture_);
  closeCaptures();
  return finished;
}

void Process::closeCaptures() {
  for (int* fd : {&outCapture_, &errCapture_}) {
    if (*fd >= 0) ::close(std::exchange(*fd, -1));
  }
}

Finished run(const Command& command) { return Process(command).wait(); }

int waitStatus(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

std::vector<std::string> filesOpenIn(pid_t pid, const std::string& folder,
                                     std::vector<std::string>* entries) {
  std::vector<std::string> files;
  std::error_code error;
  const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
    std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (error || !target.starts_with(folder)) continue;
    files.push_back(target);
    if (entries != nullptr) entries->push_back(entry.path().string());
  }
  return files;
}

}  // namespace tvx::test
