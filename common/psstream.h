// Stream editing primitives shared by bidiupdate and psfilter.
//
// A text is edited in one forward pass: bytes are read from an input stream
// into a window, and bytes that leave the front of the window are written to
// an output stream or, with `skip` != 0, dropped.
//
// The window is a char buffer of kPSWindowSize + 1 bytes and an int count of
// the bytes it holds. The held bytes sit at the front and a NUL always
// follows them, so the window can be read as a C string. Searches look at
// every held byte, NUL bytes included, and never beyond. A count outside
// 0..kPSWindowSize is treated as the nearest bound.
//
// tvx::PSWindow is such a window with its operations. The four primitives
// declared first are the same operations on a caller's buffer and count and
// on the process-wide streams inputPSStream and tempPSStream; they are the
// library's interface for callers that keep those. The programs edit on
// windows of their own streams, so that two edits never share state.
//
// Errors: a failed write leaves the error indicator of the output stream set
// and a failed read that of the input stream (see ferror). The operations
// keep their plain results; callers that must not report success after an
// error check the indicators. A null stream reads as empty input and writes
// nothing.
//
// The operations that differ between the programs are declared in
// bidi/PPDCycle.h (namespace tvx::bidi) and filter/Ostrel3Stream.h
// (namespace tvx::filter).
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

// Told which marker was found, before the bytes ahead of it leave the window.
using MarkerFound = void (*)(const char* marker);
using EitherMarkerFound = void (*)(const char* marker1, const char* marker2);

// Most bytes of a line's start, and of the lines after it, that a LineTest
// sees; markers tested at a line start are shorter.
constexpr int kLineStartView = 128;

// Looks at the text from a line's start on (kLineStartView bytes, fewer only
// at the end of the input) and returns a number >= 0 to stop there, or -1.
using LineTest = std::function<int(std::string_view start)>;

namespace detail {
struct Editor;
}

// A window of the primitives with its count, empty at the start, and the two
// streams it edits between: its own, or the process-wide inputPSStream and
// tempPSStream as they stand at each operation. Each edit (a job, a PPD
// update) has its own window, so edits on their own streams never share
// state.
class PSWindow {
 public:
  // A window on inputPSStream and tempPSStream.
  PSWindow() = default;
  // A window on its own streams; either may be null (see the primitives).
  PSWindow(FILE* input, FILE* output)
      : ownInput_(input), ownOutput_(output), input_(&ownInput_), output_(&ownOutput_) {}
  PSWindow(const PSWindow&) = delete;
  PSWindow& operator=(const PSWindow&) = delete;

  FILE* input() const { return *input_; }
  FILE* output() const { return *output_; }
  // Switches a window on its own streams to other streams; the held bytes stay.
  void setInput(FILE* input) { *input_ = input; }
  void setOutput(FILE* output) { *output_ = output; }

  std::string_view held() const { return {text_, static_cast<std::size_t>(count_)}; }
  int count() const { return count_; }
  // The held bytes followed by a NUL.
  const char* text() const { return text_; }

  // Tops the window up from the input; false when nothing could be read
  // (end of input, read error, full window).
  bool fill();
  // Takes the first n bytes (cut to 0..count) off the front: written, or
  // with `skip` dropped.
  void take(int n, int skip);
  // Takes the first line, its line feed included, off the front as take
  // does; without a line feed among the held bytes nothing changes.
  void takeHeldLine(int skip);
  // Takes the first line, its line feed included, off the front: written, or
  // with `skip` dropped. A line longer than the window goes whole, and so
  // does a last line without a line feed.
  void takeLine(int skip);
  // Writes `text` to the output; false unless every byte was accepted.
  bool write(std::string_view text);
  // Copies what the window holds and the rest of the input to the output,
  // at most kPSFlushStep bytes at a time; the window ends empty.
  void copyRest();

  // Writes (or, with `skip`, drops) the input up to the first occurrence of
  // `marker`, topping the window up as it goes and letting at most
  // kPSFlushStep bytes leave between two searches. On a find it calls
  // `found` (unless null), leaves the marker at the front of a topped-up
  // window and returns 0. When the input runs out first every byte has been
  // written or dropped, the window is empty and the result is 1.
  int copyUntilMarker(const char* marker, int skip, MarkerFound found = nullptr);
  // As copyUntilMarker with two markers: the window is searched for
  // `marker1` and, only where it is absent, for `marker2`.
  int copyUntilEitherMarker(const char* marker1, const char* marker2, int skip,
                            EitherMarkerFound found = nullptr);
  // Writes (or, with `skip`, drops) the input line by line until a line
  // whose start `test` stops at; the front of the window must be a line
  // start. Lines end at a line feed, a carriage return or both. Only the
  // start of a line is looked at, so a line of any length passes. On a stop
  // it leaves that line at the front of a topped-up window and returns
  // test's number. When the input runs out first every byte has been
  // written or dropped, the window is empty and the result is -1.
  int copyUntilLine(const LineTest& test, int skip);

 private:
  // The engine's view of this window's buffer, count and streams.
  detail::Editor editor();

  char text_[kPSWindowSize + 1] = {};
  int count_ = 0;
  FILE* ownInput_ = nullptr;
  FILE* ownOutput_ = nullptr;
  FILE** input_ = &inputPSStream;
  FILE** output_ = &tempPSStream;
};

// PSWindow::copyUntilMarker and copyUntilEitherMarker on a caller's buffer
// and count and the process-wide streams, as the four primitives work.
int copyUntilMarker(const char* marker, char* window, int* count, int skip, MarkerFound found);
int copyUntilEitherMarker(const char* marker1, const char* marker2, char* window, int* count,
                          int skip, EitherMarkerFound found);

// Copies into `identifier` (`size` bytes) the text that follows the
// `spaces`-th space of the first line of `line`, counting from its second
// character, up to the first NUL, carriage return or line feed. Returns true
// on success; `identifier` is left empty when the line holds fewer spaces or
// the text does not fit.
bool copyIdentifier(const char* line, int spaces, char* identifier, std::size_t size);

}  // namespace tvx
