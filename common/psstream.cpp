#include "common/psstream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

FILE* inputPSStream = nullptr;
FILE* tempPSStream = nullptr;

namespace {

// The line ends of a text, found in one forward pass: where the next line
// feed and the next carriage return lie is kept, and each is searched for
// again (with memchr) only once the scan has passed it, so every byte is
// looked at at most once per kind.
class LineEnds {
 public:
  explicit LineEnds(std::string_view text)
      : text_(text), lineFeed_(find('\n', 0)), carriageReturn_(find('\r', 0)) {}

  // The first line feed or carriage return at or after `at`, or npos.
  std::size_t next(std::size_t at) {
    if (lineFeed_ < at) lineFeed_ = find('\n', at);
    if (carriageReturn_ < at) carriageReturn_ = find('\r', at);
    return std::min(lineFeed_, carriageReturn_);
  }

 private:
  std::size_t find(char byte, std::size_t at) const {
    if (at >= text_.size()) return std::string_view::npos;
    const void* found = std::memchr(text_.data() + at, byte, text_.size() - at);
    return found == nullptr ? std::string_view::npos
                            : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
  }

  std::string_view text_;
  std::size_t lineFeed_;  // npos once none is left
  std::size_t carriageReturn_;
};

// Copies or drops the input until `locate` finds a marker among the held
// bytes; `report` runs once on a find. After a miss only the bytes that
// could still start a marker (the last `longest` - 1 of those searched) are
// searched again, which gives the same finds as searching the whole window.
}  // namespace

// One window's buffer and count with the streams it edits between: the
// engine under both the primitives and tvx::PSWindow.
struct tvx::detail::Editor {
  FILE* input;
  FILE* output;
  char* window;
  int* count;

  // The number of held bytes, pulled into the window's bounds.
  int held() const {
    *count = std::clamp(*count, 0, tvx::kPSWindowSize);
    return *count;
  }

  std::string_view text() const {
    return std::string_view(window, static_cast<std::size_t>(held()));
  }

  int fill() const {
    int bytes = held();
    window[bytes] = '\0';
    if (input == nullptr || std::feof(input) || std::ferror(input)) return 1;
    std::size_t room = static_cast<std::size_t>(tvx::kPSWindowSize - bytes);
    std::size_t got = std::fread(window + bytes, 1, room, input);
    *count = bytes + static_cast<int>(got);
    window[*count] = '\0';
    return got == 0 ? 1 : 0;
  }

  void take(int n, int skip) const {
    int bytes = held();
    int taken = std::clamp(n, 0, bytes);
    if (skip == 0 && taken > 0 && output != nullptr) {
      std::fwrite(window, 1, static_cast<std::size_t>(taken), output);
    }
    std::memmove(window, window + taken, static_cast<std::size_t>(bytes - taken));
    *count = bytes - taken;
    window[*count] = '\0';
  }

  void takeHeldLine(int skip) const {
    std::size_t lineFeed = text().find('\n');
    if (lineFeed != std::string_view::npos) take(static_cast<int>(lineFeed) + 1, skip);
  }

  int write(std::string_view bytes) const {
    if (output == nullptr) return 1;
    return std::fwrite(bytes.data(), 1, bytes.size(), output) == bytes.size() ? 0 : 1;
  }

  int copyUntilMarker(const char* marker, int skip, tvx::MarkerFound found) const {
    std::string_view text(marker);
    return copyUntil(
        skip, text.size(),
        [text](std::string_view held, std::size_t from) { return held.find(text, from); },
        [&] {
          if (found != nullptr) found(marker);
        });
  }

  // The window is searched for `marker1` and, only where it is absent, for
  // `marker2`.
  int copyUntilEitherMarker(const char* marker1, const char* marker2, int skip,
                            tvx::EitherMarkerFound found) const {
    std::string_view text1(marker1);
    std::string_view text2(marker2);
    auto locate = [text1, text2](std::string_view held, std::size_t from) {
      std::size_t at = held.find(text1, from);
      return at != std::string_view::npos ? at : held.find(text2, from);
    };
    return copyUntil(skip, std::max(text1.size(), text2.size()), locate, [&] {
      if (found != nullptr) found(marker1, marker2);
    });
  }

  // Copies or drops the input until `locate` finds a marker among the held
  // bytes; `report` runs once on a find. After a miss only the bytes that
  // could still start a marker (the last `longest` - 1 of those searched)
  // are searched again, which gives the same finds as searching the whole
  // window.
  template <typename Locate, typename Report>
  int copyUntil(int skip, std::size_t longest, Locate locate, Report report) const {
    std::size_t from = 0;
    for (;;) {
      fill();
      int bytes = held();
      if (bytes == 0) return 1;
      std::size_t at = locate(text(), from);
      if (at != std::string_view::npos) {
        report();
        take(static_cast<int>(at), skip);
        fill();
        return 0;
      }
      int flushed = std::min(bytes, tvx::kPSFlushStep);
      take(flushed, skip);
      std::size_t searched = static_cast<std::size_t>(bytes - flushed);
      from = searched >= longest ? searched - longest + 1 : 0;
    }
  }
};

