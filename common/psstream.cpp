#include "common/psstream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

FILE* inputPSStream = nullptr;
FILE* tempPSStream = nullptr;

namespace {

// The number of held bytes, pulled into the window's bounds.
int heldBytes(int* count) {
  *count = std::clamp(*count, 0, tvx::kPSWindowSize);
  return *count;
}

std::string_view heldText(const char* window, int held) {
  return std::string_view(window, static_cast<std::size_t>(held));
}

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
template <typename Locate, typename Report>
int copyUntil(char* window, int* count, int skip, std::size_t longest, Locate locate,
              Report report) {
  std::size_t from = 0;
  for (;;) {
    getBufferFromInputPSStream(window, count);
    int held = heldBytes(count);
    if (held == 0) return 1;
    std::size_t at = locate(heldText(window, held), from);
    if (at != std::string_view::npos) {
      report();
      writeBufferToTempPSStream(window, count, static_cast<int>(at), skip);
      getBufferFromInputPSStream(window, count);
      return 0;
    }
    int flushed = std::min(held, tvx::kPSFlushStep);
    writeBufferToTempPSStream(window, count, flushed, skip);
    std::size_t searched = static_cast<std::size_t>(held - flushed);
    from = searched >= longest ? searched - longest + 1 : 0;
  }
}

}  // namespace

int getBufferFromInputPSStream(char* window, int* count) {
  int held = heldBytes(count);
  window[held] = '\0';
  if (inputPSStream == nullptr || std::feof(inputPSStream) || std::ferror(inputPSStream)) return 1;
  std::size_t room = static_cast<std::size_t>(tvx::kPSWindowSize - held);
  std::size_t got = std::fread(window + held, 1, room, inputPSStream);
  *count = held + static_cast<int>(got);
  window[*count] = '\0';
  return got == 0 ? 1 : 0;
}

int writeBufferToTempPSStream(char* window, int* count, int n, int skip) {
  int held = heldBytes(count);
  int take = std::clamp(n, 0, held);
  if (skip == 0 && take > 0 && tempPSStream != nullptr) {
    std::fwrite(window, 1, static_cast<std::size_t>(take), tempPSStream);
  }
  std::memmove(window, window + take, static_cast<std::size_t>(held - take));
  *count = held - take;
  window[*count] = '\0';
  return 0;
}

int writeLineFromBufferToTempPSStream(char* window, int* count, int skip) {
  int held = heldBytes(count);
  std::size_t lineFeed = heldText(window, held).find('\n');
  if (lineFeed == std::string_view::npos) return 0;
  return writeBufferToTempPSStream(window, count, static_cast<int>(lineFeed) + 1, skip);
}

int writeLineToTempPSStream(const char* text) {
  if (tempPSStream == nullptr) return 1;
  std::size_t length = std::strlen(text);
  return std::fwrite(text, 1, length, tempPSStream) == length ? 0 : 1;
}

namespace tvx {

// Tops up before testing for bytes, so that an emptied window in the middle
// of the input does not end the copy early.
void PSWindow::copyRest() {
  for (;;) {
    getBufferFromInputPSStream(text, &count);
    if (count <= 0) return;
    writeBufferToTempPSStream(text, &count, std::min(count, kPSFlushStep), 0);
  }
}

void PSWindow::takeLine(int skip) {
  while (heldText(text, heldBytes(&count)).find('\n') == std::string_view::npos) {
    writeBufferToTempPSStream(text, &count, count, skip);
    if (getBufferFromInputPSStream(text, &count) != 0) return;
  }
  writeLineFromBufferToTempPSStream(text, &count, skip);
}

int copyUntilMarker(const char* marker, char* window, int* count, int skip, MarkerFound found) {
  std::string_view text(marker);
  return copyUntil(
      window, count, skip, text.size(),
      [text](std::string_view held, std::size_t from) { return held.find(text, from); },
      [&] {
        if (found != nullptr) found(marker);
      });
}

int copyUntilEitherMarker(const char* marker1, const char* marker2, char* window, int* count,
                          int skip, EitherMarkerFound found) {
  std::string_view text1(marker1);
  std::string_view text2(marker2);
  auto locate = [text1, text2](std::string_view held, std::size_t from) {
    std::size_t at = held.find(text1, from);
    return at != std::string_view::npos ? at : held.find(text2, from);
  };
  return copyUntil(window, count, skip, std::max(text1.size(), text2.size()), locate, [&] {
    if (found != nullptr) found(marker1, marker2);
  });
}

int copyUntilLine(const LineTest& test, char* window, int* count, int skip) {
  bool lineStart = true;
  for (;;) {
    getBufferFromInputPSStream(window, count);
    int held = heldBytes(count);
    if (held == 0) return -1;
    // A window that is not full holds the whole rest of the input.
    bool more = held == kPSWindowSize;
    std::string_view text = heldText(window, held);
    LineEnds lineEnds(text);
    std::size_t at = 0;
    while (at < text.size()) {
      if (lineStart) {
        std::string_view start = text.substr(at, kLineStartView);
        // The line's start has to be seen whole: refill first.
        if (more && start.size() < static_cast<std::size_t>(kLineStartView) && at > 0) break;
        int stop = test(start);
        if (stop >= 0) {
          writeBufferToTempPSStream(window, count, static_cast<int>(at), skip);
          getBufferFromInputPSStream(window, count);
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
    writeBufferToTempPSStream(window, count, static_cast<int>(at), skip);
  }
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
