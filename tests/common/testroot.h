// Test fixture: a private folder tree for the fixed paths, and readers of
// the files the code under test writes there (the diagnostic log above all).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
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

// The names in a folder, sorted.
inline std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Points TAVORINEX_TEST_ROOT at a fresh mkdtemp folder holding etc/cups/ppd
// and tmp, with the diagnostic log switched off; removes it all afterwards.
class TestRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvx-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::filesystem::create_directories(ppdFolder());
    std::filesystem::create_directories(tmpFolder());
    ::setenv("TAVORINEX_TEST_ROOT", root_.c_str(), 1);
    gisLogEnabled = false;
    logLevel = -1;
  }

  void TearDown() override {
    gisLogEnabled = false;
    logLevel = -1;
    ::unsetenv("TAVORINEX_TEST_ROOT");
    std::filesystem::remove_all(root_);
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
