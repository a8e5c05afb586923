// What a printer offers IPP clients, built from the printer readers' lists:
// plain records, free of the Printer Application library, so that the
// model is tested on its own.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "bidi/lib/BiDiMedia.h"
#include "jobchoices/mediachoice.h"

namespace tvx::papp {

// The limits of the IPP server's driver data.
inline constexpr std::size_t kMaxMedia = 256;
inline constexpr std::size_t kMaxSources = 16;
inline constexpr std::size_t kMaxTypes = 32;

// One media as IPP clients name it.
struct MediaEntry {
  // The PWG self-describing name: the size's own name for the first media
  // of a size, "om_<key>_<width>x<length>mm" for each later one, so that
  // every media of the printer can be asked for.
  std::string name;
  // The media's PPD key in the catalog ("PlainA480").
  std::string key;
  // Size in hundredths of millimetres, width <= length.
  int width = 0;
  int length = 0;
  // The IPP media type keyword.
  std::string type;

  bool operator==(const MediaEntry&) const = default;
};

// The media a source holds.
struct ReadyMedia {
  std::string source;
  // The MediaEntry name of the media in the source.
  std::string media;
  int width = 0;
  int length = 0;
  std::string type;

  bool operator==(const ReadyMedia&) const = default;
};

// One colour profile option: the vendor attribute, its values ("none"
// first, then one keyword per profile) and the profile names they stand for
// (empty for "none").
struct ProfileOption {
  std::string attribute;
  std::vector<std::string> values;
  std::vector<std::string> profiles;

  bool operator==(const ProfileOption&) const = default;
};

struct Capabilities {
  std::vector<MediaEntry> media;
  std::vector<std::string> sources;
  std::vector<ReadyMedia> ready;
  std::vector<std::string> types;
  // IPP finishings enum values, "none" (3) first.
  std::vector<int> finishings;
  std::vector<ProfileOption> profiles;
  // The tray number of each source, and the catalog media key each tray
  // holds: what a job's media-source names.
  std::map<std::string, int> sourceTrays;
  tvx::jobchoices::TrayMedia trayMedia;
  // The installed option of each installable option of the model PPD
  // ("LCT" -> "XE71002"), as bidiupdate sets the PPD's defaults; an option
  // with none installed is left out.
  std::map<std::string, std::string> installed;

  bool operator==(const Capabilities&) const = default;
};

// The profile lists of the four colour spaces, as the readers return them.
struct ProfileLists {
  const TS_ColorProfile* rgb = nullptr;
  const TS_ColorProfile* cmyk = nullptr;
  const TS_ColorProfile* gray = nullptr;
  const TS_ColorProfile* output = nullptr;
};

// The capabilities of a printer from its readers' lists (each as the reader
// returns it, last row first). Media keep the printer's order, without
// those the catalog refuses (no key, a repeated key, a side under a point or
// over 100 inches), at most kMaxMedia; sources follow the tray numbers, at
// most kMaxSources: "tray-N", the first large capacity tray (name with
// "LCT") "large-capacity", the bypass tray (type "unknown" or "bypass" in
// its name) "by-pass-tray"; a tray holds the media of its media name, or
// nothing when none has it. Staples are offered when a stapling finisher is
// installed, punch patterns those of the installed punch unit.
Capabilities capabilitiesFrom(const TS_BiDiMedia* media, const TS_BiDiInput* trays,
                              const TS_BiDiInstallableOption* options,
                              const ProfileLists& profiles);

// The IPP media type keyword of a printer's media type text: the PWG
// keyword of its first word ("Coat 2" is "stationery-coated-2"), else the
// text as a keyword ("Transparency" is "transparency").
std::string mediaTypeKeyword(std::string_view type);

// A profile name as an IPP keyword: lower case, runs of other characters
// than letters, digits, "." and "_" as one "-" ("sRGB IEC61966-2.1" is
// "srgb-iec61966-2.1").
std::string profileKeyword(std::string_view name);

// The model PPD's option of a profile vendor attribute
// ("tavorinex-printer-image-profile" is "PrinterImage"); empty for none.
std::string_view profilePPDOption(std::string_view attribute);

// The catalog media key of the IPP media `name`: that media's own, or for a
// size's name the first media of that size. Empty when no media has it.
std::string mediaKeyFor(const Capabilities& capabilities, std::string_view name);

}  // namespace tvx::papp
