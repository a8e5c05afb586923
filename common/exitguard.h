// How bidiupdate and tavorinex-query end when they are told to stop or run
// out of time, without leaving their private folder behind.
//
//   tvx::exitguard::install();                       // SIGINT, SIGTERM, SIGHUP
//   tvx::exitguard::startTimeLimit(600, 12, "...");  // SIGALRM after 600 s
//   tvx::exitguard::guardFolder(stage);              // removed on either
//   ...                                              // the printer's part
//   tvx::exitguard::Deferred hold;                   // no signal acts from here
//   if (!tvx::exitguard::stopTimeLimit()) return 12; // past the limit
//   ...                                              // replace the files
//
// A signal of the three removes the guarded folder and ends the process by
// that same signal (a shell sees "killed by SIGTERM"); a signal that was
// ignored when the program started stays ignored (nohup). When the time
// limit passes, the guarded folder is removed, the message (if any) goes to
// standard error and the process exits with the given status. The handlers
// use only calls that are safe in a signal handler.
#pragma once

#include <signal.h>

#include <string>

namespace tvx::exitguard {

// Installs the handlers of SIGINT, SIGTERM, SIGHUP and SIGALRM. Harmless
// when called again.
void install();

// The folder the handlers remove (with everything in it, never following a
// link); an empty path names none. At most 4095 bytes.
void guardFolder(const std::string& folder);

// Arms the time limit: `seconds` from now the guarded folder is removed,
// `message` is written to standard error and the process exits with
// `status`. Replaces a limit armed before. install() must have run.
void startTimeLimit(unsigned seconds, int status, const std::string& message);

// Disarms the time limit. Returns true when it had not passed, false when it
// had: its signal is then discarded and its message written, and the caller
// ends the run itself with the limit's status.
// Called with the signals deferred (Deferred), so that nothing between the
// check and what the caller does next can stop the process.
bool stopTimeLimit();

// Defers SIGINT, SIGTERM, SIGHUP and SIGALRM while it lives: one that
// arrives meanwhile acts when the object goes (the previous mask comes back).
class Deferred {
 public:
  Deferred();
  ~Deferred();
  Deferred(const Deferred&) = delete;
  Deferred& operator=(const Deferred&) = delete;

 private:
  sigset_t previous_;
};

// Removes `name` in the folder open as `parent` (or AT_FDCWD), and, when it
// is a folder, everything in it, to a depth of 16. Never follows a symbolic
// link: a link is removed, not what it points to. Uses only calls that are
// safe in a signal handler. Returns true when nothing of it is left.
bool removeTreeAt(int parent, const char* name) noexcept;

// removeTreeAt(AT_FDCWD, path).
bool removeTree(const char* path) noexcept;

}  // namespace tvx::exitguard
