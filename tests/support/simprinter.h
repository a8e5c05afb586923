// A simulated printer for GoogleTest suites: runs scripts/simprinter on a
// scenario folder of tests/printers and stops it in the destructor.
//
//   tvx::test::SimPrinter printer("full");
//   ASSERT_TRUE(printer.running());
//   BiDi_InitSession(printer.host(), &id);   // "127.0.0.1:PORT"
//
//   tvx::test::SimPrinter v3("full", {"user", "auth phrase", "priv phrase"});
//
// The scenario "no-agent" reserves a port that nothing answers on. Needs
// TVX_SOURCE_DIR (set by tvx_add_gtest). A failure to start is reported as
// a test failure and leaves the printer not running.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tvx::test {

class SimPrinter {
 public:
  // With `v3` (user, authentication and privacy pass phrases) the printer
  // also answers that SNMPv3 user over SHA-256 and AES.
  explicit SimPrinter(const std::string& scenario, const std::vector<std::string>& v3 = {}) {
    const char* source = std::getenv("TVX_SOURCE_DIR");
    if (source == nullptr) {
      ADD_FAILURE() << "TVX_SOURCE_DIR is not set";
      return;
    }
    script_ = std::string(source) + "/scripts/simprinter";
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                         "/tvx-simprinter.XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
      ADD_FAILURE() << "cannot create a work folder under " << folder;
      return;
    }
    work_ = folder;
    std::string scenarioFolder = std::string(source) + "/tests/printers/" + scenario;
    std::string command = quote(script_) + " start " + quote(scenarioFolder) + " " + quote(work_);
    for (const std::string& word : v3) command += " " + quote(word);
    std::string port = run(command);
    if (port.empty()) {
      ADD_FAILURE() << "simulated printer " << scenario << " did not start";
      return;
    }
    address_ = "127.0.0.1:" + port;
  }

  ~SimPrinter() {
    if (work_.empty()) return;
    run(quote(script_) + " stop " + quote(work_));
    std::error_code ignored;
    std::filesystem::remove_all(work_, ignored);
  }

  SimPrinter(const SimPrinter&) = delete;
  SimPrinter& operator=(const SimPrinter&) = delete;

  bool running() const { return !address_.empty(); }
  // "127.0.0.1:PORT", the peer name of the printer; empty when not running.
  const std::string& address() const { return address_; }
  const char* host() const { return address_.c_str(); }

 private:
  static std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  // Runs `command`; its first output line when it succeeds, else "".
  static std::string run(const std::string& command) {
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return {};
    std::string line;
    for (int c = std::fgetc(out); c != EOF && c != '\n'; c = std::fgetc(out)) line += static_cast<char>(c);
    while (std::fgetc(out) != EOF) {
    }
    return pclose(out) == 0 ? line : std::string();
  }

  std::string script_;
  std::string work_;
  std::string address_;
};

}  // namespace tvx::test
