// Stream editing primitives shared by bidiupdate and psfilter.
//
// A text is edited in one forward pass: bytes are read from inputPSStream
// into a window owned by the caller, and bytes that leave the front of the
// window are written to tempPSStream or, with `skip` != 0, dropped.
//
// The window is a char buffer of kPSWindowSize + 1 bytes and an int count of
// the bytes it holds. The held bytes sit at the front and a NUL always
// follows them, so the window can be read as a C string. Searches look at
// every held byte, NUL bytes included, and never beyond. A count outside
// 0..kPSWindowSize is treated as the nearest bound.
//
// Errors: a failed write leaves the error indicator of tempPSStream set and a
// failed read that of inputPSStream (see ferror). The operations keep their
// plain results; callers that must not report success after an error check
// the indicators. A null stream reads as empty input and writes nothing.
//
// The operations that differ between the programs are declared in
// bidi/BiDiUtils.h (namespace tvx::bidi) and filter/Ostrel3Stream.h
// (namespace tvx::filter), on top of the engine functions of namespace tvx
// below.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string_view>

// The stream being read and the stream being written; process-wide, owned by
// the program part that opens them.
extern FILE* inputPSStream;
extern FILE* tempPSStream;

namespace tvx {

// Most bytes a window holds; its buffer needs one more for the NUL.
constexpr int kPSWindowSize = 2048;
// Most bytes that leave the window between two searches for a marker.
constexpr int kPSFlushStep = 1024;

}  // namespace tvx

// Appends up to kPSWindowSize - count bytes of inputPSStream to the window.
// Returns 0 if bytes were added, 1 if nothing could be read (end of input,
// read error, full window).
int getBufferFromInputPSStream(char* window, int* count);

// Takes the first n bytes (n cut to 0..count) off the front of the window and
// writes them to tempPSStream unless `skip`. Returns 0.
int writeBufferToTempPSStream(char* window, int* count, int n, int skip);

// Takes the first line, its line feed included, off the front of the window
// as writeBufferToTempPSStream does; without a line feed among the held bytes
// the window is left as it is. Returns 0.
int writeLineFromBufferToTempPSStream(char* window, int* count, int skip);

// Writes the NUL-terminated `text` (not null) to tempPSStream. Returns 0 if
// every byte was accepted, 1 otherwise.
int writeLineToTempPSStream(const char* text);

namespace tvx {

// A window of the primitives with its count, empty at the start. Its
// operations run on inputPSStream and tempPSStream as the primitives do.
struct PSWindow {
  char text[kPSWindowSize + 1] = {};
  int count = 0;

  std::string_view held() const { return {text, static_cast<std::size_t>(count)}; }

  // Copies what the window holds and the rest of the input to the output,
  // at most kPSFlushStep bytes at a time; the window ends empty.
  void copyRest();

  // Takes the first line, its line feed included, off the front: written, or
  // with `skip` dropped. A line longer than the window goes whole, and so
  // does a last line without a line feed.
  void takeLine(int skip);
};

// Told which marker was found, before the bytes ahead of it leave the window.
using MarkerFound = void (*)(const char* marker);
using EitherMarkerFound = void (*)(const char* marker1, const char* marker2);

// Writes (or, with `skip`, drops) the input up to the first occurrence of
// `marker`, topping the window up as it goes and letting at most
// kPSFlushStep bytes leave between two searches. On a find it calls `found`
// (unless null), leaves the marker at the front of a topped-up window and
// returns 0. When the input runs out first every byte has been written or
// dropped, the window is empty and the result is 1.
int copyUntilMarker(const char* marker, char* window, int* count, int skip, MarkerFound found);

// As copyUntilMarker with two markers: the window is searched for `marker1`
// and, only where it is absent, for `marker2`.
int copyUntilEitherMarker(const char* marker1, const char* marker2, char* window, int* count,
                          int skip, EitherMarkerFound found);

// Most bytes of a line's start, and of the lines after it, that a LineTest
// sees; markers tested at a line start are shorter.
constexpr int kLineStartView = 128;

// Looks at the text from a line's start on (kLineStartView bytes, fewer only
// at the end of the input) and returns a number >= 0 to stop there, or -1.
using LineTest = std::function<int(std::string_view start)>;

// Writes (or, with `skip`, drops) the input line by line until a line whose
// start `test` stops at; the front of the window must be a line start. Lines
// end at a line feed, a carriage return or both. Only the start of a line
// is looked at, so a line of any length passes. On a stop it leaves that
// line at the front of a topped-up window and returns test's number. When
// the input runs out first every byte has been written or dropped, the
// window is empty and the result is -1.
int copyUntilLine(const LineTest& test, char* window, int* count, int skip);

// Copies into `identifier` (`size` bytes) the text that follows the
// `spaces`-th space of the first line of `line`, counting from its second
// character, up to the first NUL, carriage return or line feed. Returns true
// on success; `identifier` is left empty when the line holds fewer spaces or
// the text does not fit.
bool copyIdentifier(const char* line, int spaces, char* identifier, std::size_t size);

}  // namespace tvx
