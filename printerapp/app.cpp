#include "printerapp/app.h"

#include <netinet/in.h>
#include <pappl/pappl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "printerapp/driverdata.h"
#include "printerapp/jobs.h"
#include "printerapp/refresher.h"

namespace tvx::papp {

namespace {

constexpr const char* kAppName = "tavorinex-printer-app";
constexpr int kFirstDefaultPort = 8000;
constexpr int kLastDefaultPort = 8099;

pappl_pr_driver_t drivers[] = {
    {kDriverName, kMakeAndModel, "MFG:Tavorinex;MDL:Arc M750XLS;CMD:PJL,POSTSCRIPT;", nullptr},
};

// The whole number of option `name` within [low, high]; `fallback` when
// the option is absent, nullopt when it is no such number.
std::optional<int> numberOption(int count, cups_option_t* options, const char* name, int fallback,
                                int low, int high) {
  const char* text = cupsGetOption(name, count, options);
  if (text == nullptr) return fallback;
  std::string_view value(text);
  int number = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc{} || end != value.data() + value.size() || number < low || number > high) {
    std::fprintf(stderr, "%s: -o %s=%s: a whole number from %d to %d is needed.\n", kAppName, name,
                 text, low, high);
    return std::nullopt;
  }
  return number;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string tempFolder() {
  std::string folder = environment("TMPDIR");
  return folder.empty() ? "/tmp" : folder;
}

// Where the state, the spool and the control socket lie: where the
// sub-commands that talk to a running server look for it.
struct Places {
  std::string state;
  std::string spool;
  std::string socket;
};

Places placesFor(std::string_view name) {
  std::string base(name);
  std::string snap = environment("SNAP_COMMON");
  if (!snap.empty())
    return {snap + "/" + base + ".state", snap + "/spool", snap + "/" + base + ".sock"};
  uid_t uid = getuid();
  if (uid == 0)
    return {"/var/lib/" + base + ".state", "/var/spool/" + base, "/run/" + base + ".sock"};
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty()) config = environment("HOME") + "/.config";
  std::string id = std::to_string(uid);
  return {config + "/" + base + ".state", tempFolder() + "/" + base + id + ".d",
          tempFolder() + "/" + base + id + ".sock"};
}

bool driverCallback(pappl_system_t*, const char* driverName, const char*, const char*,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
  if (driverName == nullptr || std::strcmp(driverName, kDriverName) != 0) return false;
  fillDriverData(initialCapabilities(), *data, attrs);
  return true;
}

void createCallback(pappl_printer_t* printer, void*) { startRefresh(printer); }

pappl_loglevel_t logLevel(const char* name) {
  std::string_view level = name != nullptr ? name : "";
  if (level == "debug") return PAPPL_LOGLEVEL_DEBUG;
  if (level == "info") return PAPPL_LOGLEVEL_INFO;
  if (level == "error") return PAPPL_LOGLEVEL_ERROR;
  if (level == "fatal") return PAPPL_LOGLEVEL_FATAL;
  return PAPPL_LOGLEVEL_WARN;
}

// The server port: the one asked for, which must be free, or the first free
// one from 8000.
std::optional<int> serverPort(int count, cups_option_t* options) {
  std::optional<int> asked = numberOption(count, options, "server-port", 0, 1, 65535);
  if (!asked) return std::nullopt;
  if (*asked != 0) {
    if (ipv4PortFree(*asked)) return asked;
    std::fprintf(stderr, "%s: port %d is in use on IPv4; choose another with -o server-port=N.\n",
                 kAppName, *asked);
    return std::nullopt;
  }
  for (int port = kFirstDefaultPort; port <= kLastDefaultPort; ++port) {
    if (ipv4PortFree(port)) return port;
  }
  std::fprintf(stderr, "%s: no free port from %d to %d; choose one with -o server-port=N.\n",
               kAppName, kFirstDefaultPort, kLastDefaultPort);
  return std::nullopt;
}

pappl_system_t* systemCallback(int count, cups_option_t* options, void*) {
  std::optional<int> snmpPort = numberOption(count, options, "snmp-port", 161, 1, 65535);
  std::optional<int> interval = numberOption(count, options, "refresh-interval", 60, 1, 86400);
  // A sub-command that finds no server starts a private one, which
  // listens on the control socket only.
  bool privateServer = cupsGetOption("private-server", count, options) != nullptr;
  std::optional<int> port = privateServer ? 0 : serverPort(count, options);
  if (!snmpPort || !interval || !port) return nullptr;

  static Places places = placesFor(kAppName);
  const char* logFile = cupsGetOption("log-file", count, options);
  pappl_system_t* system = papplSystemCreate(
      static_cast<pappl_soptions_t>(PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE),
      "Tavorinex Printer Application", *port, "_print,_universal", places.spool.c_str(),
      logFile != nullptr ? logFile : "-", logLevel(cupsGetOption("log-level", count, options)),
      nullptr, false);
  if (system == nullptr) return nullptr;
  if ((!privateServer && !papplSystemAddListeners(system, nullptr)) ||
      !papplSystemAddListeners(system, places.socket.c_str())) {
    std::fprintf(stderr, "%s: cannot listen on port %d or on %s.\n", kAppName, *port,
                 places.socket.c_str());
    papplSystemDelete(system);
    return nullptr;
  }
  papplSystemSetPrinterDrivers(system, static_cast<int>(std::size(drivers)), drivers, nullptr,
                               createCallback, driverCallback, nullptr);
  addPdfFilter(system);
  papplSystemSetFooterHTML(system, "Tavorinex Arc M750XLS Printer Application");
  papplSystemSetSaveCallback(
      system,
      [](pappl_system_t* saved, void* file) {
        return papplSystemSaveState(saved, static_cast<const char*>(file));
      },
      places.state.data());
  startRefreshing(system, {*snmpPort, std::chrono::seconds(*interval)});
  papplSystemLoadState(system, places.state.c_str());
  // The printers' own readings, applied once the system runs, win over the
  // saved ready media.
  papplSystemIteratePrinters(
      system, [](pappl_printer_t* printer, void*) { startRefresh(printer); }, nullptr);
  return system;
}

void usage(void*) {
  std::puts(
      "Options of the server besides PAPPL's own:\n"
      "  -o snmp-port=N          SNMP port of every printer (default 161)\n"
      "  -o refresh-interval=S   seconds between readings of an idle printer (default 60)");
}

}  // namespace

bool ipv4PortFree(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  int on = 1;
  // As the server's own listener binds: a port left in TIME_WAIT is free.
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return free;
}

int runMainloop(int argc, char* argv[]) {
  // The state file holds the job history: PAPPL writes it with the process's
  // umask, which would leave it world-readable.
  ::umask(S_IRWXG | S_IRWXO);
  return papplMainloop(argc, argv, TAVORINEX_VERSION, nullptr, static_cast<int>(std::size(drivers)),
                       drivers, nullptr, driverCallback, nullptr, nullptr, systemCallback, usage,
                       nullptr);
}

}  // namespace tvx::papp