namespace {

using tvx::detail::Editor;

}  // namespace

int getBufferFromInputPSStream(char* window, int* count) {
  return Editor{inputPSStream, tempPSStream, window, count}.fill();
}

int writeBufferToTempPSStream(char* window, int* count, int n, int skip) {
  Editor{inputPSStream, tempPSStream, window, count}.take(n, skip);
  return 0;
}

int writeLineFromBufferToTempPSStream(char* window, int* count, int skip) {
  Editor{inputPSStream, tempPSStream, window, count}.takeHeldLine(skip);
  return 0;
}

int writeLineToTempPSStream(const char* text) {
  return Editor{inputPSStream, tempPSStream, nullptr, nullptr}.write(text);
}

namespace tvx {

detail::Editor PSWindow::editor() { return {input(), output(), text_, &count_}; }

bool PSWindow::fill() { return editor().fill() == 0; }

void PSWindow::take(int n, int skip) { editor().take(n, skip); }

void PSWindow::takeHeldLine(int skip) { editor().takeHeldLine(skip); }

bool PSWindow::write(std::string_view text) { return editor().write(text) == 0; }

// Tops up before testing for bytes, so that an emptied window in the middle
// of the input does not end the copy early.
void PSWindow::copyRest() {
  for (;;) {
    fill();
    if (count_ <= 0) return;
    take(std::min(count_, kPSFlushStep), 0);
  }
}

void PSWindow::takeLine(int skip) {
  while (held().find('\n') == std::string_view::npos) {
    take(count_, skip);
    if (!fill()) return;
  }
  takeHeldLine(skip);
}

int PSWindow::copyUntilMarker(const char* marker, int skip, MarkerFound found) {
  return editor().copyUntilMarker(marker, skip, found);
}

int PSWindow::copyUntilEitherMarker(const char* marker1, const char* marker2, int skip,
                                    EitherMarkerFound found) {
  return editor().copyUntilEitherMarker(marker1, marker2, skip, found);
}

int PSWindow::copyUntilLine(const LineTest& test, int skip) {
  bool lineStart = true;
  for (;;) {
    fill();
    int held = count_;
    if (held == 0) return -1;
    // A window that is not full holds the whole rest of the input.
    bool more = held == kPSWindowSize;
    std::string_view text = this->held();
    LineEnds lineEnds(text);
    std::size_t at = 0;
    while (at < text.size()) {
      if (lineStart) {
        std::string_view start = text.substr(at, kLineStartView);
        // The line's start has to be seen whole: refill first.
        if (more && start.size() < static_cast<std::size_t>(kLineStartView) && at > 0) break;
        int stop = test(start);
        if (stop >= 0) {
          take(static_cast<int>(at), skip);
          fill();
          return stop;
        }
        lineStart = false;
      }
      std::size_t end = lineEnds.next(at);
      if (end == std::string_view::npos) {
        at = text.size();
      } else if (text[end] == '\r' && end + 1 == text.size() && more) {
        at = end;  // its line feed may follow after the refill
        break;
      } else {
        at = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        lineStart = true;
      }
    }
    take(static_cast<int>(at), skip);
  }
}

int copyUntilMarker(const char* marker, char* window, int* count, int skip, MarkerFound found) {
  return Editor{inputPSStream, tempPSStream, window, count}.copyUntilMarker(marker, skip, found);
}

int copyUntilEitherMarker(const char* marker1, const char* marker2, char* window, int* count,
                          int skip, EitherMarkerFound found) {
  return Editor{inputPSStream, tempPSStream, window, count}.copyUntilEitherMarker(
      marker1, marker2, skip, found);
}

bool copyIdentifier(const char* line, int spaces, char* identifier, std::size_t size) {
  if (size == 0) return false;
  identifier[0] = '\0';
  if (line[0] == '\0') return false;
  // Only the first line counts: the scan never runs into the next one.
  std::string_view rest(line + 1, std::strcspn(line + 1, "\r\n"));
  for (int seen = 0; seen < spaces; ++seen) {
    std::size_t space = rest.find(' ');
    if (space == std::string_view::npos) return false;
    rest.remove_prefix(space + 1);
  }
  if (rest.size() >= size) return false;
  std::memcpy(identifier, rest.data(), rest.size());
  identifier[rest.size()] = '\0';
  return true;
}

}  // namespace tvx
