#include "tests/filter/filterrun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

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
  ::execve(program.c_str(), args.data(), env.data());
  ::_exit(127);
}

int waitFilter(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace tvx::test
