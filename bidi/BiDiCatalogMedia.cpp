// CMedia's constructor from a printer's media record. It is defined here,
// beside the media update that uses it, where the record's definition is in
// reach: the catalog, which psfilter links too, sees the record only
// through a pointer.
#include "mediacatalog/media.h"

#include "bidi/lib/BiDiMedia.h"
#include "common/printertext.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::setField;

namespace {

constexpr int kInchesUnitCode = 3;

}  // namespace

CMedia::CMedia(const _TS_BiDiMedia* media) {
  if (media == nullptr) return;
  // Printer text: no control byte reaches a field, and the PPD key is the
  // keyword the PPD offers for the name (spaces and unsafe bytes dropped).
  setField(name, tvx::text::singleLine(fieldText(media->name)));
  setField(type, tvx::text::singleLine(fieldText(media->type)));
  setField(description, tvx::text::singleLine(fieldText(media->description)));
  setField(color, tvx::text::singleLine(fieldText(media->color)));
  setField(ppdKey, tvx::text::ppdKeyword(fieldText(name)));
  setField(unit, media->displayUnit == kInchesUnitCode ? "inches" : "millimeters");
  weight = media->weight;
  SetSize(media->width, media->length);
  edgeSensitive = media->edgeSensitive;
  sideSensitive = media->sideSensitive;
  canDuplex = media->canDuplex;
  canStaple = media->canStaple;
  canBookletStaple = media->canBookletStaple;
  canFlip = media->canFlip;
  canPunch = 1;
  canFold = 1;
  defaultMedia = media->defaultMedia;
  auxFlag2 = true;
}
