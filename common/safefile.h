// Private temp files and atomic file replacement.
//
// Every temp file of the package is made by PrivateTemp::create, and every
// stored file (PPD, media catalog) is replaced by commitReplacement, so that
// a reader sees either the whole old file or the whole new one.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>

#include "common/uniquefile.h"

namespace tvx {

// Owner, group and mode that a replacement file is given.
struct FileOwnership {
  uid_t uid;
  gid_t gid;
  mode_t mode;
};

// A temp file of mode 0600 that only this process can reach. Where the file
// system allows it, the file has no name (O_TMPFILE), so a process killed
// while it writes leaves nothing behind; elsewhere it is named by mkstemp,
// which never opens an existing name or a link. Owns the stream; the file is
// gone after destruction unless it was committed.
class PrivateTemp {
 public:
  PrivateTemp() = default;
  PrivateTemp(PrivateTemp&& other) noexcept;
  PrivateTemp& operator=(PrivateTemp&& other) noexcept;
  PrivateTemp(const PrivateTemp&) = delete;
  PrivateTemp& operator=(const PrivateTemp&) = delete;
  ~PrivateTemp();

  // Creates a temp file in `folder` opened for writing and reading ("w+b"):
  // unnamed, or "<folder><prefix>XXXXXX" where the file system refuses
  // unnamed files. Returns an empty optional when the file cannot be created.
  static std::optional<PrivateTemp> create(const std::string& folder, const std::string& prefix);

  FILE* stream() const { return stream_.get(); }
  // The file's name; empty while the file has none.
  const std::string& path() const { return path_; }

  // Flushes and syncs the data, applies `owner`, gives an unnamed file a
  // fresh "<folder><prefix>XXXXXX" name, renames the file over `target`
  // (which must lie in the folder given to create), closes the stream and
  // syncs the folder. Returns false on any error, leaving `target`
  // untouched and the temp file gone.
  bool commitReplacement(const std::string& target, const FileOwnership& owner);

  // Closes the file and removes its name, if it has one, now.
  void discard();

 private:
  bool linkUnnamed(int fd);

  UniqueFile stream_;
  std::string path_;
  std::string pattern_;  // "<folder><prefix>" for the name given at commit
};

// Called with the target after each successful commitReplacement. Null in
// the shipped programs; a test build sets it to watch every state a stored
// file passes through.
using ReplacementObserver = void (*)(const std::string& target);
extern ReplacementObserver replacementObserver;

// The folder part of a path, with trailing slash ("./" when it has none).
std::string folderOf(const std::string& path);

}  // namespace tvx
