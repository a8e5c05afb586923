// Each printer's readings. A thread per printer reads the printer over SNMP
// (which can block for the 27 s time-out) and does nothing else; a timer of
// the server's main loop asks it for a reading at start and every refresh
// interval while the printer is idle, and applies each reading, so that no
// server lock is ever waited for by the thread. A job asks for a reading
// when the last one is older than the interval.
#pragma once

#include <pappl/pappl.h>

#include <chrono>
#include <memory>
#include <string>

#include "printerapp/printerreading.h"

namespace tvx::papp {

struct RefreshSettings {
  // The SNMP port of every printer.
  int snmpPort = 161;
  std::chrono::seconds interval{60};
};

// Sets what every printer's refresh uses and adds the applying timer to
// `system`; call before the system runs.
void startRefreshing(pappl_system_t* system, const RefreshSettings& settings);

// Starts the refresh thread of `printer` unless it runs. A printer that is
// no network printer gets none.
void startRefresh(pappl_printer_t* printer);

// Stops the refresh of `printer` and waits for its thread.
void stopRefresh(pappl_printer_t* printer);

// The printer's last reading, read again first when it is older than the
// refresh interval (the server's timer applies it); null when the printer
// has never been read.
std::shared_ptr<const PrinterReading> freshReading(pappl_printer_t* printer);

// The SNMP peer of a device URI on `port` ("udp:HOST:PORT"); empty for a
// device that is no network printer.
std::string snmpPeerFor(const char* deviceUri, int port);

}  // namespace tvx::papp
