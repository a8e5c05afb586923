#include "jobchoices/mediachoice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "jobchoices/optioncode.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"
#include "mediacatalog/sizechoices.h"

namespace tvx::jobchoices {

namespace {

// Sizes within half a millimetre are one size, as the PWG names round them.
constexpr int kTolerance = 50;

struct PwgSize {
  std::string_view name;
  int x;
  int y;
};

// The PWG names of the sheets (and envelopes) a production printer takes.
constexpr std::array<PwgSize, 24> kPwgSizes{{
    {"na_invoice_5.5x8.5in", 13970, 21590},     {"na_executive_7.25x10.5in", 18415, 26670},
    {"na_letter_8.5x11in", 21590, 27940},       {"na_legal_8.5x14in", 21590, 35560},
    {"na_9x11_9x11in", 22860, 27940},           {"na_ledger_11x17in", 27940, 43180},
    {"na_arch-b_12x18in", 30480, 45720},        {"na_super-b_13x19in", 33020, 48260},
    {"na_number-10_4.125x9.5in", 10478, 24130}, {"iso_a6_105x148mm", 10500, 14800},
    {"iso_a5_148x210mm", 14800, 21000},         {"iso_a4_210x297mm", 21000, 29700},
    {"iso_a4-extra_235.5x322.3mm", 23550, 32230}, {"iso_a3_297x420mm", 29700, 42000},
    {"iso_b5_176x250mm", 17600, 25000},         {"iso_b4_250x353mm", 25000, 35300},
    {"jis_b5_182x257mm", 18200, 25700},         {"jis_b4_257x364mm", 25700, 36400},
    {"iso_ra4_215x305mm", 21500, 30500},        {"iso_sra4_225x320mm", 22500, 32000},
    {"iso_ra3_305x430mm", 30500, 43000},        {"iso_sra3_320x450mm", 32000, 45000},
    {"iso_c5_162x229mm", 16200, 22900},         {"iso_dl_110x220mm", 11000, 22000},
}};

struct TypeRow {
  std::string_view prefix;
  std::string_view keyword;
};

// The printer's media type words (lower case, spaces dropped; first prefix
// that fits) to IPP media-type keywords. Recycled and coloured paper have
// no registered keyword; they get stationery-recycled and
// stationery-colored, so that a client can still tell them from plain.
constexpr std::array<TypeRow, 15> kTypes{{
    {"plain", "stationery"},
    {"recycled", "stationery-recycled"},
    {"letterhead", "stationery-letterhead"},
    {"preprinted", "stationery-preprinted"},
    {"prepunched", "stationery-prepunched"},
    {"colored", "stationery-colored"},
    {"coloured", "stationery-colored"},
    {"thin", "stationery-lightweight"},
    {"heavy", "stationery-heavyweight"},
    {"thick", "stationery-heavyweight"},
    {"coat", "stationery-coated"},
    {"tab", "tab-stock"},
    {"envelope", "envelope"},
    {"transparency", "transparency"},
    {"label", "labels"},
}};

std::string typeWords(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

bool sameSize(MediaSize a, MediaSize b) {
  return std::abs(a.x - b.x) <= kTolerance && std::abs(a.y - b.y) <= kTolerance;
}

MediaSize ordered(MediaSize size) {
  return {std::min(size.x, size.y), std::max(size.x, size.y)};
}

// Hundredths of a millimetre as "209.9": up to two decimals.
std::string millimetres(int hundredths) {
  std::string text = std::to_string(hundredths / 100);
  int decimals = hundredths % 100;
  if (decimals == 0) return text;
  text += "." + std::to_string(decimals / 10);
  if (decimals % 10 != 0) text += std::to_string(decimals % 10);
  return text;
}

// A decimal number ("8.5", "4.125") times `scale`, rounded; nullopt for no
// number or one out of range.
std::optional<int> scaledDecimal(std::string_view text, std::int64_t scale) {
  std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || whole.size() > 5 || fraction.size() > 4 || !digits(whole) ||
      !digits(fraction)) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (char c : whole) value = value * 10 + (c - '0');
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
  for (char c : fraction) {
    numerator = numerator * 10 + (c - '0');
    denominator *= 10;
  }
  return static_cast<int>(value * scale + (numerator * scale + denominator / 2) / denominator);
}

// CUPS's name of a PPD key in an IPP name ("PlainA480" -> "plain-a-480").
std::string ippNameOfKey(std::string_view key) {
  std::string name;
  for (std::size_t i = 0; i < key.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(key[i]);
    unsigned char next = i + 1 < key.size() ? static_cast<unsigned char>(key[i + 1]) : 0;
    if (c == '-' || c == '_' || c == '.') {
      if (!name.empty() && !name.ends_with('-')) name += '-';
      continue;
    }
    name += static_cast<char>(std::tolower(c));
    bool capitalNext = std::isupper(next) != 0 && std::isupper(c) == 0 && std::isalnum(c) != 0;
    bool digitNext = std::isdigit(next) != 0 && std::isdigit(c) == 0;
    if (capitalNext || digitNext) name += '-';
  }
  while (name.ends_with('-')) name.pop_back();
  return name;
}

std::string keyOf(const CMedia& media) {
  return std::string(tvx::catalog::fieldText(media.ppdKey));
}

const CMedia* firstMedia(CMediaCatalog& catalog, const auto& fits) {
  for (const CMedia* media = catalog.GetAllMedias(); media != nullptr; media = media->GetNext()) {
    if (fits(*media)) return media;
  }
  return nullptr;
}

// What a request asks of a media, the source apart.
struct Wanted {
  const CMedia* named = nullptr;
  std::optional<MediaSize> size;
  std::string type;

