// The window of one PPD update cycle, and the final copy of the cycle.
#pragma once

#include "bidi/BiDiUtils.h"
#include "common/psstream.h"

namespace tvx::bidi {

// A window for the stream primitives, empty at the start of a cycle.
struct PPDWindow {
  char text[kPSWindowSize + 1] = {};
  int count = 0;
};

// Copies what the window holds and the rest of inputPSStream to
// tempPSStream, at most kPSFlushStep bytes at a time; the window ends empty.
void copyRestOfPPD(PPDWindow& window);

// One PPD update cycle on the PPD of `queue`: `edit` works on the cycle's
// window, the rest of the PPD follows its edits, and the result replaces the
// PPD. Returns 10 when it did, 13 when a file failed to open or the PPD
// could not be replaced.
template <typename Edit>
int editPPD(const char* queue, Edit edit) {
  if (openTempFileAndPPDFile(queue) != 0) return 13;
  PPDWindow window;
  edit(window);
  copyRestOfPPD(window);
  return updatePPDforPrinter(queue) == 0 ? 10 : 13;
}

}  // namespace tvx::bidi
