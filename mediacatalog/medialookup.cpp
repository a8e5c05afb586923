// The read side of the catalog: lookups and the PostScript media texts.
#include <cstring>
#include <string>
#include <string_view>

#include "common/drvlog.h"
#include "common/printertext.h"
#include "mediacatalog/catalogtrace.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::kCatalogForm;
using tvx::catalog::sizeInPoints;

namespace {

constexpr std::size_t kShortTextSize = 100;
constexpr std::size_t kWeightTextSize = 16;

struct WeightName {
  int weight;
  const char* name;
};

constexpr WeightName kWeightNames[] = {
    {0, "null"},       {68, "(Thin)"},    {89, "(Plain)"},  {112, "(MediumThick)"},
    {142, "(Thick1)"}, {189, "(Thick2)"}, {261, "(Thick3)"}};

const char* orNull(const char* text) { return text != nullptr ? text : "(null)"; }

// A lookup's END detail: the record found, or NULL, and the argument looked for.
void traceFound(tvx::log::Scope& trace, const char* argName, const char* arg, const CMedia* media) {
  if (media == nullptr) {
    trace.setEndDetail("returns NULL : %s = %s; GetLastError = %i\n", argName, arg, GetLastError());
  } else {
    trace.setEndDetail("returns %p : %s = %s; GetLastError = %i\n", static_cast<const void*>(media),
                       argName, arg, GetLastError());
  }
}

// The first record from `first` on that satisfies `match`.
template <typename Match>
CMedia* findMedia(CMedia* first, Match match) {
  for (CMedia* media = first; media != nullptr; media = media->next) {
    if (match(*media)) return media;
  }
  return nullptr;
}

// The two-call protocol: the room needed, or the text copied with its terminator.
int deliverText(const std::string& text, char* command) {
  if (command == nullptr) return static_cast<int>(text.size() + 1);
  std::memcpy(command, text.c_str(), text.size() + 1);
  return 0;
}

// "(text)" as a PostScript string that fits a 100-byte buffer: special
// bytes escaped, the text cut between whole escapes so the string stays closed.
std::string psStringOf(std::string_view text) {
  std::string body;
  for (char c : text) {
    std::string escaped = tvx::text::psString(std::string_view(&c, 1));
    if (body.size() + escaped.size() > kShortTextSize - 3) break;
    body += escaped;
  }
  return "(" + body + ")";
}

std::string mappedType(const CMedia& media) {
  char linuxType[kShortTextSize];
  return getLinuxCorrectType(linuxType, std::string(fieldText(media.type)).c_str());
}

std::string pageComment(const CMedia& media) {
  // Catalog texts stand bare on this line: a control byte must not end it.
  using tvx::text::singleLine;
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
  // chains of std::string operator+.
  std::string text = "%%PSPageMedia: ";
  text += singleLine(fieldText(media.name));
  text += ' ';
  text += std::to_string(sizeInPoints(media.width));
  text += ' ';
  text += std::to_string(sizeInPoints(media.length));
  text += ' ';
  text += std::to_string(media.weight != -1 ? media.weight : 0);
  std::string_view color = fieldText(media.color);
  if (color != "null" && color != "no color") {
    text += ' ';
    text += singleLine(color);
  }
  if (fieldText(media.type) != "null") {
    text += ' ';
    text += singleLine(mappedType(media));
  }
  text += '\n';
  return text;
}

std::string pageSetup(CMediaCatalog& catalog, const CMedia& media) {
  std::string text = "[{\n%%BeginFeature: *PageSize ";
  text += tvx::text::singleLine(fieldText(media.ppdKey));
  text += "\n<< /PageSize [" + std::to_string(sizeInPoints(media.width)) + " " +
          std::to_string(sizeInPoints(media.length)) + "] ";
  if (media.weight != -1) {
    text += "/ImagingBBox null /MediaWeight " + std::to_string(media.weight) + " ";
  }
  char color[kShortTextSize];
  catalog.GetStringWithPharantesis(std::string(fieldText(media.color)).c_str(), color);
  std::string_view colorText = color;
  if (colorText != "null" && colorText != "no color" && colorText != "(no color)") {
    text.append("/MediaColor ").append(colorText).append(" ");
  }
  char type[kShortTextSize];
  catalog.GetStringWithPharantesis(mappedType(media).c_str(), type);
  if (std::string_view(type) != "null") text.append("/MediaType ").append(type).append(" ");
  if (media.feedEdge != 0) text += media.feedEdge == 1 ? "/LeadingEdge 3 " : "/LeadingEdge 0 ";
  return text + ">> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
}

}  // namespace

