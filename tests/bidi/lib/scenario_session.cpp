#include "tests/bidi/lib/scenario_session.h"

#include <map>
#include <memory>

#include "bidi/lib/BiDiSession.h"
#include "tests/support/simprinter.h"

namespace tvx::test {

namespace {

struct ScenarioPrinter {
  explicit ScenarioPrinter(const std::string& scenario) : printer(scenario) {
    opened = printer.running() && BiDi_InitSession(printer.host(), &session) == en_BiDiSuccess;
  }
  ~ScenarioPrinter() {
    if (opened) BiDi_CloseSession(session);
  }

  SimPrinter printer;
  unsigned char session = 0;
  bool opened = false;
};

std::map<std::string, std::unique_ptr<ScenarioPrinter>>& printers() {
  static std::map<std::string, std::unique_ptr<ScenarioPrinter>> started;
  return started;
}

}  // namespace

unsigned char scenarioSession(const std::string& scenario) {
  std::unique_ptr<ScenarioPrinter>& entry = printers()[scenario];
  if (!entry) entry = std::make_unique<ScenarioPrinter>(scenario);
  if (!entry->opened) ADD_FAILURE() << "no session on the simulated printer " << scenario;
  return entry->session;
}

}  // namespace tvx::test
