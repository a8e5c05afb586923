// Runs the filter program as CUPS does: argument 0 is the queue name, the
// job comes on standard input (or as argument 6), and the printer data,
// the messages and the exit status are collected.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace tvx::test {

struct FilterCall {
  std::string queue = "Q";
  // Arguments 1 to 5 (job id, user, title, copies, options) and optionally 6.
  std::vector<std::string> arguments;
  std::string stdinPath = "/dev/null";
  std::string stdoutPath;
  // How stdoutPath is opened; O_APPEND keeps what the file holds.
  int stdoutFlags = O_WRONLY | O_CREAT | O_TRUNC;
  // A descriptor of the caller (a pipe or socket end) for standard output
  // instead of stdoutPath; -1: none.
  int stdoutFd = -1;
  std::string stderrPath;
  // "NAME=value" entries added to the inherited environment.
  std::vector<std::string> environment;
  // Largest file the filter may write (RLIMIT_FSIZE, SIGXFSZ ignored); 0: no limit.
  long fileSizeLimit = 0;
  // The user the filter runs as, with that user's group ("lp", as under
  // CUPS); empty: the caller's. Standard input and output are opened first.
  std::string user;
};

// Starts the program at `program` for `call`; returns its process id.
pid_t startFilter(const std::string& program, const FilterCall& call);

// Waits for `pid` and returns its wait status.
int waitFilter(pid_t pid);

// The files that process `pid` holds open in `folder` (with trailing
// slash), as /proc shows them: "/folder/name", or "/folder/#inode (deleted)"
// for a file without a name. Its /proc entries ("/proc/PID/fd/N") go into
// `entries` when given.
std::vector<std::string> filesOpenIn(pid_t pid, const std::string& folder,
                                     std::vector<std::string>* entries = nullptr);

}  // namespace tvx::test
