#include "tests/bidi/lib/scenario_session.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "bidi/lib/BiDiSession.h"
#include "tests/support/simprinter.h"

namespace tvx::test {

namespace {

// A session on a shared simulated printer, closed when the program ends,
// before the printer stops.
struct ScenarioSession {
  explicit ScenarioSession(const SimPrinter& printer) {
    opened = printer.running() && BiDi_InitSession(printer.host(), &session) == en_BiDiSuccess;
  }
  ~ScenarioSession() {
    if (opened) BiDi_CloseSession(session);
  }

  unsigned char session = 0;
  bool opened = false;
};

}  // namespace

unsigned char scenarioSession(const std::string& scenario) {
  const SimPrinter& printer = sharedPrinter(scenario);
  static std::map<std::string, std::unique_ptr<ScenarioSession>> sessions;
  std::unique_ptr<ScenarioSession>& entry = sessions[scenario];
  if (!entry) entry = std::make_unique<ScenarioSession>(printer);
  if (!entry->opened) ADD_FAILURE() << "no session on the simulated printer " << scenario;
  return entry->session;
}

}  // namespace tvx::test
