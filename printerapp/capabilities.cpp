#include "printerapp/capabilities.h"

#include <cups/cups.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <set>
#include <utility>

#include "bidi/CatalogMedia.h"
#include "bidi/OptionsUpdate.h"
#include "jobchoices/optioncode.h"

namespace tvx::papp {

namespace {

namespace jc = tvx::jobchoices;

// Sides the catalog takes, in thousandths of a point (as the media update).
constexpr unsigned long kMinSide = 1000;
constexpr unsigned long kMaxSide = 7200000;

// The categories of the installable options (OptionsUpdate.h).
constexpr int kPunchUnit = 6;
constexpr int kFinisher = 8;

// The hole counts each punch unit can punch; the model PPD constrains the
// others away.
struct PunchUnit {
  std::string_view code;
  std::array<int, 2> holes;
};
constexpr std::array<PunchUnit, 3> kPunchUnits{{
    {"XH7100NA", {2, 3}},
    {"XH7100EU", {2, 4}},
    {"XH7100SC", {4, 0}},
}};

// The finishers that staple; the stackers do not.
constexpr std::array<std::string_view, 3> kStaplers{"XM7100", "XM71001", "XM71002"};

struct TypeWord {
  std::string_view word;
  std::string_view keyword;
};
constexpr std::array<TypeWord, 10> kTypeWords{{
    {"plain", "stationery"},
    {"coat", "stationery-coated"},
    {"coated", "stationery-coated"},
    {"heavy", "stationery-heavyweight"},
    {"recycled", "stationery-recycled"},
    {"colored", "stationery-colored"},
    {"tabstock", "tab-stock"},
    {"envelope", "envelope"},
    {"labels", "labels"},
    {"transparency", "transparency"},
}};

// The profile options: the vendor attribute of each PPD option.
struct ProfileAttribute {
  std::string_view attribute;
  std::string_view option;
};
constexpr std::array<ProfileAttribute, 8> kProfileAttributes{{
    {"tavorinex-rgb-input-image-profile", "RGBInputImage"},
    {"tavorinex-rgb-input-text-profile", "RGBInputText"},
    {"tavorinex-cmyk-input-image-profile", "CMYKInputImage"},
    {"tavorinex-cmyk-input-text-profile", "CMYKInputText"},
    {"tavorinex-gray-input-image-profile", "GrayInputImage"},
    {"tavorinex-gray-input-text-profile", "GrayInputText"},
    {"tavorinex-printer-text-profile", "PrinterText"},
    {"tavorinex-printer-image-profile", "PrinterImage"},
}};

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return isLower(c) || isUpper(c); }
char lower(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Text as a keyword: lower case letters, digits and the characters of
// `kept`, every other run as one "-", none at either end. With `splitWords`
// a word boundary inside a PPD key ("PlainA480": a capital after a small
// letter, a digit after a letter) becomes a "-" too, as CUPS names a PPD's
// page sizes; a letter after a digit too.
std::string keywordOf(std::string_view text, std::string_view kept, bool splitWords) {
  std::string keyword;
  bool gap = false;
  char previous = '\0';
  for (char c : text) {
    bool keep = isAlpha(c) || isDigit(c) || kept.find(c) != std::string_view::npos;
    if (!keep) {
      gap = true;
    } else {
      bool boundary =
          splitWords && ((isUpper(c) && isLower(previous)) || (isDigit(c) && isAlpha(previous)) ||
                         (isAlpha(c) && isDigit(previous)));
      if ((gap || boundary) && !keyword.empty()) keyword += '-';
      keyword += lower(c);
      gap = false;
    }
    previous = c;
  }
  return keyword;
}

// Thousandths of a point as hundredths of a millimetre, rounded.
int hundredthsOfMm(unsigned long thousandthsOfPoint) {
  return static_cast<int>((thousandthsOfPoint * 127 + 1800) / 3600);
}

// Hundredths of a millimetre as PWG name text: "210", "215.9", "209.94".
std::string millimetres(int hundredths) {
  std::string text = std::to_string(hundredths / 100);
  int fraction = hundredths % 100;
  if (fraction != 0) {
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  }
  return text;
}

// The list in the printer's order: the readers link the last row first.
template <typename Node>
std::vector<const Node*> inPrinterOrder(const Node* head) {
  std::vector<const Node*> rows;
  for (; head != nullptr; head = head->next) rows.push_back(head);
  std::reverse(rows.begin(), rows.end());
  return rows;
}

struct NamedMedia {
  std::string printerName;
  MediaEntry entry;
};

std::vector<NamedMedia> mediaOf(const TS_BiDiMedia* list) {
  std::vector<NamedMedia> media;
  std::set<std::string> keys;
  std::set<std::string> names;
  std::set<std::pair<int, int>> sizes;
  for (const TS_BiDiMedia* row : inPrinterOrder(list)) {
    if (media.size() == kMaxMedia) break;
    std::unique_ptr<CMedia> record = tvx::bidi::catalogMediaFrom(*row);
    if (!record || record->ppdKey[0] == '\0' || record->GetWidth() < kMinSide ||
        record->GetLength() > kMaxSide || !keys.insert(record->ppdKey).second) {
      continue;
    }
    MediaEntry entry;
    entry.key = record->ppdKey;
    entry.width = hundredthsOfMm(record->GetWidth());
    entry.length = hundredthsOfMm(record->GetLength());
    entry.type = mediaTypeKeyword(record->type);
    if (sizes.insert({entry.width, entry.length}).second) {
      pwg_media_t* size = pwgMediaForSize(entry.width, entry.length);
      if (size != nullptr && size->pwg != nullptr) entry.name = size->pwg;
    }
    if (entry.name.empty() || names.count(entry.name) != 0) {
      entry.name = "om_" + keywordOf(entry.key, "", true) + "_" + millimetres(entry.width) + "x" +
                   millimetres(entry.length) + "mm";
    }
    if (!names.insert(entry.name).second) continue;
    char name[sizeof record->name];
    media.push_back({record->GetName(name), std::move(entry)});
  }
  return media;
}

bool nameHas(std::string_view name, std::string_view word) {
  std::string lowered;
  for (char c : name) lowered += lower(c);
  return lowered.find(word) != std::string::npos;
}

// The source keyword of each tray, in tray order.
void addSources(Capabilities& capabilities, const TS_BiDiInput* trays,
                const std::vector<NamedMedia>& media) {
  std::vector<const TS_BiDiInput*> rows = inPrinterOrder(trays);
  std::stable_sort(rows.begin(), rows.end(), [](const TS_BiDiInput* a, const TS_BiDiInput* b) {
    return a->inputIdx < b->inputIdx;
  });
  std::set<std::string> taken;
  for (const TS_BiDiInput* tray : rows) {
    if (capabilities.sources.size() == kMaxSources) break;
    std::string source = "tray-" + std::to_string(tray->inputIdx);
    if (std::string_view(tray->inputType) == "unknown" || nameHas(tray->inputName, "bypass")) {
      source = "by-pass-tray";
    } else if (nameHas(tray->inputName, "lct")) {
      source = "large-capacity";
    }
    if (taken.count(source) != 0) source = "tray-" + std::to_string(tray->inputIdx);
    if (tray->inputIdx < 1 || !taken.insert(source).second) continue;
    capabilities.sources.push_back(source);
    capabilities.sourceTrays.emplace(source, tray->inputIdx);
    for (const NamedMedia& held : media) {
      if (held.printerName == tray->inputMedia) {
        const MediaEntry& entry = held.entry;
        capabilities.ready.push_back({source, entry.name, entry.width, entry.length, entry.type});
        capabilities.trayMedia.emplace(tray->inputIdx, entry.key);
        break;
      }
    }
  }
}

std::string installedOf(const TS_BiDiInstallableOption* options, int category) {
  std::string code;
  for (; options != nullptr; options = options->next) {
    if (getTypeInstalled(options->strOption) == category) code = options->strOption;
  }
  return code;
}

std::vector<int> finishingsOf(const TS_BiDiInstallableOption* options) {
  std::vector<int> finishings{jc::kFinishingNone};
  std::string finisher = installedOf(options, kFinisher);
  if (std::find(kStaplers.begin(), kStaplers.end(), finisher) != kStaplers.end()) {
    finishings.insert(finishings.end(), {jc::kStapleAny, jc::kStapleTopLeft, jc::kStapleDualLeft,
                                         jc::kStapleDualTop});
  }
  std::string unit = installedOf(options, kPunchUnit);
  for (const PunchUnit& punch : kPunchUnits) {
    if (punch.code != unit) continue;
    for (int holes : punch.holes) {
      if (holes == 2) {
        finishings.insert(finishings.end(), {jc::kPunchAny, jc::kPunchDualLeft, jc::kPunchDualTop});
      }
      if (holes == 3) finishings.insert(finishings.end(), {jc::kPunchTripleLeft, jc::kPunchTripleTop});
      if (holes == 4) finishings.insert(finishings.end(), {jc::kPunchQuadLeft, jc::kPunchQuadTop});
    }
  }
  std::sort(finishings.begin(), finishings.end());
  return finishings;
}

ProfileOption profileOption(std::string_view attribute, const TS_ColorProfile* list) {
  ProfileOption option{std::string(attribute), {"none"}, {""}};
  // In the reader's order, which the PPD's choices keep.
  for (const TS_ColorProfile* profile = list; profile != nullptr; profile = profile->next) {
    std::string keyword = profileKeyword(profile->name);
    if (keyword.empty() || keyword == "none" ||
        std::find(option.values.begin(), option.values.end(), keyword) != option.values.end()) {
      continue;
    }
    option.values.push_back(keyword);
    option.profiles.push_back(profile->name);
  }
  return option;
}

}  // namespace

std::string mediaTypeKeyword(std::string_view type) {
  std::string keyword = keywordOf(type, "", false);
  std::string_view word = std::string_view(keyword).substr(0, keyword.find('-'));
  for (const TypeWord& known : kTypeWords) {
    if (known.word == word) return std::string(known.keyword) + keyword.substr(word.size());
  }
  return keyword;
}

std::string profileKeyword(std::string_view name) { return keywordOf(name, "._", false); }

Capabilities capabilitiesFrom(const TS_BiDiMedia* media, const TS_BiDiInput* trays,
                              const TS_BiDiInstallableOption* options,
                              const ProfileLists& profiles) {
  Capabilities capabilities;
  std::vector<NamedMedia> named = mediaOf(media);
  for (const NamedMedia& entry : named) {
    capabilities.media.push_back(entry.entry);
    const std::string& type = entry.entry.type;
    if (!type.empty() && capabilities.types.size() < kMaxTypes &&
        std::find(capabilities.types.begin(), capabilities.types.end(), type) ==
            capabilities.types.end()) {
      capabilities.types.push_back(type);
    }
  }
  addSources(capabilities, trays, named);
  capabilities.finishings = finishingsOf(options);
  for (int category = 0; category < static_cast<int>(std::size(installOptions)); ++category) {
    std::string code = installedOf(options, category);
    if (!code.empty()) capabilities.installed.emplace(installOptions[category], code);
  }
  const std::array<const TS_ColorProfile*, 4> spaces{profiles.rgb, profiles.cmyk, profiles.gray,
                                                     profiles.output};
  for (std::size_t i = 0; i < kProfileAttributes.size(); ++i) {
    capabilities.profiles.push_back(profileOption(kProfileAttributes[i].attribute, spaces[i / 2]));
  }
  return capabilities;
}

std::string_view profilePPDOption(std::string_view attribute) {
  for (const ProfileAttribute& entry : kProfileAttributes) {
    if (entry.attribute == attribute) return entry.option;
  }
  return {};
}

std::string mediaKeyFor(const Capabilities& capabilities, std::string_view name) {
  for (const MediaEntry& entry : capabilities.media) {
    if (entry.name == name) return entry.key;
  }
  // A size's name given for a later media of that size.
  pwg_media_t* size = pwgMediaForPWG(std::string(name).c_str());
  if (size == nullptr) return {};
  for (const MediaEntry& entry : capabilities.media) {
    if (entry.width == size->width && entry.length == size->length) return entry.key;
  }
  return {};
}

}  // namespace tvx::papp
