#include "mediacatalog/media.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "common/printertext.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::setField;

namespace {

std::string_view textOrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

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

CMedia::CMedia(const char* name_, const char* unit_, const char* description_, const char* type_,
               const char* color_, int weight_, unsigned long width_, unsigned long length_,
               unsigned char edgeSensitive_, unsigned char sideSensitive_, unsigned char canDuplex_,
               unsigned char canStaple_, unsigned char canPunch_, unsigned char canBookletStaple_,
               unsigned char canFold_, unsigned char canFlip_, unsigned char isFavorite_,
               unsigned char PrePrinted_, const unsigned char* auxBytes_, const char* szTray_,
               const char* szUUID_, unsigned int auxValue1_, unsigned int auxValue2_,
               _CATALOG catalog_, unsigned int dmSize_, const char* ppdKey_, char defaultMedia_,
               long auxLong_, bool auxFlag1_, bool auxFlag2_)
    : weight(weight_),
      // The catalog file holds it in 32 bits.
      auxLong(std::clamp<long>(auxLong_, INT_MIN, INT_MAX)),
      auxFlag1(auxFlag1_),
      auxFlag2(auxFlag2_),
      edgeSensitive(edgeSensitive_),
      sideSensitive(sideSensitive_),
      canDuplex(canDuplex_),
      canStaple(canStaple_),
      canPunch(canPunch_),
      canBookletStaple(canBookletStaple_),
      canFold(canFold_),
      canFlip(canFlip_),
      isFavorite(isFavorite_),
      PrePrinted(PrePrinted_),
      defaultMedia(static_cast<unsigned char>(defaultMedia_)),
      auxValue1(auxValue1_),
      auxValue2(auxValue2_),
      dmSize(dmSize_),
      catalog(catalog_) {
  setField(name, textOrEmpty(name_));
  setField(unit, textOrEmpty(unit_));
  setField(description, textOrEmpty(description_));
  setField(type, textOrEmpty(type_));
  setField(color, textOrEmpty(color_));
  setField(szTray, textOrEmpty(szTray_));
  setField(szUUID, textOrEmpty(szUUID_));
  setField(ppdKey, textOrEmpty(ppdKey_));
  if (auxBytes_ != nullptr) std::copy_n(auxBytes_, sizeof auxBytes, auxBytes);
  SetSize(width_, length_);
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
