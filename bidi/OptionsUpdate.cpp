#include "bidi/OptionsUpdate.h"

#include <array>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiLandmarks.h"
#include "bidi/PPDCycle.h"
#include "bidi/TrayUpdate.h"
#include "bidi/lib/BiDiInstall.h"


namespace {

using tvx::bidi::UpdateStatus;
using tvx::bidi::logMarkerFound;

constexpr int kCategories = 9;

struct CodeCategory {
  std::string_view code;
  int category;
};

constexpr std::array<CodeCategory, 19> kCodeCategories{{
    {"XA7100", 0},   {"XB7100", 0},   {"XC4380", 1},   {"XD7100", 2},   {"XE7100", 3},
    {"XE71001", 3},  {"XE71002", 3},  {"XF7110", 4},   {"XG7110", 5},   {"XH7100NA", 6},
    {"XH7100EU", 6}, {"XH7100SC", 6}, {"XJ7100", 7},   {"XK7100", 7},   {"XL71001", 8},
    {"XL71002", 8},  {"XM7100", 8},   {"XM71001", 8},  {"XM71002", 8},
}};

// The reported code of `category`; the last of several in the list wins.
std::string categoryValue(const TS_BiDiInstallableOption* options, int category) {
  std::string value = "False";
  for (; options != nullptr; options = options->next) {
    if (getTypeInstalled(options->strOption) == category) value = options->strOption;
  }
  return value;
}

// Replaces each category's default line; a key missing from the PPD is
// written at its end.
void rewriteDefaults(const TS_BiDiInstallableOption* options, tvx::PSWindow& window) {
  window.copyUntilMarker("InstallableOptions", 0, logMarkerFound);
  for (int category = 0; category < kCategories; ++category) {
    std::string key = std::string("Default") + installOptions[category] + ": ";
    window.copyUntilMarker(key.c_str(), 0, logMarkerFound);
    window.write(key + categoryValue(options, category) + "\n");
    window.takeHeldLine(1);
  }
}

// A PPD of the model in which the pass finds every default line it
// replaces: after "InstallableOptions", in category order, each a whole
// "*Default<category>: " line inside its own option.
bool optionLandmarksHold(std::string_view ppd) {
  if (!tvx::bidi::isModelPPD(ppd)) return false;
  tvx::bidi::LandmarkWalk walk(ppd);
  if (!walk.copyTo("InstallableOptions")) return false;
  for (const char* category : installOptions) {
    if (!walk.copyTo(std::string("Default") + category + ": ") || !walk.onOwnLine("*") ||
        !walk.insideOption(category)) {
      return false;
    }
    walk.passLine();
  }
  return true;
}

}  // namespace

int getTypeInstalled(const char* option) {
  for (const CodeCategory& entry : kCodeCategories) {
    if (entry.code == option) return entry.category;
  }
  return -1;
}

UpdateStatus BiDi_UpdateInstallableOptions(unsigned char sessionID, const char* queue) {
  PTS_BiDiInstallableOption head = nullptr;
  TE_BiDiStatus status = BiDi_GetInstallableOption(sessionID, &head);
  tvx::bidi::OptionList options(head);
  if (status != en_BiDiSuccess) return UpdateStatus::kQueryFailed;
  if (!options) return UpdateStatus::kNoOptions;
  // The tray update follows in the same run: its landmarks are checked too,
  // so that a PPD it would refuse is not half updated.
  auto landmarks = [](std::string_view ppd) { return optionLandmarksHold(ppd) && inputLandmarksHold(ppd); };
  return tvx::bidi::editPPD(queue, landmarks,
                            [&](tvx::PSWindow& window) { rewriteDefaults(options.get(), window); });
}
