#include "tests/fuzz/fuzzsupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tvx::fuzz {

namespace {

namespace fs = std::filesystem;

// Runs at exit, when the static path may already be gone: the variable still names it.
void removeTestRoot() {
  std::error_code ignored;
  if (const char* root = std::getenv("TAVORINEX_TEST_ROOT")) fs::remove_all(root, ignored);
}

std::string makeTestRoot() {
  std::string pattern = (fs::temp_directory_path() / "tvx-fuzz-XXXXXX").string();
  check(mkdtemp(pattern.data()) != nullptr, "cannot create the test root");
  for (const char* folder : {"etc/cups/ppd", "tmp", "usr/bin/Tavorinex"}) {
    fs::create_directories(fs::path(pattern) / folder);
  }
  check(setenv("TAVORINEX_TEST_ROOT", pattern.c_str(), 1) == 0, "cannot set TAVORINEX_TEST_ROOT");
  check(std::atexit(removeTestRoot) == 0, "cannot register the test root's removal");
  return pattern;
}

}  // namespace

const std::string& testRoot() {
  static const std::string root = makeTestRoot();
  return root;
}

void writeFile(const std::string& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  out.close();
  check(out.good(), "cannot write a fuzz input file");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void silenceStdout() {
  static const bool silenced = std::freopen("/dev/null", "w", stdout) != nullptr;
  check(silenced, "cannot redirect standard output");
}

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace tvx::fuzz
