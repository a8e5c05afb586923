#include "bidi/CatalogMedia.h"

#include <new>
#include <string>

#include "common/printertext.h"
#include "mediacatalog/mediacatalogutil.h"

namespace tvx::bidi {

namespace {

constexpr int kInchesUnitCode = 3;

// Printer text as a field's text: no control byte reaches a field.
std::string fieldOf(std::string_view text) { return tvx::text::singleLine(text); }

}  // namespace

std::unique_ptr<CMedia> catalogMediaFrom(const TS_BiDiMedia& media) {
  using tvx::catalog::fieldText;
  std::unique_ptr<CMedia> record(new (std::nothrow) CMedia(
      fieldOf(fieldText(media.name)).c_str(),
      media.displayUnit == kInchesUnitCode ? "inches" : "millimeters",
      fieldOf(fieldText(media.description)).c_str(), fieldOf(fieldText(media.type)).c_str(),
      fieldOf(fieldText(media.color)).c_str(), media.weight, media.width, media.length,
      media.edgeSensitive, media.sideSensitive, media.canDuplex, media.canStaple, 1,
      media.canBookletStaple, 1, media.canFlip, 0, 0, nullptr, nullptr, nullptr, 0, 0,
      en_CatalogNone, 0, nullptr, static_cast<char>(media.defaultMedia), 0, false, true));
  // The key is made from the name as stored, cut to its field.
  if (record) tvx::catalog::setField(record->ppdKey, tvx::text::ppdKeyword(fieldText(record->name)));
  return record;
}

}  // namespace tvx::bidi
