// One reading of a printer over SNMP: its capabilities and the media
// records that its jobs' catalog is built from.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bidi/lib/BiDiMedia.h"
#include "printerapp/capabilities.h"

class CMediaCatalog;

namespace tvx::papp {

struct PrinterReading {
  Capabilities capabilities;
  // The printer's media records in its own order, `next` null.
  std::vector<TS_BiDiMedia> media;
};

// Reads the printer at `peer` ("udp:HOST:PORT", as BiDi_InitSession takes
// it) with the readers bidiupdate uses, SNMPv3 settings included. nullopt
// when no session opens or a reader fails; a reader's empty list is an
// empty part of the capabilities.
std::optional<PrinterReading> readPrinter(const std::string& peer);

// A catalog without a file holding the catalog media of `media`, as the
// media update fills a queue's catalog. Null when there is no memory.
std::unique_ptr<CMediaCatalog> catalogOf(const std::vector<TS_BiDiMedia>& media);

}  // namespace tvx::papp
