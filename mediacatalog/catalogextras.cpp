// The members of CMedia and CMediaCatalog that neither bidiupdate nor
// psfilter calls. They are kept, with their tests, as part of the catalog's
// interface for callers outside these programs; only the tests link them
// (tvx_mediacatalog_extras).
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/drvlog.h"
#include "common/printertext.h"
#include "mediacatalog/catalogtrace.h"
#include "mediacatalog/media.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::findMedia;
using tvx::catalog::kCatalogForm;
using tvx::catalog::orNull;
using tvx::catalog::sizeInPoints;
using tvx::catalog::traceFound;

namespace {

constexpr std::size_t kWeightTextSize = 16;

struct WeightName {
  int weight;
  const char* name;
};

constexpr WeightName kWeightNames[] = {
    {0, "null"},       {68, "(Thin)"},    {89, "(Plain)"},  {112, "(MediumThick)"},
    {142, "(Thick1)"}, {189, "(Thick2)"}, {261, "(Thick3)"}};

}  // namespace

char* CMedia::GetTray(char* buffer) const {
  tvx::text::copyField(buffer, sizeof szTray, fieldText(szTray));
  return buffer;
}

CMedia* CMedia::GetPrev() const { return prev; }

CMediaCatalog::CMediaCatalog() = default;

void CMediaCatalog::DeleteMediaFile() {
  tvx::log::Scope trace("DeleteMediaFile", kCatalogForm, "GetLastError = %i\n", GetLastError());
  if (HasFile()) {
    std::remove(repositoryFilePath);
    std::remove(infoRepositoryFilePath);
  }
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

char* CMediaCatalog::GetMediaCatalogInfoRepositoryFilePath() { return infoRepositoryFilePath; }

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
