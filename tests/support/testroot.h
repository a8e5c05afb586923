// A private test root: a mkdtemp folder named by TAVORINEX_TEST_ROOT, with
// the "tmp" folder under it where the fixed temp and log paths then lie.
// Removed with everything in it when the object goes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tvx::test {

class TestRoot {
 public:
  TestRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tvx-root.XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
      ADD_FAILURE() << "cannot create a test root under " << folder;
      return;
    }
    root_ = folder;
    std::filesystem::create_directories(root_ / "tmp");
    setenv("TAVORINEX_TEST_ROOT", root_.c_str(), 1);
  }
  ~TestRoot() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  TestRoot(const TestRoot&) = delete;
  TestRoot& operator=(const TestRoot&) = delete;

  const std::filesystem::path& path() const { return root_; }
  // The folder of the log's control and log files (the system's "/tmp/").
  std::filesystem::path logFolder() const { return root_ / "tmp"; }

 private:
  std::filesystem::path root_;
};

}  // namespace tvx::test
