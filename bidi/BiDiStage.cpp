#include "bidi/BiDiStage.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <ctime>
#include <fstream>
#include <string_view>
#include <utility>

#include "bidi/PPDCycle.h"
#include "common/drvlog.h"
#include "common/exitguard.h"
#include "common/paths.h"
#include "mediacatalog/mediacatalog.h"

namespace tvx::bidi {

namespace {

// A work file or stage folder this much older than now is no run's any more.
constexpr std::time_t kStaleAfterSeconds = 60;
// mkstemp's and mkdtemp's "XXXXXX".
constexpr std::size_t kRandomPart = 6;

// The whole content of the regular file `path` (a link is followed); nullopt
// when it is missing, no regular file, or cannot be read.
std::optional<std::string> readRegular(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    text.emplace();
    char block[65536];
    ssize_t got;
    while ((got = ::read(fd, block, sizeof block)) > 0) text->append(block, static_cast<size_t>(got));
    if (got < 0) text.reset();
  }
  ::close(fd);
  return text;
}

bool writeWhole(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

// True for `prefix` followed by exactly six letters or digits.
bool isWorkName(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + kRandomPart || !name.starts_with(prefix)) return false;
  for (char c : name.substr(prefix.size())) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

bool isStale(const struct stat& st) {
  return st.st_uid == ::geteuid() && std::time(nullptr) - st.st_mtime > kStaleAfterSeconds;
}

// Calls `visit(folderFd, name)` for each entry of `folder` whose name is a
// work name of `prefix`.
template <typename Visit>
void forEachWorkName(const std::string& folder, std::string_view prefix, Visit visit) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* listing = ::fdopendir(::dup(fd));
  if (listing != nullptr) {
    while (const dirent* entry = ::readdir(listing)) {
      if (isWorkName(entry->d_name, prefix)) visit(fd, entry->d_name);
    }
    ::closedir(listing);
  }
  ::close(fd);
}

// Stale work files of `prefix` in `folder`: regular files with one name.
void removeStaleFiles(const std::string& folder, std::string_view prefix) {
  forEachWorkName(folder, prefix, [&](int fd, const char* name) {
    struct stat st {};
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_nlink != 1 || !isStale(st)) {
      return;
    }
    if (::unlinkat(fd, name, 0) == 0) {
      LOGPRINTA(LOG_LIGHT, "Removed the stale work file %s%s", folder.c_str(), name);
    }
  });
}

// Stale stage folders in `folder`: the caller's, mode 0700, and not locked
// by a running stage.
void removeStaleStages(const std::string& folder) {
  forEachWorkName(folder, std::string(kStagePrefix) + ".", [&](int fd, const char* name) {
    struct stat st {};
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        (st.st_mode & 07777) != 0700 || !isStale(st)) {
      return;
    }
    int stage = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (stage < 0) return;
    if (::flock(stage, LOCK_EX | LOCK_NB) == 0 && tvx::exitguard::removeTreeAt(fd, name)) {
      LOGPRINTA(LOG_LIGHT, "Removed the stale stage folder %s%s", folder.c_str(), name);
    }
    ::close(stage);
  });
}

}  // namespace

Stage::Stage(std::string queue, std::string folder) : queue_(std::move(queue)), folder_(std::move(folder)) {}

std::unique_ptr<Stage> Stage::open(const char* queue, const std::string& prefix) {
  if (!isPPDQueueName(queue)) return nullptr;
  std::unique_ptr<Stage> stage;
  {
    // The folder is guarded from the moment it exists.
    tvx::exitguard::Deferred hold;
    std::string pattern = tvx::paths::tempFolder() + prefix + ".XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return nullptr;
    stage.reset(new Stage(queue, pattern));
    tvx::exitguard::guardFolder(stage->folder_);
  }
  stage->lock_ = ::open(stage->folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (stage->lock_ < 0 || ::flock(stage->lock_, LOCK_EX) != 0) return nullptr;
  for (const char* sub : {"/ppd", "/data", "/data/Tavorinex"}) {
    if (::mkdir((stage->folder_ + sub).c_str(), 0700) != 0) return nullptr;
  }
  stage->ppdBefore_ = readPPDOfQueue(queue);
  stage->catalogBefore_ = readRegular(tvx::catalog::catalogFile(queue));
  const std::string& name = stage->queue_;
  if (stage->ppdBefore_ && !writeWhole(stage->folder_ + "/ppd/" + name + ".ppd", *stage->ppdBefore_)) {
    return nullptr;
  }
  if (stage->catalogBefore_ &&
      !writeWhole(stage->folder_ + "/data/Tavorinex/" + name, *stage->catalogBefore_)) {
    return nullptr;
  }
  return stage;
}

Stage::~Stage() {
  tvx::exitguard::Deferred hold;
  tvx::exitguard::removeTree(folder_.c_str());
  tvx::exitguard::guardFolder("");
  if (lock_ >= 0) ::close(lock_);
}

void Stage::redirect() { tvx::paths::redirectQueueFiles(folder_); }

std::optional<std::string> Stage::ppdNow() const {
  return readRegular(folder_ + "/ppd/" + queue_ + ".ppd");
}

std::optional<std::string> Stage::catalogNow() const {
  return readRegular(folder_ + "/data/Tavorinex/" + queue_);
}

bool Stage::commit() {
  tvx::paths::redirectQueueFiles("");
  std::optional<std::string> ppd = ppdNow();
  std::optional<std::string> catalog = catalogNow();
  if (ppdBefore_ && ppd && ppd != ppdBefore_) {
    LOGPRINTA(LOG_LIGHT, "Replace the PPD of %s", queue_.c_str());
    if (replacePPDOfQueue(queue_.c_str(), *ppdBefore_, *ppd) != 0) return false;
  }
  if (catalog && catalog != catalogBefore_) {
    LOGPRINTA(LOG_LIGHT, "Replace the media catalog of %s", queue_.c_str());
    const std::string path = tvx::catalog::catalogFile(queue_.c_str());
    if (readRegular(path) != catalogBefore_) return false;
    if (!tvx::catalog::replaceCatalogFile(path, *catalog)) return false;
  }
  return true;
}

void removeStaleWorkFiles() {
  removeStaleFiles(tvx::paths::ppdFolder(), kPPDWorkFilePrefix);
  removeStaleFiles(tvx::catalog::catalogFolder(), tvx::catalog::kWorkFilePrefix);
  removeStaleStages(tvx::paths::tempFolder());
}

}  // namespace tvx::bidi
