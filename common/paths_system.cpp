#include "common/paths.h"

namespace tvx::paths {

std::string ppdFolder() { return "/etc/cups/ppd/"; }
std::string logFolder() { return "/tmp/"; }
std::string applicationDataFolder() { return "//usr//bin"; }
std::string tempFolder() { return "/tmp/"; }
std::string snmpConfigFolder() { return "/etc/snmp"; }

}  // namespace tvx::paths
