#include "bidi/TrayUpdate.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiLandmarks.h"
#include "bidi/PPDCycle.h"
#include "bidi/lib/BiDiInput.h"
#include "common/drvlog.h"
#include "jobchoices/optioncode.h"

namespace {

using tvx::bidi::UpdateStatus;
using tvx::bidi::logMarkerFound;

// Room for the label word and the number suffix in a generated line.
constexpr std::size_t kMaxLabel = 69;

// The label word of a tray group that holds no tray entry to copy it from.
constexpr const char* kPlainLabel = "Tray ";

// The text held by the window, up to its first NUL.
std::string_view heldText(const tvx::PSWindow& window) {
  return {window.text(), strnlen(window.text(), static_cast<std::size_t>(window.count()))};
}

// The label word behind the first "/" of `held`, its terminator included: a
// plain label ends with its first space, a hexadecimal one ("<...") with the
// first "0" that follows a "2". A word without terminator ends at its line
// end. nullopt when there is no "/".
std::optional<std::string> labelWord(std::string_view held) {
  std::size_t slash = held.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view label = held.substr(slash + 1);
  label = label.substr(0, label.find_first_of("\r\n"));
  std::size_t end = std::string_view::npos;
  if (label.starts_with('<')) {
    for (std::size_t i = 2; i < label.size() && end == std::string_view::npos; ++i) {
      if (label[i - 1] == '2' && label[i] == '0') end = i + 1;
    }
  } else if (std::size_t space = label.find(' '); space != std::string_view::npos) {
    end = space + 1;
  }
  return std::string(label.substr(0, end));
}

// The tray number as the label writes it: decimal, or the hexadecimal code
// of its digit followed by ">".
std::string numberSuffix(int tray, bool hexadecimal) {
  if (!hexadecimal) return std::to_string(tray);
  char code[8];
  std::snprintf(code, sizeof code, "%X>", static_cast<unsigned>(tray + '0'));
  return code;
}

bool hasTray(const TS_BiDiInput* trays, int tray) {
  for (; trays != nullptr; trays = trays->next) {
    if (trays->inputIdx == tray) return true;
  }
  return false;
}

// Writes the entries of trays 1 to 7 with `word`. False, with nothing
// written, when a label would not fit its line.
bool writeTrayEntries(const TS_BiDiInput* trays, const std::string& word, tvx::PSWindow& window) {
  bool hexadecimal = word.starts_with('<');
  if (word.size() + numberSuffix(7, hexadecimal).size() > kMaxLabel) return false;
  for (int tray = 1; tray <= 7; ++tray) {
    if (!hasTray(trays, tray)) continue;
    std::string line = "*InputSlot Tray" + std::to_string(tray) + "/" + word +
                       numberSuffix(tray, hexadecimal) + ": \"" +
                       tvx::jobchoices::trayCode(tray) + "\"\n";
    window.write(line);
  }
  return true;
}

// Rewrites the tray entries between the Tray0 entry and "*CloseUI"; keeps
// them when no usable label follows the Tray0 entry.
void rewriteTrayEntries(const TS_BiDiInput* trays, tvx::PSWindow& window) {
  if (window.copyUntilMarker("InputSlot Tray0", 0, logMarkerFound) != 0) return;
  window.takeHeldLine(0);
  std::string_view held = heldText(window);
  std::size_t groupEnd = held.find("*CloseUI");
  // The label comes from the group's own entries only. A group left with
  // Tray0 alone (its printer once reported no tray 1 to 7) takes the plain
  // wording, so that its trays can come back.
  std::optional<std::string> word = labelWord(held.substr(0, groupEnd));
  if (!word && groupEnd != std::string_view::npos) word = kPlainLabel;
  int drop = word && writeTrayEntries(trays, *word, window) ? 1 : 0;
  window.copyUntilMarker("*CloseUI", drop, logMarkerFound);
}

}  // namespace

bool inputLandmarksHold(std::string_view ppd) {
  tvx::bidi::LandmarkWalk walk(ppd);
  if (walk.copyTo("InputSlot Tray0") && !walk.insideOption("InputSlot")) return false;
  walk.passLine();
  walk.dropTo("*CloseUI");
  return tvx::bidi::isModelPPD(ppd) && walk.safe();
}

UpdateStatus BiDi_UpdateInput(unsigned char sessionID, const char* queue) {
  LOGPRINTA(LOG_FULL, "Linux BiDi_UpdateInput");
  PTS_BiDiInput head = nullptr;
  TE_BiDiStatus status = BiDi_GetInput(sessionID, &head);
  tvx::bidi::InputList trays(head);
  if (status != en_BiDiSuccess) return UpdateStatus::kQueryFailed;
  if (!trays) return UpdateStatus::kNoTrays;
  return tvx::bidi::editPPD(queue, inputLandmarksHold,
                            [&](tvx::PSWindow& window) { rewriteTrayEntries(trays.get(), window); });
}
