#include "bidi/PPDCycle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <utility>

#include "common/drvlog.h"
#include "common/paths.h"
#include "common/queuename.h"
#include "common/uniquefile.h"

namespace {

std::string ppdPath(const char* queue) { return tvx::paths::ppdFolder() + queue + ".ppd"; }

// Opens the PPD of `queue` for reading when it is a regular file. The open
// neither follows a link nor waits on a FIFO, so no other file is read or
// replaced in its name. Stores its owner, group and mode in `owner`.
tvx::UniqueFile openRegularPPD(const char* queue, std::optional<tvx::FileOwnership>& owner) {
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
  return tvx::UniqueFile(stream);
}

// The rest of `stream`; nullopt on a read error.
std::optional<std::string> readRest(FILE* stream) {
  std::string text;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, stream)) > 0;) text.append(block, got);
  if (std::ferror(stream)) return std::nullopt;
  return text;
}

// The cycle of the library's interface, the one the process-wide streams
// belong to while it is open.
std::optional<tvx::bidi::PPDCycle>& interfaceCycle() {
  static std::optional<tvx::bidi::PPDCycle> cycle;
  return cycle;
}

// Ends the interface's cycle, and closes whatever else the process-wide
// streams still hold.
void abandonInterfaceCycle() {
  interfaceCycle().reset();
  for (FILE** stream : {&inputPSStream, &tempPSStream}) {
    if (*stream != nullptr) std::fclose(*stream);
    *stream = nullptr;
  }
}

tvx::PSWindow windowOn(tvx::bidi::PPDCycle::Streams streams) {
  if (streams == tvx::bidi::PPDCycle::Streams::kOwn) return tvx::PSWindow(nullptr, nullptr);
  return tvx::PSWindow();
}

}  // namespace

bool isPPDQueueName(const char* queue) {
  return queue != nullptr && tvx::isQueueName(queue, tvx::kMaxPPDQueueName);
}

namespace tvx::bidi {

PPDCycle::PPDCycle(const char* queue, Streams streams) : window_(windowOn(streams)) {
  tvx::UniqueFile ppd = openRegularPPD(queue, owner_);
  if (!ppd) return;
  next_ = PrivateTemp::create(paths::ppdFolder(), kPPDWorkFilePrefix);
  if (!next_) {
    owner_.reset();
    return;
  }
  queue_ = queue;
  window_.setInput(ppd.release());
  window_.setOutput(next_->stream());
}

PPDCycle::~PPDCycle() { close(); }

// A cycle that never opened leaves the streams alone: the process-wide ones
// may be another's.
void PPDCycle::close() {
  if (!isOpen()) return;
  if (window_.input() != nullptr) std::fclose(window_.input());
  window_.setInput(nullptr);
  window_.setOutput(nullptr);
  next_.reset();
  owner_.reset();
}

std::optional<std::string> PPDCycle::text() {
  FILE* ppd = window_.input();
  if (!isOpen() || ppd == nullptr || std::fseek(ppd, 0, SEEK_SET) != 0) return std::nullopt;
  std::optional<std::string> whole = readRest(ppd);
  if (std::fseek(ppd, 0, SEEK_SET) != 0) return std::nullopt;
  return whole;
}

bool PPDCycle::commit() {
  if (!isOpen()) return false;
  // A read error is not the end of the PPD: the copy would lose its tail.
  bool readWhole = window_.input() != nullptr && !std::ferror(window_.input());
  PrivateTemp next = std::move(*next_);
  FileOwnership owner = *owner_;
  close();
  return readWhole && next.commitReplacement(ppdPath(queue_.c_str()), owner);
}

void logMarkerFound(const char* marker) { LOGPRINTA(LOG_LIGHT, "Fount the string %s", marker); }

void entryOption(const char* line, char* option, std::size_t size) {
  copyIdentifier(line, 1, option, size);
  LOGPRINTA(LOG_LIGHT, "For %s the identifier is %s", line, size > 0 ? option : "");
}

int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip) {
  return copyUntilMarker(marker, window, count, skip, logMarkerFound);
}

int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size) {
  entryOption(line, identifier, size);
  return 0;
}

}  // namespace tvx::bidi

int openTempFileAndPPDFile(const char* queue) {
  abandonInterfaceCycle();
  std::optional<tvx::bidi::PPDCycle>& cycle = interfaceCycle();
  cycle.emplace(queue, tvx::bidi::PPDCycle::Streams::kProcessWide);
  if (cycle->isOpen()) return 0;
  cycle.reset();
  return 1;
}

std::optional<std::string> readOpenPPD() {
  std::optional<tvx::bidi::PPDCycle>& cycle = interfaceCycle();
  return cycle ? cycle->text() : std::nullopt;
}

void abandonPPDUpdate() { abandonInterfaceCycle(); }

int updatePPDforPrinter(const char* queue) {
  std::optional<tvx::bidi::PPDCycle>& cycle = interfaceCycle();
  bool replaced = cycle && isPPDQueueName(queue) && cycle->queue() == queue && cycle->commit();
  abandonInterfaceCycle();
  return replaced ? 0 : 1;
}

std::optional<std::string> readPPDOfQueue(const char* queue) {
  std::optional<tvx::FileOwnership> owner;
  tvx::UniqueFile stream = openRegularPPD(queue, owner);
  if (!stream) return std::nullopt;
  return readRest(stream.get());
}

int replacePPDOfQueue(const char* queue, const std::string& expected, const std::string& text) {
  std::optional<tvx::FileOwnership> owner;
  tvx::UniqueFile stream = openRegularPPD(queue, owner);
  if (!stream) return 1;
  std::optional<std::string> current = readRest(stream.get());
  stream.reset();
  if (current != expected || !owner) return 1;
  std::optional<tvx::PrivateTemp> next = tvx::PrivateTemp::create(tvx::paths::ppdFolder(), kPPDWorkFilePrefix);
  if (!next || std::fwrite(text.data(), 1, text.size(), next->stream()) != text.size()) return 1;
  return next->commitReplacement(ppdPath(queue), *owner) ? 0 : 1;
}
