#include "mediacatalog/sizechoices.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <utility>

#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

namespace tvx::catalog {

namespace {

struct StandardSize {
  std::string_view name;
  unsigned long width;
  unsigned long length;
};

// The standard PPD size names of the sheets a production printer takes, with
// their sides rounded to whole points as the catalog's sizes are.
constexpr std::array<StandardSize, 20> kStandardSizes{{
    {"Statement", 396, 612}, {"Executive", 522, 756}, {"Letter", 612, 792},
    {"Legal", 612, 1008},    {"Tabloid", 792, 1224},  {"ARCHB", 864, 1296},
    {"SuperB", 864, 1380},   {"A6", 298, 420},        {"A5", 420, 595},
    {"A4", 595, 842},        {"A4Extra", 668, 914},   {"A3", 842, 1191},
    {"ISOB5", 499, 709},     {"ISOB4", 709, 1001},    {"B5", 516, 729},
    {"B4", 729, 1032},       {"RA4", 609, 865},       {"SRA4", 638, 907},
    {"RA3", 865, 1219},      {"SRA3", 907, 1276},
}};

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

unsigned long millimetres(unsigned long points) { return (points * 254 + 360) / 720; }

// Fills in the key and translation of `choice`; `taken` holds the catalog's
// keys in lower case, since CUPS matches requested names in any case.
void nameChoice(SizeChoice& choice, const std::set<std::string>& taken) {
  std::string dimensional =
      "w" + std::to_string(choice.width) + "h" + std::to_string(choice.length);
  choice.translation = std::to_string(millimetres(choice.width)) + " x " +
                       std::to_string(millimetres(choice.length)) + " mm";
  for (const StandardSize& size : kStandardSizes) {
    if (size.width == choice.width && size.length == choice.length) {
      if (taken.count(lowerCase(size.name)) == 0) {
        choice.key = size.name;
        choice.translation = size.name;
        return;
      }
      break;
    }
  }
  if (taken.count(dimensional) == 0) choice.key = dimensional;
}

}  // namespace

std::vector<SizeChoice> sizeChoices(CMediaCatalog& catalog) {
  std::vector<SizeChoice> choices;
  std::set<std::string> taken;
  std::set<std::pair<unsigned long, unsigned long>> seen;
  for (const CMedia* media = catalog.GetAllMedias(); media != nullptr; media = media->GetNext()) {
    taken.insert(lowerCase(fieldText(media->ppdKey)));
    SizeChoice choice;
    choice.width = sizeInPoints(media->GetWidth());
    choice.length = sizeInPoints(media->GetLength());
    choice.first = media;
    if (seen.insert({choice.width, choice.length}).second) choices.push_back(std::move(choice));
  }
  for (SizeChoice& choice : choices) nameChoice(choice, taken);
  return choices;
}

const CMedia* mediaForSizeChoice(CMediaCatalog& catalog, std::string_view key,
                                 std::string_view defaultKey) {
  if (key.empty()) return nullptr;
  for (const SizeChoice& choice : sizeChoices(catalog)) {
    if (choice.key != key) continue;
    for (const CMedia* media = choice.first; media != nullptr; media = media->GetNext()) {
      if (fieldText(media->ppdKey) == defaultKey && sizeInPoints(media->GetWidth()) == choice.width &&
          sizeInPoints(media->GetLength()) == choice.length) {
        return media;
      }
    }
    return choice.first;
  }
  return nullptr;
}

}  // namespace tvx::catalog
