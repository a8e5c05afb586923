// Which catalog media an IPP job prints on, and the IPP names of the
// catalog's media.
//
// An IPP client names media by a PWG size name ("iso_a4_210x297mm"), by a
// media-col with a size, a type and a source, or by the name a media of its
// own gets ("om_plain-a-480_210x297mm"). The answer is a media of the
// queue's catalog, by its PPD key, which psfilter's job resolves as it does a
// page size choice; so an IPP job prints on what the same request through the
// PPD front prints on.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

class CMedia;
class CMediaCatalog;

namespace tvx::jobchoices {

// A size in hundredths of a millimetre, as IPP gives it.
struct MediaSize {
  int x = 0;
  int y = 0;
};

// What an IPP job asks for; empty fields ask nothing.
struct MediaRequest {
  // "media-source" of media-col ("tray-2", "large-capacity", "auto").
  std::string source;
  // "media-size" of media-col.
  std::optional<MediaSize> size;
  // "media-type" of media-col ("stationery").
  std::string type;
  // "media": a PWG size name, a media's own name, or a PPD key.
  std::string name;
};

// What each tray holds: tray number to the catalog media's PPD key.
using TrayMedia = std::map<int, std::string>;

// The answer: the catalog media and the tray to feed it from (0: any), or
// a refusal when `ppdKey` is empty.
struct MediaChoice {
  std::string ppdKey;
  int tray = 0;
  std::string refusal;
};

// The media a job that asked `request` prints on, from `catalog` with the
// trays' media `trays`, the queue's default media `defaultKey` and the large
// capacity tray installed `lctChoice` (a choice of LCT, which names the
// "large-capacity" source). A source gives what that tray holds (refused
// when it lacks an asked size or type); a size and a type give the first
// media of both; a size alone the default media when it has that size, else
// the first media of it; a media's own name that media; nothing asked the
// default media (the first media when the default is none of the catalog's).
// The catalog is read, not reloaded.
MediaChoice chooseMedia(CMediaCatalog& catalog, const TrayMedia& trays,
                        std::string_view defaultKey, std::string_view lctChoice,
                        const MediaRequest& request);

// The size of `media` in hundredths of a millimetre, x the shorter side.
MediaSize mediaSizeOf(const CMedia& media);

// The PWG name of a size: the standard name of a sheet a production
// printer takes ("iso_a4_210x297mm", "na_letter_8.5x11in") within 0.5 mm,
// else "custom_<x>x<y>mm" with up to two decimals.
std::string pwgSizeName(MediaSize size);

// The size a PWG self-describing name ends in ("..._210x297mm",
// "..._8.5x11in"), x the shorter side; nullopt when it ends in none.
std::optional<MediaSize> sizeOfPwgName(std::string_view name);

// The name of a media of its own: "om_" and its PPD key in lower case with
// a hyphen where a lower case letter meets a capital and where letters meet
// digits ("PlainA480" gives "plain-a-480"), "_" and its size in mm.
std::string ownMediaName(const CMedia& media);

// The IPP "media-type" keyword of a catalog media type text (the printer's
// words: "Plain", "Coat 2", "Heavy 2"...); "other" for a type of no row.
std::string ippMediaType(std::string_view catalogType);

}  // namespace tvx::jobchoices
