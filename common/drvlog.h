// Optional diagnostic log shared by bidiupdate and psfilter.
//
// Logging is off until InitLog finds the control file "QZ5182R064Log.ini"
// naming a level ("FULL" or "LIGHT"); lines are then appended to
// "QZ5182R064Log.log" in the same folder as "PID<pid>_<time>: <message>".
// The folder is world-writable, so both files count only as the
// administrator made them: a control file that is a regular file of root
// writable by root alone, a log file that is a regular file of root or of
// the process's user and not writable by everyone (created with mode 0600
// when missing). Neither is opened through a link. Any other file: no log.
#pragma once

#include <string>

enum LOG_LEVELS : short { LOG_LIGHT = 0, LOG_FULL = 1 };

extern bool gisLogEnabled;
extern short logLevel;

// Reads the control file once it exists; later calls do nothing once logging is on.
void InitLog();

// Appends one formatted line when logging is on and `level` is not above the
// chosen level. Messages are cut at 2047 characters.
void LOGPRINTA(short level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Always 0; kept for the catalog's trace lines.
int GetLastError();

namespace tvx::log {

// How a traced function's pair of lines reads: the BEGIN line is
// beginPrefix, the name and beginSuffix; the END line likewise.
struct ScopeForm {
  short level;
  const char* beginPrefix;
  const char* beginSuffix;
  const char* endPrefix;
  const char* endSuffix;
};

// "<name>:BEGIN" and "<name>:END" at LOG_FULL: the pair of the printer library's functions.
inline constexpr ScopeForm kFunctionForm{LOG_FULL, "", ":BEGIN", "", ":END"};

// Writes the BEGIN line when made and the END line when it goes out of
// scope, so that every return of the function that holds it, early ones
// included, writes its END line. Each line is written (or not) by LOGPRINTA
// at the moment it is due. `name` must outlive the scope.
class Scope {
 public:
  explicit Scope(const char* name, const ScopeForm& form = kFunctionForm);
  // The BEGIN line carries `detail` (printf-style: the traced call's
  // arguments) after the form's text.
  Scope(const char* name, const ScopeForm& form, const char* detail, ...)
      __attribute__((format(printf, 4, 5)));
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

  // The END line will carry `detail` (printf-style: what the function
  // returns) after the form's text; by default it carries none. Called just
  // before a return: the detail is formatted at once, and only while a line
  // of the form's level would be written.
  void setEndDetail(const char* detail, ...) __attribute__((format(printf, 2, 3)));

 private:
  const char* name_;
  ScopeForm form_;
  std::string endDetail_;
};

}  // namespace tvx::log
