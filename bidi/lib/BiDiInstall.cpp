#include "bidi/lib/BiDiInstall.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "bidi/lib/BiDiColumn.h"
#include "bidi/lib/BiDiInput.h"
#include "common/drvlog.h"

namespace {

using tvx::bidi::Column;

constexpr const char* kDeviceTypeOid = "1.3.6.1.2.1.43.30.1.1.2";
constexpr const char* kDeviceOnOffOid = "1.3.6.1.2.1.43.30.1.1.3";
constexpr const char* kAttributeOid = "1.3.6.1.2.1.43.33.1.1.3";

constexpr unsigned long kDeviceOff = 4;
constexpr unsigned long kStitcher = 3;
constexpr unsigned long kBinder = 5;
constexpr unsigned long kPuncher = 8;
constexpr unsigned long kStacker = 16;
constexpr unsigned long kInserter = 18;

// What the finisher device table tells.
struct Finishers {
  bool staplerPresent = false;
  int stackerPresent = 0;
  std::vector<int> puncherInstance;
  std::vector<int> binderInstance;
};

void noteDevice(const Column& types, int row, Finishers& found, PTS_BiDiInstallableOption* list) {
  std::optional<unsigned long> type = types.number(row);
  if (!type) return;
  LOGPRINTA(LOG_LIGHT, "SWITCH %lu", *type);
  switch (*type) {
    case kStitcher:
      found.staplerPresent = true;
      break;
    case kBinder:
      LOGPRINTA(LOG_LIGHT, "We found a BINDER and save the instance where he is present");
      found.binderInstance.push_back(types.instance(row));
      break;
    case kPuncher:
      LOGPRINTA(LOG_LIGHT, "We found a Puncher and save the instance where he is present");
      found.puncherInstance.push_back(types.instance(row));
      break;
    case kStacker:
      ++found.stackerPresent;
      break;
    case kInserter:
      addInstallableOption(list, "XG7110");
      break;
    default:
      break;
  }
}

// Devices switched off are ignored; a device without an on/off row is on.
Finishers scanDevices(const Column& types, const Column& onOff, PTS_BiDiInstallableOption* list) {
  Finishers found;
  for (int i = 0; i < types.rows(); ++i) {
    if (onOff.number(i) == kDeviceOff) continue;
    noteDevice(types, i, found, list);
  }
  return found;
}

void addStitcherAndStacker(const Finishers& found, PTS_BiDiInstallableOption* list) {
  int stackerClass = found.stackerPresent == 0 ? 0 : found.stackerPresent <= 3 ? 1 : 2;
  static constexpr const char* withStitcher[] = {"XM7100", "XM71001", "XM71002"};
  static constexpr const char* withoutStitcher[] = {nullptr, "XL71001", "XL71002"};
  const char* code = found.staplerPresent ? withStitcher[stackerClass] : withoutStitcher[stackerClass];
  if (code != nullptr) addInstallableOption(list, code);
}

// True when the row OID has `attribute` (".15.1", ".50.1") within its last six characters.
bool isAttributeRow(std::string_view oid, std::string_view attribute) {
  std::string_view tail = oid.substr(oid.size() > 6 ? oid.size() - 6 : 0);
  return tail.find(attribute) != std::string_view::npos;
}

bool belongsTo(const Column& attributes, int row, const std::vector<int>& devices) {
  return std::find(devices.begin(), devices.end(), attributes.instance(row)) != devices.end();
}

void addPunch(const Column& attributes, const std::vector<int>& punchers, PTS_BiDiInstallableOption* list) {
  bool punch2 = false;
  bool punch3 = false;
  bool punch4 = false;
  for (int i = 0; i < attributes.rows(); ++i) {
    if (!isAttributeRow(attributes.oid(i), ".15.1") || !belongsTo(attributes, i, punchers)) continue;
    std::optional<unsigned long> holes = attributes.number(i);
    punch2 = punch2 || holes == 2UL;
    punch3 = punch3 || holes == 3UL;
    punch4 = punch4 || holes == 4UL;
  }
  if (punch2 && punch3 && !punch4) addInstallableOption(list, "XH7100NA");
  if (punch2 && !punch3 && punch4) addInstallableOption(list, "XH7100EU");
  if (!punch2 && !punch3 && punch4) addInstallableOption(list, "XH7100SC");
}

// The last binding type row of a binder decides; a row without an integer is skipped.
void addBinder(const Column& attributes, const std::vector<int>& binders, PTS_BiDiInstallableOption* list) {
  int binderType = 0;
  for (int i = 0; i < attributes.rows(); ++i) {
    if (!isAttributeRow(attributes.oid(i), ".50.1") || !belongsTo(attributes, i, binders)) continue;
    std::optional<unsigned long> binding = attributes.number(i);
    if (!binding) continue;
    binderType = *binding == 1 ? 3 : *binding == 7 ? 2 : 1;
  }
  static constexpr const char* codes[] = {nullptr, "XK7100", "XJ7100", "XF7110"};
  if (codes[binderType] != nullptr) addInstallableOption(list, codes[binderType]);
}

TE_BiDiStatus addPunchAndBinder(unsigned char sessionID, const Finishers& found,
                                PTS_BiDiInstallableOption* list) {
  if (found.puncherInstance.empty() && found.binderInstance.empty()) return en_BiDiSuccess;
  LOGPRINTA(LOG_LIGHT, "We have puncher or binder");
  Column attributes(kAttributeOid, sessionID);
  if (!attributes.ok()) return attributes.status();
  LOGPRINTA(LOG_LIGHT, "All the attributes for puncher and binder");
  if (!found.puncherInstance.empty()) addPunch(attributes, found.puncherInstance, list);
  if (!found.binderInstance.empty()) addBinder(attributes, found.binderInstance, list);
  return en_BiDiSuccess;
}

// Large-capacity trays, the bypass tray 7 and the inserter trays 12 and 13.
void addTrayOptions(unsigned char sessionID, PTS_BiDiInstallableOption* list) {
  PTS_BiDiInput head = nullptr;
  BiDi_GetInput(sessionID, &head);
  tvx::bidi::InputList trays(head);
  int maxIndex = 0;
  bool isTray7Present = false;
  for (const TS_BiDiInput* tray = trays.get(); tray != nullptr; tray = tray->next) {
    if (tray->inputIdx == 7) isTray7Present = true;
    if (tray->inputIdx > maxIndex && tray->inputIdx <= 6) maxIndex = tray->inputIdx;
    if (tray->inputIdx == 12 || tray->inputIdx == 13) addInstallableOption(list, "XG7110");
  }
  if (isTray7Present) addInstallableOption(list, "XD7100");
  if (maxIndex == 5) addInstallableOption(list, "XE7100");
  if (maxIndex == 6) addInstallableOption(list, "XE71002");
  if (maxIndex == 4) addInstallableOption(list, "XE71001");
}

}  // namespace

