#include "mediacatalog/media.h"

#include <algorithm>

#include "common/printertext.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::setField;

CMedia::CMedia() {
  setField(type, "Plain");
  setField(color, "WHITE");
  setField(unit, "inches");
  weight = -1;
  width = 612000;
  length = 792000;
  feedEdge = 1;
  edgeSensitive = sideSensitive = canDuplex = canStaple = 1;
  canPunch = canBookletStaple = canFold = canFlip = 1;
}

// Orders the sides so that width <= length and records the feed edge the
// printer's order implies; sizes are kept within the file's 32 bits.
void CMedia::SetSize(unsigned long printerWidth, unsigned long printerLength) {
  feedEdge = printerWidth >= printerLength ? 2 : 1;
  width = tvx::catalog::clampSize(std::min(printerWidth, printerLength));
  length = tvx::catalog::clampSize(std::max(printerWidth, printerLength));
}

char* CMedia::GetName(char* buffer) const {
  tvx::text::copyField(buffer, sizeof name, fieldText(name));
  return buffer;
}

char* CMedia::GetPpdKey(char* buffer) const {
  tvx::text::copyField(buffer, sizeof ppdKey, fieldText(ppdKey));
  return buffer;
}

int CMedia::GetCount() const {
  const CMedia* first = this;
  while (first->prev != nullptr) first = first->prev;
  int count = 0;
  for (const CMedia* media = first; media != nullptr; media = media->next) ++count;
  return count;
}
