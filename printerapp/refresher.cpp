#include "printerapp/refresher.h"

#include <algorithm>
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

// How often a refresh that waits for an idle printer looks again.
constexpr std::chrono::seconds kIdleCheck{5};

class Refresh {
 public:
  Refresh(pappl_printer_t* printer, std::string peer) : printer_(printer), peer_(std::move(peer)) {}
  ~Refresh() { stop(); }
  Refresh(const Refresh&) = delete;
  Refresh& operator=(const Refresh&) = delete;

  void start() { thread_ = std::thread([this] { loop(); }); }
  void stop();
  std::shared_ptr<const PrinterReading> fresh();

 private:
  void loop();
  bool due() const;
  void readAndApply();

  pappl_printer_t* const printer_;
  const std::string peer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  // One reading at a time, from the thread or a job.
  std::mutex reading_;
  // Every set of capabilities applied stays: the server keeps pointers to
  // the strings of the driver data it was given.
  std::vector<std::shared_ptr<const PrinterReading>> applied_;
  std::shared_ptr<const PrinterReading> last_;
  Clock::time_point readAt_{};
  bool everRead_ = false;
  std::thread thread_;
};

RefreshSettings settings;
std::mutex registryMutex;
// Shared, so that a job still holds its printer's refresh while the printer goes.
std::map<pappl_printer_t*, std::shared_ptr<Refresh>> registry;
std::mutex applyingMutex;
std::condition_variable applyingAllowed;
bool applying = false;

void Refresh::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  applyingAllowed.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool Refresh::due() const { return !everRead_ || Clock::now() - readAt_ >= settings.interval; }

void Refresh::loop() {
  {
    std::unique_lock lock(applyingMutex);
    applyingAllowed.wait(lock, [this] {
      std::lock_guard own(mutex_);
      return applying || stopping_;
    });
  }
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      if (stopping_) return;
    }
    bool idle = papplPrinterGetState(printer_) == IPP_PSTATE_IDLE;
    {
      std::lock_guard lock(reading_);
      if (idle && due()) readAndApply();
    }
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::min<Clock::duration>(settings.interval, kIdleCheck),
                   [this] { return stopping_; });
  }
}

// Called with reading_ held.
void Refresh::readAndApply() {
  std::optional<PrinterReading> reading = readPrinter(peer_);
  readAt_ = Clock::now();
  everRead_ = true;
  if (!reading) {
    papplLogPrinter(printer_, PAPPL_LOGLEVEL_WARN, "The printer at %s could not be read over SNMP.",
                    peer_.c_str());
    return;
  }
  auto now = std::make_shared<const PrinterReading>(std::move(*reading));
  last_ = now;
  if (now->capabilities.media.empty()) {
    papplLogPrinter(printer_, PAPPL_LOGLEVEL_WARN, "The printer reports no media; its media stay.");
    return;
  }
  const Capabilities* before = applied_.empty() ? nullptr : &applied_.back()->capabilities;
  if (before != nullptr && *before == now->capabilities) return;
  if (applyCapabilities(printer_, now->capabilities, before)) {
    applied_.push_back(now);
  } else {
    papplLogPrinter(printer_, PAPPL_LOGLEVEL_ERROR, "The printer's capabilities were refused.");
  }
}

std::shared_ptr<const PrinterReading> Refresh::fresh() {
  std::lock_guard lock(reading_);
  if (due()) readAndApply();
  return last_;
}

}  // namespace

void setRefreshSettings(const RefreshSettings& chosen) { settings = chosen; }

void startRefresh(pappl_printer_t* printer) {
  std::lock_guard lock(registryMutex);
  if (registry.count(printer) != 0) return;
  std::string peer = snmpPeerFor(papplPrinterGetDeviceURI(printer), settings.snmpPort);
  if (peer.empty()) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN,
                    "The device is no network printer: its media are not read.");
    return;
  }
  auto refresh = std::make_shared<Refresh>(printer, peer);
  refresh->start();
  registry.emplace(printer, std::move(refresh));
}

void allowApplying() {
  {
    std::lock_guard lock(applyingMutex);
    applying = true;
  }
  applyingAllowed.notify_all();
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
  return refresh != nullptr ? refresh->fresh() : nullptr;
}

std::string snmpPeerFor(const char* deviceUri, int port) {
  if (deviceUri == nullptr) return {};
  tvx::bidi::DevicePeer peer = tvx::bidi::snmpPeerOf(deviceUri);
  if (peer.kind != tvx::bidi::DevicePeer::Kind::kNetwork) return {};
  return peer.peer + ":" + std::to_string(port);
}

}  // namespace tvx::papp
