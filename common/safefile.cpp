#include "common/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace tvx {

PrivateTemp::PrivateTemp(PrivateTemp&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)), path_(std::move(other.path_)) {
  other.path_.clear();
}

PrivateTemp& PrivateTemp::operator=(PrivateTemp&& other) noexcept {
  if (this != &other) {
    discard();
    stream_ = std::exchange(other.stream_, nullptr);
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

PrivateTemp::~PrivateTemp() { discard(); }

std::optional<PrivateTemp> PrivateTemp::create(const std::string& folder,
                                               const std::string& prefix) {
  std::string pattern = folder + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkstemp creates the file exclusively with mode 0600, so a planted link
  // or an existing file is never opened.
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  FILE* stream = ::fdopen(fd, "w+b");
  if (stream == nullptr) {
    ::close(fd);
    ::unlink(name.data());
    return std::nullopt;
  }
  PrivateTemp temp;
  temp.stream_ = stream;
  temp.path_ = name.data();
  return temp;
}

FILE* PrivateTemp::releaseStream() { return std::exchange(stream_, nullptr); }

bool PrivateTemp::commitReplacement(const std::string& target, const FileOwnership& owner) {
  if (stream_ == nullptr || path_.empty()) return false;
  int fd = ::fileno(stream_);
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  // Ownership first, then the mode: chown may clear set-id bits.
  ok = ok && (::fchown(fd, owner.uid, owner.gid) == 0 || ::geteuid() != 0);
  ok = ok && ::fchmod(fd, owner.mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = (std::fclose(std::exchange(stream_, nullptr)) == 0) && ok;
  ok = ok && ::rename(path_.c_str(), target.c_str()) == 0;
  if (!ok) {
    discard();
    return false;
  }
  path_.clear();
  // Make the rename itself durable.
  int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void PrivateTemp::discard() {
  if (stream_ != nullptr) std::fclose(std::exchange(stream_, nullptr));
  if (!path_.empty()) {
    ::unlink(path_.c_str());
    path_.clear();
  }
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace tvx
