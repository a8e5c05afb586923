// Each printer's readings: a thread per printer reads the printer at start,
// every refresh interval while the printer is idle, and before a job when
// the last reading is older than that, and applies what it read.
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

// Sets what every printer's refresh uses; call before the first start.
void setRefreshSettings(const RefreshSettings& settings);

// Starts the refresh of `printer` unless it runs. Readings are applied only
// after allowApplying: a printer created while the saved state loads must
// not have its reading overwritten by that state.
void startRefresh(pappl_printer_t* printer);
void allowApplying();

// Stops the refresh of `printer` and waits for its thread.
void stopRefresh(pappl_printer_t* printer);

// The printer's last reading, read again first when it is older than the
// refresh interval; null when the printer has never been read.
std::shared_ptr<const PrinterReading> freshReading(pappl_printer_t* printer);

// The SNMP peer of a device URI on `port` ("udp:HOST:PORT"); empty for a
// device that is no network printer.
std::string snmpPeerFor(const char* deviceUri, int port);

}  // namespace tvx::papp
