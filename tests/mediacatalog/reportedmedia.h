// Media as the media update builds them from the printer's records, for the
// catalog's and the filter's tests, which build catalogs without the update.
// tests/bidi/catalog_media_test.cpp checks that they are the update's.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/printertext.h"
#include "mediacatalog/media.h"
#include "mediacatalog/mediacatalogutil.h"

namespace tvx::test {

// A media of the printer with these texts, weight and sides (in the printer's
// order), shown in millimetres, with no ability but punching and folding.
inline std::unique_ptr<CMedia> reportedMedia(std::string_view name, unsigned long width,
                                             unsigned long length, std::string_view type = "",
                                             std::string_view color = "", int weight = 0) {
  auto media = std::make_unique<CMedia>(
      tvx::text::singleLine(name).c_str(), "millimeters", "", tvx::text::singleLine(type).c_str(),
      tvx::text::singleLine(color).c_str(), weight, width, length, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0,
      nullptr, nullptr, nullptr, 0, 0, en_CatalogNone, 0, nullptr, 0, 0, false, true);
  tvx::catalog::setField(media->ppdKey, tvx::text::ppdKeyword(tvx::catalog::fieldText(media->name)));
  return media;
}

}  // namespace tvx::test