TE_BiDiStatus BiDi_GetInstallableOption(unsigned char sessionID,
                                        PTS_BiDiInstallableOption* lBiDiInstallableOption) {
  tvx::log::Scope trace("BiDi_GetInstallableOption");
  *lBiDiInstallableOption = nullptr;
  Finishers found;
  {
    Column types(kDeviceTypeOid, sessionID);
    if (!types.ok()) return types.status();
    Column onOff(kDeviceOnOffOid, sessionID);
    if (!onOff.ok()) return onOff.status();
    LOGPRINTA(LOG_LIGHT, "Operate table with %d instances", types.rows());
    found = scanDevices(types, onOff, lBiDiInstallableOption);
    addStitcherAndStacker(found, lBiDiInstallableOption);
  }
  TE_BiDiStatus status = addPunchAndBinder(sessionID, found, lBiDiInstallableOption);
  if (status != en_BiDiSuccess) return status;
  addTrayOptions(sessionID, lBiDiInstallableOption);
  return en_BiDiSuccess;
}

TE_BiDiStatus BiDi_ClearInstallableOption(PTS_BiDiInstallableOption* lBiDiInstallableOption) {
  tvx::log::Scope trace("BiDi_ClearInstallableOption");
  tvx::bidi::releaseList(lBiDiInstallableOption, [](PTS_BiDiInstallableOption node) { freeInstallableOption(&node); });
  return en_BiDiSuccess;
}

TE_BiDiStatus freeInstallableOption(PTS_BiDiInstallableOption* nodeBiDiInstallableOption) {
  delete[] (*nodeBiDiInstallableOption)->strOption;
  delete *nodeBiDiInstallableOption;
  return en_BiDiSuccess;
}

TE_BiDiStatus addInstallableOption(PTS_BiDiInstallableOption* lBiDiInstallableOption,
                                   const char* strInstallableOption) {
  tvx::log::Scope trace("addInstallableOption");
  LOGPRINTA(LOG_LIGHT, "We add :%s", strInstallableOption);
  for (const TS_BiDiInstallableOption* node = *lBiDiInstallableOption; node != nullptr; node = node->next) {
    if (std::strcmp(node->strOption, strInstallableOption) == 0) return en_BiDiSuccess;
  }
  PTS_BiDiInstallableOption node = nullptr;
  TE_BiDiStatus status = allocateAndCopyInstallableOption(&node, strInstallableOption);
  if (status == en_BiDiSuccess) tvx::bidi::pushFront(lBiDiInstallableOption, node);
  return status;
}

TE_BiDiStatus allocateAndCopyInstallableOption(PTS_BiDiInstallableOption* nodeBiDiInstallableOption,
                                               const char* strInstallableOption) {
  tvx::log::Scope trace("allocateAndCopyInstallableOption");
  size_t size = std::strlen(strInstallableOption) + 1;
  std::unique_ptr<TS_BiDiInstallableOption> node(new (std::nothrow) TS_BiDiInstallableOption{});
  std::unique_ptr<char[]> code(new (std::nothrow) char[size]);
  *nodeBiDiInstallableOption = nullptr;
  if (!node || !code) return en_BiDiNotEnoughMemory;
  std::memcpy(code.get(), strInstallableOption, size);
  node->strOption = code.release();
  *nodeBiDiInstallableOption = node.release();
  return en_BiDiSuccess;
}
