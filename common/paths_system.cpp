#include "common/paths.h"

namespace tvx::paths {

// Per process: redirectQueueFiles holds for the rest of the run.
static std::string redirected;

void redirectQueueFiles(const std::string& folder) { redirected = folder; }

std::string ppdFolder() { return redirected.empty() ? "/etc/cups/ppd/" : redirected + "/ppd/"; }
std::string logFolder() { return "/tmp/"; }
std::string applicationDataFolder() { return redirected.empty() ? "//usr//bin" : redirected + "/data"; }
std::string tempFolder() { return "/tmp/"; }
std::string snmpConfigFolder() { return "/etc/snmp"; }
std::string snmpPersistentFolder() { return "/var/lib/tavorinex/snmp"; }

}  // namespace tvx::paths
