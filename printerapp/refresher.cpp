#include "printerapp/refresher.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "bidi/BiDiDeviceURI.h"
#include "printerapp/driverdata.h"

namespace tvx::papp {

namespace {

using Clock = std::chrono::steady_clock;

// How often the main loop looks for readings to ask for and to apply.
constexpr int kTimerSeconds = 1;

// The thread of one printer and what it hands to the main loop.
class Refresh {
 public:
  explicit Refresh(std::string peer) : peer_(std::move(peer)) {
    thread_ = std::thread([this] { loop(); });
  }
  ~Refresh() { stop(); }
  Refresh(const Refresh&) = delete;
  Refresh& operator=(const Refresh&) = delete;

  void stop();
  // Asks the thread for a reading unless one is asked for or was taken
  // within the interval.
  void askIfDue();
  // Reads now, in the caller's thread, when the last reading is older than
  // the interval; returns the last reading.
  std::shared_ptr<const PrinterReading> fresh();
  // Applies to `printer` what was read since the last call (main loop only).
  void applyTo(pappl_printer_t* printer);

 private:
  void loop();
  bool due() const;  // with mutex_ held
  void read();

  const std::string peer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool asked_ = false;
  // One reading at a time, from the thread or a job.
  std::mutex reading_;
  bool everRead_ = false;
  bool failed_ = false;  // the last reading, to be logged
  Clock::time_point readAt_{};
  std::shared_ptr<const PrinterReading> last_;
  std::shared_ptr<const PrinterReading> pending_;
  // Every set of capabilities applied stays: the server keeps pointers to
  // the strings of the driver data it was given (main loop only).
  std::vector<std::shared_ptr<const PrinterReading>> applied_;
  std::thread thread_;
};

RefreshSettings settings;
std::mutex registryMutex;
// Shared, so that a job still holds its printer's refresh while the printer goes.
std::map<pappl_printer_t*, std::shared_ptr<Refresh>> registry;

void Refresh::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool Refresh::due() const { return !everRead_ || Clock::now() - readAt_ >= settings.interval; }

void Refresh::askIfDue() {
  {
    std::lock_guard lock(mutex_);
    if (asked_ || !due()) return;
    asked_ = true;
  }
  wake_.notify_all();
}

void Refresh::loop() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || asked_; });
      if (stopping_) return;
    }
    {
      std::lock_guard lock(reading_);
      read();
    }
    std::lock_guard lock(mutex_);
    asked_ = false;
  }
}

// Called with reading_ held.
void Refresh::read() {
  std::optional<PrinterReading> reading = readPrinter(peer_);
  std::lock_guard lock(mutex_);
  everRead_ = true;
  readAt_ = Clock::now();
  failed_ = !reading;
  if (reading) {
    last_ = std::make_shared<const PrinterReading>(std::move(*reading));
    pending_ = last_;
  }
}

std::shared_ptr<const PrinterReading> Refresh::fresh() {
  std::lock_guard reading(reading_);
  bool stale;
  {
    std::lock_guard lock(mutex_);
    stale = due();
  }
  if (stale) read();
  std::lock_guard lock(mutex_);
  return last_;
}

void Refresh::applyTo(pappl_printer_t* printer) {
  std::shared_ptr<const PrinterReading> now;
  {
    std::lock_guard lock(mutex_);
    if (failed_) {
      failed_ = false;
      papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN,
                      "The printer at %s could not be read over SNMP.", peer_.c_str());
    }
    now = std::move(pending_);
  }
  if (!now) return;
  if (now->capabilities.media.empty()) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN, "The printer reports no media; its media stay.");
    return;
  }
  const Capabilities* before = applied_.empty() ? nullptr : &applied_.back()->capabilities;
  if (before != nullptr && *before == now->capabilities) return;
  if (applyCapabilities(printer, now->capabilities, before)) {
    applied_.push_back(now);
  } else {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "The printer's capabilities were refused.");
  }
}

// The main loop's timer: asks idle printers for due readings, applies what
// was read.
bool refreshTimer(pappl_system_t*, void*) {
  std::vector<std::pair<pappl_printer_t*, std::shared_ptr<Refresh>>> printers;
  {
    std::lock_guard lock(registryMutex);
    printers.assign(registry.begin(), registry.end());
  }
  for (auto& [printer, refresh] : printers) {
    refresh->applyTo(printer);
    if (papplPrinterGetState(printer) == IPP_PSTATE_IDLE) refresh->askIfDue();
  }
  return true;
}

}  // namespace

void startRefreshing(pappl_system_t* system, const RefreshSettings& chosen) {
  settings = chosen;
  papplSystemAddTimerCallback(system, 0, kTimerSeconds, refreshTimer, nullptr);
}

void startRefresh(pappl_printer_t* printer) {
  std::lock_guard lock(registryMutex);
  if (registry.count(printer) != 0) return;
  std::string peer = snmpPeerFor(papplPrinterGetDeviceURI(printer), settings.snmpPort);
  if (peer.empty()) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN,
                    "The device is no network printer: its media are not read.");
    return;
  }
  registry.emplace(printer, std::make_shared<Refresh>(peer));
}

void stopRefresh(pappl_printer_t* printer) {
  std::shared_ptr<Refresh> refresh;
  {
    std::lock_guard lock(registryMutex);
    auto found = registry.find(printer);
    if (found == registry.end()) return;
    refresh = std::move(found->second);
    registry.erase(found);
  }
  refresh->stop();
}

std::shared_ptr<const PrinterReading> freshReading(pappl_printer_t* printer) {
  std::shared_ptr<Refresh> refresh;
  {
    std::lock_guard lock(registryMutex);
    auto found = registry.find(printer);
    if (found != registry.end()) refresh = found->second;
  }
  return refresh ? refresh->fresh() : nullptr;
}

std::string snmpPeerFor(const char* deviceUri, int port) {
  if (deviceUri == nullptr) return {};
  tvx::bidi::DevicePeer peer = tvx::bidi::snmpPeerOf(deviceUri);
  if (peer.kind != tvx::bidi::DevicePeer::Kind::kNetwork) return {};
  return peer.peer + ":" + std::to_string(port);
}

}  // namespace tvx::papp
