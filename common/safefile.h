// Private temp files and atomic file replacement.
//
// Every temp file of the package is made by createPrivateTemp, and every
// stored file (PPD, media catalog) is replaced by commitReplacement, so that
// a reader sees either the whole old file or the whole new one.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>

namespace tvx {

// Owner, group and mode that a replacement file is given.
struct FileOwnership {
  uid_t uid;
  gid_t gid;
  mode_t mode;
};

// A temp file created with mkstemp (mode 0600, never through a link).
// Owns the stream; the file is removed on destruction unless it was committed.
class PrivateTemp {
 public:
  PrivateTemp() = default;
  PrivateTemp(PrivateTemp&& other) noexcept;
  PrivateTemp& operator=(PrivateTemp&& other) noexcept;
  PrivateTemp(const PrivateTemp&) = delete;
  PrivateTemp& operator=(const PrivateTemp&) = delete;
  ~PrivateTemp();

  // Creates "<folder><prefix>XXXXXX" opened for writing ("w+b").
  // Returns an empty optional when the file cannot be created.
  static std::optional<PrivateTemp> create(const std::string& folder, const std::string& prefix);

  FILE* stream() const { return stream_; }
  const std::string& path() const { return path_; }

  // Hands the stream to the caller, who then closes it; the file is still
  // removed on destruction unless committed.
  FILE* releaseStream();

  // Flushes and syncs the data, applies `owner`, closes the stream and renames
  // the file over `target`, then syncs the folder. Returns false on any
  // error, leaving `target` untouched and the temp file removed.
  bool commitReplacement(const std::string& target, const FileOwnership& owner);

  // Closes and removes the file now.
  void discard();

 private:
  FILE* stream_ = nullptr;
  std::string path_;
};

// The folder part of a path, with trailing slash ("./" when it has none).
std::string folderOf(const std::string& path);

}  // namespace tvx
