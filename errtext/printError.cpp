#include "errtext/printError.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

// One line from getLineFromFile; `text` is null at the end of the file.
struct Line {
  std::unique_ptr<char, FreeDeleter> text;
  std::size_t length = 0;
};

Line nextLine(FILE* file) {
  Line line;
  char* text = nullptr;
  getLineFromFile(file, &text, &line.length);
  line.text.reset(text);
  return line;
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
  std::string text;
  try {
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
      text.push_back(static_cast<char>(c));
      if (c == '\n') break;
    }
  } catch (const std::bad_alloc&) {
    return 1;
  }
  if (text.empty()) return 1;
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return 1;
  std::memcpy(copy, text.c_str(), text.size() + 1);
  *line = copy;
  if (length != nullptr) *length = text.size();
  return 0;
}

int currentErrorLine(const char* line, int n) { return isLineNumbered(line, n) ? 1 : 0; }

void getError(const char* path, int n) {
  const std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "r"));
  if (!file) return;
  Line line = nextLine(file.get());
  while (currentErrorLine(line.text.get(), n) == 0) line = nextLine(file.get());
  // The header itself (or the end of the file) is not printed.
  const long long next = static_cast<long long>(n) + 1;
  for (line = nextLine(file.get()); !isLineNumbered(line.text.get(), next); line = nextLine(file.get())) {
    std::fwrite(line.text.get(), 1, line.length, stdout);
  }
}

void printError(const char* path, int n) {
  getError(path, n);
  if (n == 2 || n == 3) getError(path, 1);
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
