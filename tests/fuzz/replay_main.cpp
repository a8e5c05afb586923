// Replays fuzz corpora without libFuzzer: every file of the folders (or the
// files) named on the command line goes once through LLVMFuzzerTestOneInput,
// in name order. Built with the normal compiler, so CI runs the corpora as
// plain tests, also under the sanitizers.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusFiles(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      files.emplace_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The file's bytes in a buffer of exactly their size, so that the sanitizer
// catches a read past the input.
std::vector<std::uint8_t> contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<fs::path> files = corpusFiles(argc, argv);
  for (const auto& file : files) {
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    const std::vector<std::uint8_t> data = contentsOf(file);
    // libFuzzer never passes a null pointer, not even for an empty input.
    static const std::uint8_t kNoBytes = 0;
    LLVMFuzzerTestOneInput(data.empty() ? &kNoBytes : data.data(), data.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", files.size());
  // An empty corpus means a wrong folder, not a passing target.
  return files.empty() ? 1 : 0;
}
