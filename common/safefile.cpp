#include "common/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

namespace tvx {

namespace {

// Tries for a free name before giving up; planted names only use some up.
constexpr int kNameTries = 1000;

// Opens an unnamed file in `folder`; -1 with errno set when that fails.
int openUnnamed(const std::string& folder) {
  return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// The file system has no unnamed files (EOPNOTSUPP), or the kernel predates
// them (EISDIR, EINVAL): a named temp file will do instead.
bool unnamedRefused(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Creates "<pattern>XXXXXX" exclusively; -1 when that fails.
int openNamed(const std::string& pattern, std::string& path) {
  std::vector<char> name(pattern.begin(), pattern.end());
  name.insert(name.end(), {'X', 'X', 'X', 'X', 'X', 'X', '\0'});
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) path = name.data();
  return fd;
}

// Six characters of mkstemp's alphabet.
std::string randomSuffix() {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix += alphabet[pick(random)];
  return suffix;
}

// Links the open file `fd` at `path`; never replaces or follows what is
// there. Without the privilege that AT_EMPTY_PATH needs, the link goes
// through the file's /proc entry.
bool linkFile(int fd, const std::string& path) {
  if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

constinit ReplacementObserver replacementObserver = nullptr;

PrivateTemp::PrivateTemp(PrivateTemp&& other) noexcept
    : stream_(std::move(other.stream_)),
      path_(std::exchange(other.path_, {})),
      pattern_(std::exchange(other.pattern_, {})) {}

PrivateTemp& PrivateTemp::operator=(PrivateTemp&& other) noexcept {
  if (this != &other) {
    discard();
    stream_ = std::move(other.stream_);
    path_ = std::exchange(other.path_, {});
    pattern_ = std::exchange(other.pattern_, {});
  }
  return *this;
}

PrivateTemp::~PrivateTemp() { discard(); }

std::optional<PrivateTemp> PrivateTemp::create(const std::string& folder,
                                               const std::string& prefix) {
  PrivateTemp temp;
  temp.pattern_ = folder + prefix;
  int fd = openUnnamed(folder);
  if (fd < 0 && unnamedRefused(errno)) fd = openNamed(temp.pattern_, temp.path_);
  if (fd < 0) return std::nullopt;
  temp.stream_.reset(::fdopen(fd, "w+b"));
  if (!temp.stream_) {
    ::close(fd);
    return std::nullopt;  // temp removes a named file
  }
  return temp;
}

// Gives the unnamed file a fresh name beside its target, so that a rename
// can put it in place; the name exists only until that rename.
bool PrivateTemp::linkUnnamed(int fd) {
  for (int tries = 0; tries < kNameTries; ++tries) {
    std::string name = pattern_ + randomSuffix();
    if (linkFile(fd, name)) {
      path_ = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool PrivateTemp::commitReplacement(const std::string& target, const FileOwnership& owner) {
  if (!stream_) return false;
  int fd = ::fileno(stream_.get());
  bool ok = std::fflush(stream_.get()) == 0 && !std::ferror(stream_.get());
  // Ownership first, then the mode: chown may clear set-id bits.
  ok = ok && (::fchown(fd, owner.uid, owner.gid) == 0 || ::geteuid() != 0);
  ok = ok && ::fchmod(fd, owner.mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = ok && (!path_.empty() || linkUnnamed(fd));
  ok = ok && ::rename(path_.c_str(), target.c_str()) == 0;
  if (!ok) {
    discard();
    return false;
  }
  path_.clear();
  // The data is synced: closing can no longer lose any of it.
  stream_.reset();
  // Make the rename itself durable.
  int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  if (replacementObserver != nullptr) replacementObserver(target);
  return true;
}

void PrivateTemp::discard() {
  stream_.reset();
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