  bool fits(const CMedia& media) const {
    return (named == nullptr || named == &media) &&
           (!size || sameSize(mediaSizeOf(media), *size)) &&
           (type.empty() || ippMediaType(tvx::catalog::fieldText(media.type)) == type);
  }
};

std::string describe(const MediaRequest& request) {
  if (!request.name.empty()) return "media " + request.name;
  std::string text = "media-col";
  if (!request.source.empty()) text += " media-source " + request.source;
  if (request.size) {
    MediaSize size = ordered(*request.size);
    text += " media-size " + millimetres(size.x) + "x" + millimetres(size.y) + "mm";
  }
  if (!request.type.empty()) text += " media-type " + request.type;
  return text;
}

MediaChoice refused(const MediaRequest& request, std::string_view why = "is not supported") {
  return {{}, 0, describe(request) + " " + std::string(why)};
}

// Fills `wanted` from the request's media name; false when it names nothing
// of the catalog.
bool resolveName(CMediaCatalog& catalog, std::string_view name, Wanted& wanted) {
  if (name.empty()) return true;
  wanted.named = catalog.GetMediaByPPDKey(std::string(name).c_str());
  if (wanted.named != nullptr) return true;
  if (name.starts_with("om_")) {
    std::string_view own = name.substr(3, name.rfind('_') - 3);
    wanted.named = firstMedia(catalog, [&](const CMedia& media) {
      return ippNameOfKey(keyOf(media)) == own;
    });
    return wanted.named != nullptr;
  }
  for (const tvx::catalog::SizeChoice& choice : tvx::catalog::sizeChoices(catalog)) {
    if (!choice.key.empty() && choice.key == name) {
      wanted.size = mediaSizeOf(*choice.first);
      return true;
    }
  }
  wanted.size = sizeOfPwgName(name);
  return wanted.size.has_value();
}

}  // namespace

MediaSize mediaSizeOf(const CMedia& media) {
  auto hundredths = [](unsigned long thousandthsOfPoint) {
    return static_cast<int>((static_cast<std::uint64_t>(thousandthsOfPoint) * 127 + 1800) / 3600);
  };
  return ordered({hundredths(media.GetWidth()), hundredths(media.GetLength())});
}

std::string pwgSizeName(MediaSize size) {
  size = ordered(size);
  for (const PwgSize& pwg : kPwgSizes) {
    if (sameSize(size, {pwg.x, pwg.y})) return std::string(pwg.name);
  }
  return "custom_" + millimetres(size.x) + "x" + millimetres(size.y) + "mm";
}

std::optional<MediaSize> sizeOfPwgName(std::string_view name) {
  std::string_view dimensions = name.substr(name.rfind('_') + 1);
  std::int64_t scale = 0;
  if (dimensions.ends_with("mm")) scale = 100;
  if (dimensions.ends_with("in")) scale = 2540;
  std::size_t cross = dimensions.find('x');
  if (scale == 0 || cross == std::string_view::npos) return std::nullopt;
  std::optional<int> x = scaledDecimal(dimensions.substr(0, cross), scale);
  std::optional<int> y =
      scaledDecimal(dimensions.substr(cross + 1, dimensions.size() - 2 - cross - 1), scale);
  if (!x || !y || *x <= 0 || *y <= 0) return std::nullopt;
  return ordered({*x, *y});
}

std::string ownMediaName(const CMedia& media) {
  MediaSize size = mediaSizeOf(media);
  return "om_" + ippNameOfKey(keyOf(media)) + "_" + millimetres(size.x) + "x" +
         millimetres(size.y) + "mm";
}

std::string ippMediaType(std::string_view catalogType) {
  std::string type = typeWords(catalogType);
  for (const TypeRow& row : kTypes) {
    if (type.starts_with(row.prefix)) return std::string(row.keyword);
  }
  return "other";
}

MediaChoice chooseMedia(CMediaCatalog& catalog, const TrayMedia& trays,
                        std::string_view defaultKey, std::string_view lctChoice,
                        const MediaRequest& request) {
  Wanted wanted;
  if (!resolveName(catalog, request.name, wanted)) return refused(request);
  if (request.size) wanted.size = ordered(*request.size);
  wanted.type = request.type;

  if (!request.source.empty() && request.source != "auto") {
    for (const auto& [tray, key] : trays) {
      if (mediaSourceOf(tray, lctChoice) != request.source) continue;
      const CMedia* media = catalog.GetMediaByPPDKey(key.c_str());
      if (media == nullptr || !wanted.fits(*media)) {
        return refused(request, "is not supported: the tray holds other media");
      }
      return {keyOf(*media), tray, {}};
    }
    return refused(request);
  }

  const CMedia* chosen = wanted.named;
  if (chosen == nullptr) {
    const CMedia* byDefault = catalog.GetMediaByPPDKey(std::string(defaultKey).c_str());
    // A size and a type name the media; anything less is met by the default
    // media when it fits, as a size choice of the PPD is.
    bool sizeAndType = wanted.size && !wanted.type.empty();
    if (byDefault != nullptr && !sizeAndType && wanted.fits(*byDefault)) {
      chosen = byDefault;
    } else {
      chosen = firstMedia(catalog, [&](const CMedia& media) { return wanted.fits(media); });
    }
  }
  if (chosen == nullptr) return refused(request);
  return {keyOf(*chosen), 0, {}};
}

}  // namespace tvx::jobchoices
