// Fuzzes the filter's reverse page order: the input is the spooled job.
// The reversal must succeed on any job and leave no work file behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Reverse.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::check;

// The filter's spool folder, private to this process.
const std::string& spoolFolder() {
  static const std::string folder = [] {
    std::string path = tvx::fuzz::testRoot() + "/spool";
    std::filesystem::create_directories(path);
    check(::setenv("TMPDIR", path.c_str(), 1) == 0, "cannot set TMPDIR");
    return path;
  }();
  return folder;
}

std::size_t filesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = spoolFolder();
  check(openTempPSStreamFileForWriting() == 0, "cannot create the spool file");
  check(std::fwrite(data, 1, size, tempPSStream) == size, "cannot spool the job");
  check(ReversePageOrder() == 0, "the reversal failed");
  // The spool and the reversal's work files have no name.
  check(filesIn(folder) == 0, "the reversal left a work file behind");
  check(reopenTempPSStreamForReading() == 0, "cannot read the reversed job");
  closeTempPSStreamFile();
  check(filesIn(folder) == 0, "the spool file was left behind");
  return 0;
}