CMedia* CMediaCatalog::GetMediaByPPDKey(const char* szMediaKey) {
  tvx::log::Scope trace("GetMediaByPPDKey", kCatalogForm, "szMediaKey = %s; GetLastError = %i\n",
                        orNull(szMediaKey), GetLastError());
  CMedia* found = szMediaKey == nullptr ? nullptr : findMedia(firstMedia, [&](const CMedia& media) {
    return fieldText(media.ppdKey) == szMediaKey;
  });
  traceFound(trace, "szMediaKey", orNull(szMediaKey), found);
  return found;
}

CMedia* CMediaCatalog::GetMedia(const char* szMediaName) {
  tvx::log::Scope trace("GetMedia", kCatalogForm, "szMediaName = %s; GetLastError = %i\n",
                        orNull(szMediaName), GetLastError());
  CMedia* found =
      szMediaName == nullptr ? nullptr : findMedia(firstMedia, [&](const CMedia& media) {
        return fieldText(media.name) == szMediaName;
      });
  traceFound(trace, "szMediaName", orNull(szMediaName), found);
  return found;
}

CMedia* CMediaCatalog::GetMedia(unsigned short dmMedia) {
  tvx::log::Scope trace("GetMedia", kCatalogForm, "dmMedia = %hu; GetLastError = %i\n", dmMedia,
                        GetLastError());
  CMedia* found =
      findMedia(firstMedia, [&](const CMedia& media) { return media.dmSize == dmMedia; });
  traceFound(trace, "dmMedia", std::to_string(dmMedia).c_str(), found);
  return found;
}

CMedia* CMediaCatalog::GetMedia(unsigned long mediaW, unsigned long mediaL, const char* szTray) {
  tvx::log::Scope trace("GetMedia", kCatalogForm,
                        "mediaW = %lu; mediaL = %lu; szTray = %s; GetLastError = %i\n", mediaW,
                        mediaL, orNull(szTray), GetLastError());
  const unsigned long width = sizeInPoints(mediaW);
  const unsigned long length = sizeInPoints(mediaL);
  const std::string_view tray = szTray != nullptr ? szTray : "";
  CMedia* withoutTray = nullptr;
  CMedia* otherTray = nullptr;
  CMedia* found = nullptr;
  for (CMedia* media = firstMedia; media != nullptr && found == nullptr; media = media->next) {
    if (sizeInPoints(media->length) != length || sizeInPoints(media->width) != width) continue;
    std::string_view mediaTray = fieldText(media->szTray);
    if (mediaTray == tray) {
      found = media;
    } else if (mediaTray.empty()) {
      if (withoutTray == nullptr) withoutTray = media;
    } else if (otherTray == nullptr) {
      otherTray = media;
    }
  }
  if (found == nullptr) found = withoutTray != nullptr ? withoutTray : otherTray;
  traceFound(trace, "szTray", orNull(szTray), found);
  return found;
}

int CMediaCatalog::GetPSComment(const CMedia* media, char* command) {
  tvx::log::Scope trace("GetPSComment", kCatalogForm, "media = %p; GetLastError = %i\n",
                        static_cast<const void*>(media), GetLastError());
  int result = media == nullptr ? -1 : deliverText(pageComment(*media), command);
  trace.setEndDetail("returns %d : GetLastError = %i\n", result, GetLastError());
  return result;
}

int CMediaCatalog::GetPSCommand(const CMedia* media, char* command) {
  tvx::log::Scope trace("GetPSCommand", kCatalogForm, "media = %p; GetLastError = %i\n",
                        static_cast<const void*>(media), GetLastError());
  int result = media == nullptr ? -1 : deliverText(pageSetup(*this, *media), command);
  trace.setEndDetail("returns %d : GetLastError = %i\n", result, GetLastError());
  return result;
}

void CMediaCatalog::GetWeightStr(int weightValue, char* string) {
  tvx::log::Scope trace("GetWeightStr", kCatalogForm, "weightValue = %d; GetLastError = %i\n",
                        weightValue, GetLastError());
  const char* name = "(Custom)";
  for (const WeightName& row : kWeightNames) {
    if (row.weight == weightValue) name = row.name;
  }
  tvx::text::copyField(string, kWeightTextSize, name);
  trace.setEndDetail(": string = %s; GetLastError = %i\n", name, GetLastError());
}

void CMediaCatalog::GetStringWithPharantesis(const char* str, char* strP) {
  // The trace has always spelt the name so.
  tvx::log::Scope trace("GetStringWithParantesis", kCatalogForm, "str = %s; GetLastError = %i\n",
                        orNull(str), GetLastError());
  std::string_view text = str != nullptr ? str : "";
  tvx::text::copyField(strP, kShortTextSize, text == "null" ? std::string(text) : psStringOf(text));
  trace.setEndDetail(": strP = %s; GetLastError = %i\n", strP, GetLastError());
}
