#include "tests/filter/filterrun.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace tvx::test {

namespace {

void redirect(const std::string& path, int flags, int target) {
  int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) ::_exit(126);
  ::dup2(fd, target);
  ::close(fd);
}

}  // namespace

pid_t startFilter(const std::string& program, const FilterCall& call) {
  std::vector<std::string> argv{call.queue};
  argv.insert(argv.end(), call.arguments.begin(), call.arguments.end());
  std::vector<char*> args;
  for (std::string& argument : argv) args.push_back(argument.data());
  args.push_back(nullptr);
  std::vector<std::string> envStrings(call.environment);
  for (char** entry = environ; *entry != nullptr; ++entry) envStrings.emplace_back(*entry);
  std::vector<char*> env;
  for (std::string& entry : envStrings) env.push_back(entry.data());
  env.push_back(nullptr);

  const passwd* account = call.user.empty() ? nullptr : ::getpwnam(call.user.c_str());
  if (!call.user.empty() && account == nullptr) return -1;
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  redirect(call.stdinPath, O_RDONLY, 0);
  if (call.stdoutFd >= 0) {
    ::dup2(call.stdoutFd, 1);
  } else {
    redirect(call.stdoutPath, call.stdoutFlags, 1);
  }
  redirect(call.stderrPath, O_WRONLY | O_CREAT | O_TRUNC, 2);
  if (call.fileSizeLimit > 0) {
    struct rlimit limit {static_cast<rlim_t>(call.fileSizeLimit), static_cast<rlim_t>(call.fileSizeLimit)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
  }
  if (account != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(account->pw_gid) != 0 ||
                             ::setuid(account->pw_uid) != 0)) {
    ::_exit(126);
  }
  ::execve(program.c_str(), args.data(), env.data());
  ::_exit(127);
}

int waitFilter(pid_t pid) {
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
