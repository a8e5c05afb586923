// Test build of the fixed paths: each path is the system path placed under
// the folder named by TAVORINEX_TEST_ROOT, so that tests run the real code
// on a private tree. Without the variable the system paths are used.
#include "common/paths.h"

#include <cstdlib>

namespace tvx::paths {

static std::string underRoot(const char* systemPath) {
  const char* root = std::getenv("TAVORINEX_TEST_ROOT");
  return root != nullptr ? std::string(root) + systemPath : std::string(systemPath);
}

// Per process: redirectQueueFiles holds for the rest of the run.
static std::string redirected;

void redirectQueueFiles(const std::string& folder) { redirected = folder; }

std::string ppdFolder() { return redirected.empty() ? underRoot("/etc/cups/ppd/") : redirected + "/ppd/"; }
std::string logFolder() { return underRoot("/tmp/"); }
std::string applicationDataFolder() {
  return redirected.empty() ? underRoot("//usr//bin") : redirected + "/data";
}
std::string tempFolder() { return underRoot("/tmp/"); }
std::string snmpConfigFolder() { return underRoot("/etc/snmp"); }
std::string snmpPersistentFolder() { return underRoot("/var/lib/tavorinex/snmp"); }

}  // namespace tvx::paths
