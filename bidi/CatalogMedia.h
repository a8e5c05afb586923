// A media of the catalog built from the printer's media record. It lives
// beside the media update, where the record is in reach: the catalog, which
// psfilter links too, knows nothing of the printer's records.
#pragma once

#include <memory>

#include "bidi/lib/BiDiMedia.h"
#include "mediacatalog/media.h"

namespace tvx::bidi {

// The media as the printer reports it. Texts are cut to their fields and
// their control bytes become spaces; the PPD key is the stored name as a
// PPD keyword (only letters, digits and ". _ - +" kept, so spaces go).
// Width and length are ordered so that width <= length, feed edge 2 when
// the printer's width was not smaller than its length, else 1; punching
// and folding are allowed. Null when there is no memory for it.
std::unique_ptr<CMedia> catalogMediaFrom(const TS_BiDiMedia& media);

}  // namespace tvx::bidi
