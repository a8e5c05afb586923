// The window of one PPD update cycle, and the final copy of the cycle.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiUtils.h"
#include "common/drvlog.h"
#include "common/psstream.h"

namespace tvx::bidi {

// The window of one cycle, empty at its start.
using PPDWindow = tvx::PSWindow;

// True when `ppd` was read and `check` accepts it; logs a refusal.
template <typename Check>
bool ppdPasses(const std::optional<std::string>& ppd, Check check) {
  if (ppd && check(std::string_view(*ppd))) return true;
  LOGPRINTA(LOG_LIGHT, "The PPD cannot be updated; it stays as it is");
  return false;
}

// True when the PPD of `queue` can be read and `check` accepts its text.
template <typename Check>
bool queuePPDPasses(const char* queue, Check check) {
  return ppdPasses(readPPDOfQueue(queue), check);
}

// One PPD update cycle on the PPD of `queue`: when `check` accepts the PPD's
// text, `edit` works on the cycle's window, the rest of the PPD follows its
// edits, and the result replaces the PPD. Returns kDone when it did,
// kFileFailed when a file failed to open, `check` refused the PPD (which is
// then left as it was) or the PPD could not be replaced.
template <typename Check, typename Edit>
int editPPD(const char* queue, Check check, Edit edit) {
  if (openTempFileAndPPDFile(queue) != 0) return kFileFailed;
  if (!ppdPasses(readOpenPPD(), check)) {
    abandonPPDUpdate();
    return kFileFailed;
  }
  PPDWindow window;
  edit(window);
  window.copyRest();
  return updatePPDforPrinter(queue) == 0 ? kDone : kFileFailed;
}

}  // namespace tvx::bidi
