#include "bidi/BiDiUtils.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/drvlog.h"
#include "common/paths.h"
#include "common/safefile.h"

namespace {

// The PPD path had a 255-byte buffer: folder, name, ".ppd" and the NUL.
constexpr std::size_t kMaxQueueName = 236;
constexpr const char* kTempPrefix = "TavorinexTempPPD.ps.";

// The new PPD of the open cycle; owns tempPSStream while it exists. Removed
// at exit if the cycle never ends.
std::optional<tvx::PrivateTemp> pendingPPD;

std::string ppdPath(const char* queue) { return tvx::paths::ppdFolder() + queue + ".ppd"; }

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
}

void logMarkerFound(const char* marker) { LOGPRINTA(LOG_LIGHT, "Fount the string %s", marker); }

}  // namespace

bool isPPDQueueName(const char* queue) {
  if (queue == nullptr) return false;
  std::string_view name(queue);
  return !name.empty() && name.size() <= kMaxQueueName && name.find('/') == std::string_view::npos;
}

int openTempFileAndPPDFile(const char* queue) {
  abandonCycle();
  if (!isPPDQueueName(queue)) return 1;
  inputPSStream = std::fopen(ppdPath(queue).c_str(), "rbe");
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
  if (!next || !readWhole || !isPPDQueueName(queue)) return 1;
  std::string target = ppdPath(queue);
  std::optional<tvx::FileOwnership> owner = tvx::ownershipOf(target);
  if (!owner) return 1;
  return next->commitReplacement(target, *owner) ? 0 : 1;
}

int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip) {
  return tvx::copyUntilMarker(marker, window, count, skip, logMarkerFound);
}

int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size) {
  tvx::copyIdentifier(line, 1, identifier, size);
  LOGPRINTA(LOG_LIGHT, "For %s the identifier is %s", line, size > 0 ? identifier : "");
  return 0;
}
