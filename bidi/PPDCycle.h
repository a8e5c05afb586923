// The PPD update cycle of bidiupdate, editPPD that runs one per update, and
// bidiupdate's variations of the stream primitives.
//
// A cycle reads the PPD of a queue and writes the new PPD into a private temp
// file in the PPD's own folder, through one window that starts empty; the
// temp file is renamed over the PPD only when it is complete, so the PPD is
// never seen half written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "common/drvlog.h"
#include "common/psstream.h"
#include "common/safefile.h"

// True when `queue` can name a PPD: not null, and tvx::isQueueName accepts it
// with at most kMaxPPDQueueName (236) characters. Other names never reach the
// file system.
bool isPPDQueueName(const char* queue);

// The whole PPD of `queue`, opened as a cycle opens it; nullopt when it
// cannot be opened or read.
std::optional<std::string> readPPDOfQueue(const char* queue);

// The name prefix of the PPD cycle's work files in the PPD folder
// ("TavorinexTempPPD.ps." and six characters).
inline constexpr const char* kPPDWorkFilePrefix = "TavorinexTempPPD.ps.";

namespace tvx::bidi {

// One PPD update of a queue. It owns the PPD stream it reads (never a link,
// a FIFO or a device: only a regular file is opened), the private temp file
// it writes, the old PPD's owner, group and mode, and the window that edits
// between the two streams. A cycle that goes without commit() removes its
// temp file and leaves the PPD as it was.
class PPDCycle {
 public:
  // Where the cycle's window keeps its streams.
  enum class Streams {
    kOwn,          // its own: cycles never share state
    kProcessWide,  // inputPSStream and tempPSStream, for the library's interface
  };

  // Opens the PPD of `queue` and a new temp file; see isOpen().
  explicit PPDCycle(const char* queue, Streams streams = Streams::kOwn);
  ~PPDCycle();
  PPDCycle(const PPDCycle&) = delete;
  PPDCycle& operator=(const PPDCycle&) = delete;

  // False when the queue name is bad or the PPD or the temp file could not
  // be opened; nothing is open then.
  bool isOpen() const { return next_.has_value(); }
  const std::string& queue() const { return queue_; }

  // Reads the PPD and writes the temp file; empty at the start.
  PSWindow& window() { return window_; }

  // The whole PPD, with the read position back at its start afterwards;
  // nullopt when the cycle is not open or the PPD cannot be read.
  std::optional<std::string> text();

  // Replaces the PPD with the temp file, giving it the old PPD's owner,
  // group and mode (written, synced, renamed). False when the cycle is not
  // open, the PPD could not be read to the end, or a write, sync or rename
  // failed; the PPD is then untouched. The cycle is closed either way.
  bool commit();

 private:
  // Closes the PPD stream and lets go of the temp file (removed unless
  // committed).
  void close();

  std::string queue_;
  // The PPD stream is the window's input, wherever the window keeps it, so
  // that the cycle closes the stream it reads at its end.
  PSWindow window_;
  std::optional<PrivateTemp> next_;
  std::optional<FileOwnership> owner_;
};

// True when `ppd` was read and `check` accepts it; logs a refusal.
template <typename Check>
bool ppdPasses(const std::optional<std::string>& ppd, Check check) {
  if (ppd && check(std::string_view(*ppd))) return true;
  LOGPRINTA(LOG_LIGHT, "The PPD cannot be updated; it stays as it is");
  return false;
}

// True when the PPD of `queue` can be read and `check` accepts its text.
template <typename Check>
bool queuePPDPasses(const char* queue, Check check) {
  return ppdPasses(readPPDOfQueue(queue), check);
}

// One PPD cycle on the PPD of `queue`: when `check` accepts the PPD's text,
// `edit` works on the cycle's window, the rest of the PPD follows its edits,
// and the result replaces the PPD. Returns kDone when it did; kFileFailed
// when a file failed to open, `check` refused the PPD (which is then left as
// it was) or the PPD could not be replaced.
template <typename Check, typename Edit>
UpdateStatus editPPD(const char* queue, Check check, Edit edit) {
  PPDCycle cycle(queue);
  if (!cycle.isOpen() || !ppdPasses(cycle.text(), check)) return UpdateStatus::kFileFailed;
  edit(cycle.window());
  cycle.window().copyRest();
  return cycle.commit() ? UpdateStatus::kDone : UpdateStatus::kFileFailed;
}

// The option of a "*Key Option..." entry at the front of `line` (the text
// after its first space, up to the line's end), copied into `option` (`size`
// bytes; empty when absent or too long). Logs "For <line> the identifier is
// <option>" at LOG_LIGHT.
void entryOption(const char* line, char* option, std::size_t size);

// The same for an array, whose size bounds the copy.
template <std::size_t N>
void entryOption(const char* line, char (&option)[N]) {
  entryOption(line, option, N);
}

// Logs "Fount the string <marker>" at LOG_LIGHT: what bidiupdate's copies
// up to a marker (PSWindow::copyUntilMarker) are told on a find.
void logMarkerFound(const char* marker);

}  // namespace tvx::bidi

// The library's interface to one PPD cycle at a time, on inputPSStream and
// tempPSStream: thin adapters over tvx::bidi::PPDCycle.

// Starts a PPD update for `queue`: opens its PPD as inputPSStream and a new
// private temp file as tempPSStream. An unfinished earlier cycle is abandoned
// first (its streams closed, its temp file removed). Returns 0 if both are
// open, 1 otherwise (bad queue name, PPD or temp file not openable, or the
// PPD is not a regular file: a link, a FIFO or a device is never opened).
int openTempFileAndPPDFile(const char* queue);

// The whole PPD of the open cycle; inputPSStream is back at its start
// afterwards. nullopt when no cycle is open or the PPD cannot be read.
std::optional<std::string> readOpenPPD();

// Ends the open cycle without touching the PPD: both streams are closed and
// the temp file is removed.
void abandonPPDUpdate();

// Ends the PPD update of `queue` (the queue the cycle was opened for):
// replaces its PPD with the temp file as PPDCycle::commit does. Returns 0 if
// the PPD was replaced, 1 otherwise; both streams are closed and the temp
// file is gone either way.
int updatePPDforPrinter(const char* queue);

// Replaces the PPD of `queue` with `text` as a cycle does (a private temp
// file renamed into place, with the old PPD's owner, group and mode), but
// only while the PPD still holds `expected`: a PPD that changed since it was
// read (or is no regular file) is left alone. Returns 0 when replaced, 1
// otherwise; the PPD is then untouched.
int replacePPDOfQueue(const char* queue, const std::string& expected, const std::string& text);

namespace tvx::bidi {

// copyUntilMarker with logMarkerFound on a caller's buffer and count and the
// process-wide streams. Returns 0 if found, 1 if the input ran out.
int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip);

// entryOption under the name of the library's interface. Returns 0.
int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size);

template <std::size_t N>
int getPageSizeIdentifier(const char* line, char (&identifier)[N]) {
  return getPageSizeIdentifier(line, identifier, N);
}

}  // namespace tvx::bidi
