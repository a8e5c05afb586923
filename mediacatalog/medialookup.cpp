// The read side of the catalog: the lookup by PPD key and the PostScript media texts.
#include <cstring>
#include <string>
#include <string_view>

#include "common/drvlog.h"
#include "common/printertext.h"
#include "mediacatalog/catalogtrace.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::findMedia;
using tvx::catalog::kCatalogForm;
using tvx::catalog::orNull;
using tvx::catalog::sizeInPoints;
using tvx::catalog::traceFound;

namespace {

constexpr std::size_t kShortTextSize = 100;

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

void CMediaCatalog::GetStringWithPharantesis(const char* str, char* strP) {
  // The trace has always spelt the name so.
  tvx::log::Scope trace("GetStringWithParantesis", kCatalogForm, "str = %s; GetLastError = %i\n",
                        orNull(str), GetLastError());
  std::string_view text = str != nullptr ? str : "";
  tvx::text::copyField(strP, kShortTextSize, text == "null" ? std::string(text) : psStringOf(text));
  trace.setEndDetail(": strP = %s; GetLastError = %i\n", strP, GetLastError());
}
