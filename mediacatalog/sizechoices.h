// Size-only page size choices.
//
// IPP clients ask for a size ("A4", iso_a4_210x297mm, a media-col with only
// a size), and CUPS maps such a request to the first PPD page size of that
// size. So ahead of its media the PPD offers one choice per page size that
// names the size alone, and the filter prints a job that chose it on the
// queue's default media when that has the size, else on the printer's first
// media of it. Both programs derive the choices from the catalog alone, in
// catalog order, so they agree on every key.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CMedia;
class CMediaCatalog;

namespace tvx::catalog {

// One page size of the catalog and the choice that stands for it.
struct SizeChoice {
  // Sides in whole points, width <= length.
  unsigned long width = 0;
  unsigned long length = 0;
  // The size's standard PPD name ("A4", "Letter") or else "w<width>h<length>";
  // empty when a media of the catalog has both as its key (any letter case).
  std::string key;
  // "A4", or "<width> x <length> mm" for a size without a standard name.
  std::string translation;
  // The catalog's first media of this size.
  const CMedia* first = nullptr;
};

// The catalog's page sizes in the order their first media appear.
std::vector<SizeChoice> sizeChoices(CMediaCatalog& catalog);

// The media a job that chose `key` prints on: the media whose PPD key is
// `defaultKey` when it has the size of `key`'s choice, else that size's first
// media. Null when `key` is no size choice of the catalog.
const CMedia* mediaForSizeChoice(CMediaCatalog& catalog, std::string_view key,
                                 std::string_view defaultKey);

}  // namespace tvx::catalog
