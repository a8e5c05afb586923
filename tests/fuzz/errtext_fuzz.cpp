// Fuzzes errtext's file reader. The input's first line is the error number
// argument, the rest is the error text file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/uniquefile.h"
#include "errtext/printError.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

// Reading the file line by line gives back every byte of it, in order.
void checkLinesRebuildFile(const std::string& path, std::string_view contents) {
  const tvx::UniqueFile file(std::fopen(path.c_str(), "r"));
  tvx::fuzz::check(file != nullptr, "cannot reopen the error text file");
  std::string rebuilt;
  char* line = nullptr;
  std::size_t length = 0;
  while (getLineFromFile(file.get(), &line, &length) == 0) {
    const std::string_view text(line, length);
    tvx::fuzz::check(length > 0 && line[length] == '\0', "line not terminated");
    tvx::fuzz::check(text.find('\n') == std::string_view::npos || text.find('\n') == length - 1,
                     "line feed inside a line");
    currentErrorLine(line, 0);
    rebuilt.append(text);
    std::free(line);
  }
  tvx::fuzz::check(line == nullptr, "end of file without a null line");
  tvx::fuzz::check(rebuilt == contents, "the lines do not rebuild the file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tvx::fuzz::testRoot() + "/errors.txt";
  tvx::fuzz::silenceStdout();
  const std::string_view input = tvx::fuzz::asText(data, size);
  const std::size_t end = input.find('\n');
  const std::string_view number = input.substr(0, end);
  const std::string_view contents = end == std::string_view::npos ? "" : input.substr(end + 1);
  tvx::fuzz::writeFile(path, contents);
  if (const auto n = parseErrorNumber(number)) printError(path.c_str(), *n);
  checkLinesRebuildFile(path, contents);
  return 0;
}
