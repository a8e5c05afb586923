// The window of one PPD update cycle, and the final copy of the cycle.
#pragma once

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

}  // namespace tvx::bidi
