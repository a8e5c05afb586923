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

#include <string>
#include <vector>

namespace tvx::test {

class SimPrinter {
 public:
  // `scenario` names a folder of tests/printers, or is the path of a
  // scenario folder elsewhere (one that makeScenario wrote). With `v3`
  // (user, authentication and privacy pass phrases) the printer also
  // answers that SNMPv3 user over SHA-256 and AES.
  explicit SimPrinter(const std::string& scenario, const std::vector<std::string>& v3 = {});
  ~SimPrinter();
  SimPrinter(const SimPrinter&) = delete;
  SimPrinter& operator=(const SimPrinter&) = delete;

  bool running() const { return !address_.empty(); }
  // "127.0.0.1:PORT", the peer name of the printer; empty when not running.
  const std::string& address() const { return address_; }
  const char* host() const { return address_.c_str(); }

 private:
  std::string script_;
  std::string work_;
  std::string address_;
};

// Writes the scenario `name` that tests/printers/make-printer-scenarios
// makes only on demand (too large, or too slow, to keep with the others)
// into `folder`; returns its path for SimPrinter, or "" on failure.
std::string makeScenario(const std::string& name, const std::string& folder);

// The simulated printer of `scenario`, started on first use and stopped
// when the test program ends: one per scenario for the whole program.
const SimPrinter& sharedPrinter(const std::string& scenario);

}  // namespace tvx::test
