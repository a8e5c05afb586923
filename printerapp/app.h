// The Printer Application: its command line, its system and its driver.
#pragma once

namespace tvx::papp {

// Runs the sub-command of argv (server, add, printers, status, submit,
// shutdown, devices, drivers, ...) and returns the exit status. Besides the
// server's usual options: -o snmp-port=N (the SNMP port of every printer,
// default 161) and -o refresh-interval=S (seconds between readings of an
// idle printer, default 60).
int runMainloop(int argc, char* argv[]);

// Whether a TCP port on every IPv4 address is free to listen on.
bool ipv4PortFree(int port);

}  // namespace tvx::papp
