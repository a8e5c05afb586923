// The test root: a private mkdtemp folder named by TAVORINEX_TEST_ROOT,
// under which the test builds place every fixed path (etc/cups/ppd, tmp,
// usr/bin/Tavorinex), and readers of the files the code under test writes
// there (the diagnostic log above all).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/drvlog.h"

namespace tvx::test {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, std::string_view content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(content.data(), content.size());
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The path of a file of the source tree ($TVX_SOURCE_DIR), by its path under the tree's root.
inline std::string sourceFile(const std::string& relative) {
  const char* source = std::getenv("TVX_SOURCE_DIR");
  return std::string(source != nullptr ? source : ".") + "/" + relative;
}

// The names in a folder, sorted.
inline std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Points TAVORINEX_TEST_ROOT at a fresh folder holding etc/cups/ppd and
// tmp, and removes it with everything in it when the object goes. Made
// under $TMPDIR, else /tmp; a failure to make it fails the test and leaves
// path() empty.
class PrivateRoot {
 public:
  PrivateRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvx-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot create a test root " << pattern;
      return;
    }
    root_ = pattern;
    std::filesystem::create_directories(root_ / "etc/cups/ppd");
    std::filesystem::create_directories(root_ / "tmp");
    ::setenv("TAVORINEX_TEST_ROOT", root_.c_str(), 1);
  }
  ~PrivateRoot() {
    if (root_.empty()) return;
    ::unsetenv("TAVORINEX_TEST_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  PrivateRoot(const PrivateRoot&) = delete;
  PrivateRoot& operator=(const PrivateRoot&) = delete;

  const std::filesystem::path& path() const { return root_; }
  // The folder of the log's control and log files (the system's "/tmp/").
  std::filesystem::path logFolder() const { return root_ / "tmp"; }

 private:
  std::filesystem::path root_;
};

// A GoogleTest fixture on a PrivateRoot made for each test, with the
// diagnostic log switched off.
class TestRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace();
    root_ = folder_->path().string();
    ASSERT_FALSE(root_.empty());
    gisLogEnabled = false;
    logLevel = -1;
  }

  void TearDown() override {
    gisLogEnabled = false;
    logLevel = -1;
    folder_.reset();
  }

  std::string ppdFolder() const { return root_ + "/etc/cups/ppd/"; }
  std::string tmpFolder() const { return root_ + "/tmp/"; }
  std::string controlFile() const { return tmpFolder() + "QZ5182R064Log.ini"; }
  std::string logFile() const { return tmpFolder() + "QZ5182R064Log.log"; }

  // Writes the control file and runs InitLog.
  void startLog(std::string_view control) {
    writeFile(controlFile(), control);
    InitLog();
  }

  // The messages of the log's lines, each stripped of its checked
  // "PID<pid>_<time>: " prefix; a message's own line end gives an empty entry.
  std::vector<std::string> logMessages() const {
    std::vector<std::string> messages;
    std::string text = readFile(logFile());
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      std::string line = text.substr(start, end - start);
      if (!line.empty()) {
        EXPECT_TRUE(stripLogPrefix(line)) << line;
      }
      messages.push_back(line);
      if (end == std::string::npos) break;
    }
    return messages;
  }

  std::string root_;

 private:
  std::optional<PrivateRoot> folder_;

  static bool stripLogPrefix(std::string& line) {
    const std::string pid = "PID" + std::to_string(::getpid()) + "_";
    const std::string_view stamp = "dddd-dd-ddTdd:dd:dd: ";
    if (line.compare(0, pid.size(), pid) != 0 || line.size() < pid.size() + stamp.size()) {
      return false;
    }
    for (size_t i = 0; i < stamp.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(line[pid.size() + i]);
      if (stamp[i] == 'd' ? !std::isdigit(c) : c != stamp[i]) return false;
    }
    line.erase(0, pid.size() + stamp.size());
    return true;
  }
};

}  // namespace tvx::test
