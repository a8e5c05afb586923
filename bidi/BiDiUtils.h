// The PPD cycle of bidiupdate and its variations of the stream primitives.
//
// A PPD update runs openTempFileAndPPDFile, edits with the primitives of
// common/psstream.h and the two functions below on one window that starts
// empty, copies the rest of the input, and ends with updatePPDforPrinter.
// The new PPD is written to a private temp file in the PPD's own folder and
// renamed over the PPD only when it is complete, so the PPD is never seen
// half written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "common/psstream.h"

// True when `queue` can name a PPD: not null, and tvx::isQueueName accepts it
// with at most kMaxPPDQueueName (236) characters. Other names never reach the
// file system.
bool isPPDQueueName(const char* queue);

// Starts a PPD update for `queue`: opens its PPD as inputPSStream and a new
// private temp file as tempPSStream. An unfinished earlier cycle is abandoned
// first (its streams closed, its temp file removed). Returns 0 if both are
// open, 1 otherwise (bad queue name, PPD or temp file not openable, or the
// PPD is not a regular file: a link, a FIFO or a device is never opened).
int openTempFileAndPPDFile(const char* queue);

// The whole PPD of `queue`, opened as openTempFileAndPPDFile opens it;
// nullopt when it cannot be opened or read.
std::optional<std::string> readPPDOfQueue(const char* queue);

// The whole PPD of the open cycle; inputPSStream is back at its start
// afterwards. nullopt when no cycle is open or the PPD cannot be read.
std::optional<std::string> readOpenPPD();

// Ends the open cycle without touching the PPD: both streams are closed and
// the temp file is removed.
void abandonPPDUpdate();

// Replaces the PPD of `queue` with `text` as a cycle does (a private temp
// file renamed into place, with the old PPD's owner, group and mode), but
// only while the PPD still holds `expected`: a PPD that changed since it was
// read (or is no regular file) is left alone. Returns 0 when replaced, 1
// otherwise; the PPD is then untouched.
int replacePPDOfQueue(const char* queue, const std::string& expected, const std::string& text);

// The name prefix of the PPD cycle's work files in the PPD folder
// ("TavorinexTempPPD.ps." and six characters).
inline constexpr const char* kPPDWorkFilePrefix = "TavorinexTempPPD.ps.";

// Ends the PPD update: replaces the PPD of `queue` with the temp file, giving
// it the old PPD's owner, group and mode. Returns 0 if the PPD was replaced,
// 1 if no cycle is open, the PPD could not be read to the end, or a write,
// sync or rename failed; the PPD is then untouched. Both streams are closed
// and the temp file is gone either way.
int updatePPDforPrinter(const char* queue);

// bidiupdate's variants of the stream primitives.
namespace tvx::bidi {

// copyUntilMarker (common/psstream.h) that logs "Fount the string <marker>"
// at LOG_LIGHT on a find. Returns 0 if found, 1 if the input ran out.
int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip);
// The same on a window, from its input to its output.
int writeBufferToTempPSStreamUntilGivenString(const char* marker, PSWindow& window, int skip);

// Copies the text behind the first space of `line` into `identifier`
// (`size` bytes; empty when absent or too long) and logs
// "For <line> the identifier is <identifier>" at LOG_LIGHT. Returns 0.
int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size);

// The same for an identifier array, whose size bounds the copy.
template <std::size_t N>
int getPageSizeIdentifier(const char* line, char (&identifier)[N]) {
  return getPageSizeIdentifier(line, identifier, N);
}

}  // namespace tvx::bidi
