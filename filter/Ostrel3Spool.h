// The filter's private spool files.
//
// Each job is spooled to its own temp file (mode 0600, never through a link)
// in CUPS's TMPDIR, or in the package's temp folder when CUPS gives none.
// The file has no name, so nothing is left when the filter ends in any way,
// SIGKILL included. Where the file system refuses unnamed files it is a
// named one instead, removed when its owner goes away, and also when CUPS
// cancels the job with SIGTERM (or the job is interrupted with SIGINT or
// SIGHUP) before that.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "common/safefile.h"

namespace tvx::filter {

// The folder for spool files, with a trailing slash: $TMPDIR when it holds an
// absolute path, else tvx::paths::tempFolder().
std::string spoolFolder();

// A private temp file in spoolFolder(), open for writing and reading ("w+b").
// Gone on destruction and when a terminating signal ends the process.
class SpoolFile {
 public:
  // Creates an unnamed file, or "<spoolFolder()><prefix>XXXXXX" where the
  // file system refuses those; nullopt when that fails.
  static std::optional<SpoolFile> create(const char* prefix);

  SpoolFile(SpoolFile&& other) noexcept;
  SpoolFile& operator=(SpoolFile&& other) noexcept;
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;
  ~SpoolFile();

  FILE* stream() const { return temp_.stream(); }

 private:
  SpoolFile(PrivateTemp temp, int slot) : temp_(std::move(temp)), slot_(slot) {}
  void release();

  PrivateTemp temp_;
  int slot_ = -1;
};

}  // namespace tvx::filter
