#include "errtext/printError.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>

#include "common/uniquefile.h"

namespace {

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

// One line from getLineFromFile; `text` is null unless `status` is kLineRead.
struct Line {
  std::unique_ptr<char, FreeDeleter> text;
  std::size_t length = 0;
  int status = kEndOfFile;
};

Line nextLine(FILE* file) {
  Line line;
  char* text = nullptr;
  line.status = getLineFromFile(file, &text, &line.length);
  line.text.reset(text);
  return line;
}

// Reports why the file could not be read to its end; returns the exit status.
int giveUp(const char* path, int status) {
  if (status == kLineTooLong) {
    std::fprintf(stderr, "errtext: %s: a line is longer than %zu bytes; not an error text file\n", path,
                 kMaxErrorLineBytes);
  } else {
    std::fprintf(stderr, "errtext: %s: out of memory\n", path);
  }
  return 1;
}

// The line's number: -1 without "###", else the digits from the fifth
// character on. nullopt when the digits exceed long long: such a number can
// be neither an int nor an int plus one, so it matches no block.
std::optional<long long> lineNumber(std::string_view line) {
  if (line.find("###") == std::string_view::npos) return -1;
  std::string_view rest = line.size() > 4 ? line.substr(4) : std::string_view();
  rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
  const std::string_view digits = rest.substr(0, rest.find_first_not_of("0123456789"));
  long long value = 0;
  if (digits.empty()) return value;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc()) {
    return std::nullopt;
  }
  return value;
}

// True at the end of the file (null line) or when the line's number is `wanted`.
// `wanted` is wider than int so that the block of INT_MAX has a successor.
bool isLineNumbered(const char* line, long long wanted) {
  return line == nullptr || lineNumber(line) == wanted;
}

}  // namespace

int getLineFromFile(FILE* file, char** line, std::size_t* length) {
  *line = nullptr;
  if (length != nullptr) *length = 0;
  std::unique_ptr<char, FreeDeleter> text;
  std::size_t size = 0;
  std::size_t capacity = 0;
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    if (size == kMaxErrorLineBytes) return kLineTooLong;
    // Room for the byte and the terminator, growing by half.
    if (size + 2 > capacity) {
      capacity = std::min(std::max<std::size_t>(capacity + capacity / 2, 256), kMaxErrorLineBytes + 1);
      char* grown = static_cast<char*>(std::realloc(text.get(), capacity));
      if (grown == nullptr) return kOutOfMemory;
      text.release();
      text.reset(grown);
    }
    text.get()[size++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (size == 0) return kEndOfFile;
  text.get()[size] = '\0';
  *line = text.release();
  if (length != nullptr) *length = size;
  return kLineRead;
}

int currentErrorLine(const char* line, int n) { return isLineNumbered(line, n) ? 1 : 0; }

int getError(const char* path, int n) {
  const tvx::UniqueFile file(std::fopen(path, "r"));
  if (!file) return 0;
  Line line = nextLine(file.get());
  while (currentErrorLine(line.text.get(), n) == 0) line = nextLine(file.get());
  // The header itself (or the end of the file) is not printed.
  const long long next = static_cast<long long>(n) + 1;
  if (line.status == kLineRead) {
    for (line = nextLine(file.get()); !isLineNumbered(line.text.get(), next); line = nextLine(file.get())) {
      std::fwrite(line.text.get(), 1, line.length, stdout);
    }
  }
  return line.status > kEndOfFile ? giveUp(path, line.status) : 0;
}

int printError(const char* path, int n) {
  int status = getError(path, n);
  if (status == 0 && (n == 2 || n == 3)) status = getError(path, 1);
  return status;
}

std::optional<int> parseErrorNumber(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size()));
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return 0;
  }
  int value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc::result_out_of_range) {
    return std::nullopt;
  }
  return value;
}
