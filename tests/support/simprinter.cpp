#include "tests/support/simprinter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "tests/support/run.h"

namespace tvx::test {

namespace {

// A start waits until the simulator answers; a hung one fails the test.
constexpr std::chrono::seconds kScriptTimeOut{120};

}  // namespace

SimPrinter::SimPrinter(const std::string& scenario, const std::vector<std::string>& v3) {
  const char* source = std::getenv("TVX_SOURCE_DIR");
  if (source == nullptr) {
    ADD_FAILURE() << "TVX_SOURCE_DIR is not set";
    return;
  }
  script_ = std::string(source) + "/scripts/simprinter";
  std::string folder = (std::filesystem::temp_directory_path() / "tvx-simprinter.XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a work folder " << folder;
    return;
  }
  work_ = folder;
  const std::string folder_of_scenario =
      scenario.starts_with('/') ? scenario : std::string(source) + "/tests/printers/" + scenario;
  std::vector<std::string> argv{script_, "start", folder_of_scenario, work_};
  argv.insert(argv.end(), v3.begin(), v3.end());
  Finished started = run({.argv = argv, .timeout = kScriptTimeOut});
  std::string port = started.out.substr(0, started.out.find('\n'));
  if (started.status != 0 || port.empty()) {
    ADD_FAILURE() << "simulated printer " << scenario << " did not start: " << started.err;
    return;
  }
  address_ = "127.0.0.1:" + port;
}

SimPrinter::~SimPrinter() {
  if (work_.empty()) return;
  run({.argv = {script_, "stop", work_}, .timeout = kScriptTimeOut});
  std::error_code ignored;
  std::filesystem::remove_all(work_, ignored);
}

std::string makeScenario(const std::string& name, const std::string& folder) {
  const char* source = std::getenv("TVX_SOURCE_DIR");
  if (source == nullptr) return {};
  Finished made = run({.argv = {"python3", std::string(source) + "/tests/printers/make-printer-scenarios", folder,
                                name},
                       .timeout = kScriptTimeOut});
  if (made.status != 0) {
    ADD_FAILURE() << "scenario " << name << " was not made: " << made.err;
    return {};
  }
  return folder + "/" + name;
}

const SimPrinter& sharedPrinter(const std::string& scenario) {
  static std::map<std::string, std::unique_ptr<SimPrinter>> printers;
  std::unique_ptr<SimPrinter>& printer = printers[scenario];
  if (!printer) printer = std::make_unique<SimPrinter>(scenario);
  return *printer;
}

}  // namespace tvx::test
