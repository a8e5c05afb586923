#include "bidi/BiDiUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <utility>

#include "common/drvlog.h"
#include "common/paths.h"
#include "common/queuename.h"
#include "common/safefile.h"

namespace {

constexpr const char* kTempPrefix = kPPDWorkFilePrefix;

// The new PPD of the open cycle; owns tempPSStream while it exists. Removed
// at exit if the cycle never ends.
std::optional<tvx::PrivateTemp> pendingPPD;
// Owner, group and mode of the PPD the open cycle reads, which the new PPD gets.
std::optional<tvx::FileOwnership> pendingOwner;

std::string ppdPath(const char* queue) { return tvx::paths::ppdFolder() + queue + ".ppd"; }

// Opens the PPD of `queue` for reading when it is a regular file. The open
// neither follows a link nor waits on a FIFO, so no other file is read or
// replaced in its name. Stores its owner, group and mode in `owner`.
FILE* openRegularPPD(const char* queue, std::optional<tvx::FileOwnership>& owner) {
  if (!isPPDQueueName(queue)) return nullptr;
  int fd = ::open(ppdPath(queue).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  FILE* stream = nullptr;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) stream = ::fdopen(fd, "rb");
  if (stream == nullptr) {
    ::close(fd);
    return nullptr;
  }
  owner = tvx::FileOwnership{st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 07777)};
  return stream;
}

// The rest of `stream`; nullopt on a read error.
std::optional<std::string> readRest(FILE* stream) {
  std::string text;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, stream)) > 0;) text.append(block, got);
  if (std::ferror(stream)) return std::nullopt;
  return text;
}

void closeInput() {
  if (inputPSStream != nullptr) std::fclose(inputPSStream);
  inputPSStream = nullptr;
}

// Closes the streams of an unfinished cycle and removes its temp file.
void abandonCycle() {
  closeInput();
  if (!pendingPPD && tempPSStream != nullptr) std::fclose(tempPSStream);
  tempPSStream = nullptr;
  pendingPPD.reset();
  pendingOwner.reset();
}

void logMarkerFound(const char* marker) { LOGPRINTA(LOG_LIGHT, "Fount the string %s", marker); }

}  // namespace

bool isPPDQueueName(const char* queue) {
  return queue != nullptr && tvx::isQueueName(queue, tvx::kMaxPPDQueueName);
}

int openTempFileAndPPDFile(const char* queue) {
  abandonCycle();
  inputPSStream = openRegularPPD(queue, pendingOwner);
  if (inputPSStream == nullptr) return 1;
  pendingPPD = tvx::PrivateTemp::create(tvx::paths::ppdFolder(), kTempPrefix);
  if (!pendingPPD) return 1;
  tempPSStream = pendingPPD->stream();
  return 0;
}

int updatePPDforPrinter(const char* queue) {
  // A read error is not the end of the PPD: the copy would lose its tail.
  bool readWhole = inputPSStream != nullptr && !std::ferror(inputPSStream);
  closeInput();
  tempPSStream = nullptr;
  std::optional<tvx::PrivateTemp> next = std::exchange(pendingPPD, std::nullopt);
  std::optional<tvx::FileOwnership> owner = std::exchange(pendingOwner, std::nullopt);
  if (!next || !owner || !readWhole || !isPPDQueueName(queue)) return 1;
  return next->commitReplacement(ppdPath(queue), *owner) ? 0 : 1;
}

std::optional<std::string> readPPDOfQueue(const char* queue) {
  std::optional<tvx::FileOwnership> owner;
  FILE* stream = openRegularPPD(queue, owner);
  if (stream == nullptr) return std::nullopt;
  std::optional<std::string> text = readRest(stream);
  std::fclose(stream);
  return text;
}

std::optional<std::string> readOpenPPD() {
  if (inputPSStream == nullptr || std::fseek(inputPSStream, 0, SEEK_SET) != 0) return std::nullopt;
  std::optional<std::string> text = readRest(inputPSStream);
  if (std::fseek(inputPSStream, 0, SEEK_SET) != 0) return std::nullopt;
  return text;
}

void abandonPPDUpdate() { abandonCycle(); }

int replacePPDOfQueue(const char* queue, const std::string& expected, const std::string& text) {
  std::optional<tvx::FileOwnership> owner;
  FILE* stream = openRegularPPD(queue, owner);
  if (stream == nullptr) return 1;
  std::optional<std::string> current = readRest(stream);
  std::fclose(stream);
  if (current != expected || !owner) return 1;
  std::optional<tvx::PrivateTemp> next = tvx::PrivateTemp::create(tvx::paths::ppdFolder(), kTempPrefix);
  if (!next || std::fwrite(text.data(), 1, text.size(), next->stream()) != text.size()) return 1;
  return next->commitReplacement(ppdPath(queue), *owner) ? 0 : 1;
}

namespace tvx::bidi {

int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip) {
  return copyUntilMarker(marker, window, count, skip, logMarkerFound);
}

int writeBufferToTempPSStreamUntilGivenString(const char* marker, PSWindow& window, int skip) {
  return window.copyUntilMarker(marker, skip, logMarkerFound);
}

int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size) {
  copyIdentifier(line, 1, identifier, size);
  LOGPRINTA(LOG_LIGHT, "For %s the identifier is %s", line, size > 0 ? identifier : "");
  return 0;
}

}  // namespace tvx::bidi
