#include "common/drvlog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "common/paths.h"

// Per process: the control file switches the log on for the whole run, once.
bool gisLogEnabled = false;
short logLevel = -1;

namespace {

constexpr const char* kControlFile = "QZ5182R064Log.ini";
constexpr const char* kLogFile = "QZ5182R064Log.log";
constexpr size_t kMessageSize = 2048;

std::string logPath(const char* name) { return tvx::paths::logFolder() + name; }

// The files sit in a world-writable folder where any user may have put
// them first. They are never followed through a planted link, never block
// on or write into a planted FIFO or device, and count only when `trusted`
// accepts the opened file. The link count keeps out a hard link to some
// other file of a trusted owner.
int openTrusted(const std::string& path, int flags, bool (*trusted)(const struct stat&)) {
  int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
                  !trusted(st))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Only the administrator switches the log on: the control file is root's
// and nobody else may write it.
bool trustedControl(const struct stat& st) {
  return st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Lines, which may name users, titles and job options, go only into a file
// of root or of this process's user that not everyone may write (root:lp
// 0660 lets bidiupdate and the filter share it). A file the program creates
// is readable by its owner only.
bool trustedLog(const struct stat& st) {
  return (st.st_uid == 0 || st.st_uid == ::geteuid()) && (st.st_mode & S_IWOTH) == 0;
}

// Whether LOGPRINTA would write a line of `level` now.
bool writes(short level) { return gisLogEnabled && level <= logLevel; }

// The text of a printf-style detail, uncut; empty when no line of `level`
// would be written now, which saves formatting it.
std::string formatDetail(short level, const char* format, va_list args) {
  if (!writes(level)) return {};
  va_list measure;
  va_copy(measure, args);
  int size = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

int openLog() { return openTrusted(logPath(kLogFile), O_WRONLY | O_APPEND | O_CREAT, trustedLog); }

// Reads at most 79 characters of the control file's first line.
bool readControlLine(std::string& line) {
  int fd = openTrusted(logPath(kControlFile), O_RDONLY, trustedControl);
  if (fd < 0) return false;
  char buf[80];
  ssize_t got = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (got < 0) return false;
  std::string_view text(buf, static_cast<size_t>(got));
  if (size_t nl = text.find('\n'); nl != std::string_view::npos) text = text.substr(0, nl + 1);
  line.assign(text);
  return true;
}

void ensureLogFileExists() {
  int fd = openLog();
  if (fd >= 0) ::close(fd);
}

}  // namespace

void InitLog() {
  if (gisLogEnabled) return;
  std::string line;
  if (!readControlLine(line)) {
    gisLogEnabled = false;
    return;
  }
  gisLogEnabled = true;

  size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  std::string_view word = std::string_view(line).substr(eq + 1);
  size_t end = word.find('\r');
  if (end == std::string_view::npos) end = word.find('\n');
  if (end == std::string_view::npos) return;
  word = word.substr(0, end);

  if (word == "FULL") {
    logLevel = LOG_FULL;
  } else if (word == "LIGHT") {
    logLevel = LOG_LIGHT;
  } else {
    gisLogEnabled = false;
    return;
  }
  ensureLogFileExists();
}

void LOGPRINTA(short level, const char* fmt, ...) {
  if (!writes(level)) return;

  char message[kMessageSize];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(message, sizeof message, fmt, args);
  va_end(args);

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);

  char line[kMessageSize + 128];
  int len = std::snprintf(line, sizeof line, "PID%d_%s: %s\n", static_cast<int>(::getpid()), stamp,
                          message);
  if (len < 0) return;
  size_t size = std::min(static_cast<size_t>(len), sizeof line - 1);

  int fd = openLog();
  if (fd < 0) return;
  // One write per line keeps lines of concurrent processes whole.
  ssize_t written = ::write(fd, line, size);
  (void)written;
  ::close(fd);
}

int GetLastError() { return 0; }

namespace tvx::log {

Scope::Scope(const char* name, const ScopeForm& form) : name_(name), form_(form) {
  LOGPRINTA(form_.level, "%s%s%s", form_.beginPrefix, name_, form_.beginSuffix);
}

Scope::Scope(const char* name, const ScopeForm& form, const char* detail, ...)
    : name_(name), form_(form) {
  va_list args;
  va_start(args, detail);
  std::string text = formatDetail(form_.level, detail, args);
  va_end(args);
  LOGPRINTA(form_.level, "%s%s%s%s", form_.beginPrefix, name_, form_.beginSuffix, text.c_str());
}

Scope::~Scope() {
  LOGPRINTA(form_.level, "%s%s%s%s", form_.endPrefix, name_, form_.endSuffix, endDetail_.c_str());
}

void Scope::setEndDetail(const char* detail, ...) {
  va_list args;
  va_start(args, detail);
  endDetail_ = formatDetail(form_.level, detail, args);
  va_end(args);
}

}  // namespace tvx::log
