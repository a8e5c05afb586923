// The fixed paths of the package, in one place.
//
// Every file the programs read or write outside their arguments is named
// here. Two implementations exist: the system one for the shipped programs
// and a test one that places every path under a test root folder.
#pragma once

#include <string>

namespace tvx::paths {

// Folder of the CUPS queue PPDs, with trailing slash ("/etc/cups/ppd/").
std::string ppdFolder();

// Folder of the diagnostic log's control and log files, with trailing slash ("/tmp/").
std::string logFolder();

// Application data folder under which the catalog folder "Tavorinex" lies ("//usr//bin").
std::string applicationDataFolder();

// Folder for private temp files when CUPS gives no TMPDIR, with trailing slash ("/tmp/").
std::string tempFolder();

// Points the queue files at `folder` for the rest of the process: the PPD
// folder becomes "<folder>/ppd/" and the application data folder
// "<folder>/data" (the catalogs then lie in "<folder>/data/Tavorinex/").
// tavorinex-query --diff runs the updates on private copies so.
void redirectQueueFiles(const std::string& folder);

// Folder of the SNMP library's configuration files, without trailing slash ("/etc/snmp").
std::string snmpConfigFolder();

// The SNMP library's persistent folder, root's and the package's own, without
// trailing slash ("/var/lib/tavorinex/snmp").
std::string snmpPersistentFolder();

}  // namespace tvx::paths
