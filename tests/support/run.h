// Runs a program as a child process, the one way every suite does:
//
//   Finished done = run({.argv = {BIDIUPDATE_PATH, "-M", "Q", host}});
//   EXPECT_EQ(done.status, 10) << done.err;
//
// Standard input comes from a file or from bytes given; standard output and
// error go to files or to descriptors of the caller, or are captured. A
// `Process` owns its child: one not waited for is killed and reaped when the
// object goes, so a failed assertion never leaves a program running. A
// filter runs as CUPS runs it:
//
//   Process filter({.argv = {"Q", "42", "alice", "Title", "1", ""},
//                   .program = PSFILTER_PROGRAM, .inputPath = job});
//   EXPECT_EQ(filter.wait().status, 0);
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tvx::test {

struct Command {
  // The program (found on PATH unless it holds a "/") and its arguments;
  // argv[0] is what the program sees as its name.
  std::vector<std::string> argv{};
  // Where to find the program when argv[0] is not its path; empty: argv[0].
  std::string program{};
  // "NAME=value" entries put before the inherited environment, so that they win.
  std::vector<std::string> environment{};
  // Standard input: the file `inputPath`, or else the bytes `input`.
  std::string inputPath{};
  std::string input{};
  // Standard output: the descriptor `outputFd` of the caller (a pipe or
  // socket end), else the file `outputPath` opened with `outputFlags`, else
  // captured into Finished::out.
  int outputFd = -1;
  std::string outputPath{};
  int outputFlags = O_WRONLY | O_CREAT | O_TRUNC;
  // Standard error: the file `errorPath`, else captured into Finished::err.
  std::string errorPath{};
  // Largest file the program may write (RLIMIT_FSIZE, SIGXFSZ ignored); 0: no limit.
  long fileSizeLimit = 0;
  // The user the program runs as, with that user's group and no others;
  // empty: the caller's. Standard input and output are opened first.
  std::string user{};
  // How long the program may run before it is killed; zero: no limit.
  std::chrono::milliseconds timeout{0};
};

// How a program ended.
struct Finished {
  int status = -1;           // exit status, or -1 when it did not exit
  int signal = 0;            // the signal that ended it, or 0
  bool timedOut = false;     // killed because its time-out passed
  std::string out;           // captured standard output
  std::string err;           // captured standard error
  long maxResidentKiB = 0;   // the largest resident size it reached
  int waitStatus = 0;        // the raw wait status
};

class Process {
 public:
  // Starts `command`; started() is false when it could not (no such user,
  // no fork). A program that cannot be run exits with status 127.
  explicit Process(const Command& command);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // The child and its captures go with the object moved from.
  Process(Process&& other) noexcept;
  Process& operator=(Process&&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Waits for the program (killing it once its time-out passed) and
  // collects what it left.
  Finished wait();

 private:
  void closeCaptures();

  pid_t pid_ = -1;
  int outCapture_ = -1;
  int errCapture_ = -1;
  std::chrono::milliseconds timeout_{0};
};

// Runs `command` to its end.
Finished run(const Command& command);

// Waits for `pid` and returns its raw wait status.
int waitStatus(pid_t pid);

// The files that process `pid` holds open in `folder` (with trailing
// slash), as /proc shows them: "/folder/name", or "/folder/#inode (deleted)"
// for a file without a name. Its /proc entries ("/proc/PID/fd/N") go into
// `entries` when given.
std::vector<std::string> filesOpenIn(pid_t pid, const std::string& folder,
                                     std::vector<std::string>* entries = nullptr);

}  // namespace tvx::test
