#include "bidi/BiDiWindow.h"

#include <algorithm>

namespace tvx::bidi {

// Tops up before testing for bytes, so that an emptied window in the middle
// of the PPD does not end the copy early.
void copyRestOfPPD(PPDWindow& window) {
  for (;;) {
    getBufferFromInputPSStream(window.text, &window.count);
    if (window.count <= 0) return;
    writeBufferToTempPSStream(window.text, &window.count, std::min(window.count, kPSFlushStep), 0);
  }
}

}  // namespace tvx::bidi
