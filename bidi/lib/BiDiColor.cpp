#include "bidi/lib/BiDiColor.h"

#include <new>
#include <optional>
#include <string>

#include "bidi/lib/BiDiColumn.h"
#include "common/drvlog.h"
#include "common/printertext.h"

namespace {

constexpr const char* kProfileNameOid = "1.3.6.1.4.1.46739.4.2.3.1.1.3";
constexpr const char* kProfileTypeOid = "1.3.6.1.4.1.46739.4.2.3.1.1.2";

// Runs one colour space reader: its first profile type, then its second (0 for none).
TE_BiDiStatus readSpace(const char* reader, unsigned char sessionID, PTS_BiDiColorProfile* list,
                        int firstType, int secondType) {
  InitLog();
  tvx::log::Scope trace(reader);
  *list = nullptr;
  TE_BiDiStatus status = BiDi_GetColorProfile_ByType(sessionID, list, firstType);
  if (status != en_BiDiSuccess) return status;
  if (secondType != 0) {
    status = BiDi_GetColorProfile_ByType(sessionID, list, secondType);
    if (status != en_BiDiSuccess) return status;
  }
  return en_BiDiSuccess;
}

}  // namespace

TE_BiDiStatus BiDi_GetColorProfile_Gray(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile) {
  return readSpace("BiDi_GetColorProfile_Gray", sessionID, lBiDiColorProfile, 3, 6);
}

TE_BiDiStatus BiDi_GetColorProfile_RGB(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile) {
  return readSpace("BiDi_GetColorProfile_RGB", sessionID, lBiDiColorProfile, 4, 7);
}

TE_BiDiStatus BiDi_GetColorProfile_CMYK(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile) {
  return readSpace("BiDi_GetColorProfile_CMYK", sessionID, lBiDiColorProfile, 5, 8);
}

TE_BiDiStatus BiDi_GetColorProfile_Output(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile) {
  return readSpace("BiDi_GetColorProfile_Output", sessionID, lBiDiColorProfile, 9, 0);
}

TE_BiDiStatus BiDi_GetColorProfile_ByType(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile,
                                          int colorProfileType) {
  // Made before the trace scope: the walks are released after the END line.
  std::optional<tvx::bidi::Column> names, types;
  tvx::log::Scope trace("BiDi_GetColorProfile_ByType");
  names.emplace(kProfileNameOid, sessionID);
  if (!names->ok()) return names->status();
  types.emplace(kProfileTypeOid, sessionID);
  if (!types->ok()) return types->status();
  for (int i = 0; i < names->rows(); ++i) {
    if (types->number(i) != static_cast<unsigned long>(colorProfileType)) continue;
    std::string name(names->text(i));
    // A name cut to its field would offer a profile the printer lacks.
    if (name.size() >= sizeof TS_ColorProfile::name) continue;
    LOGPRINTA(LOG_LIGHT, "Found color profile: %s", name.c_str());
    addColorProfile(lBiDiColorProfile, name.c_str());
  }
  return en_BiDiSuccess;
}

TE_BiDiStatus BiDi_ClearColorProfiles(PTS_BiDiColorProfile* lBiDiColorProfile) {
  tvx::bidi::releaseList(lBiDiColorProfile, [](auto* node) { delete node; });
  return en_BiDiSuccess;
}

TE_BiDiStatus addColorProfile(PTS_BiDiColorProfile* lBiDiColorProfile, const char* strColorProfile) {
  PTS_BiDiColorProfile node = nullptr;
  TE_BiDiStatus status = allocateAndCopyColorProfile(&node, strColorProfile);
  if (status == en_BiDiSuccess) tvx::bidi::pushFront(lBiDiColorProfile, node);
  return status;
}

TE_BiDiStatus allocateAndCopyColorProfile(PTS_BiDiColorProfile* nodeBiDiColorProfile,
                                          const char* strColorProfile) {
  PTS_BiDiColorProfile node = new (std::nothrow) TS_ColorProfile{};
  if (node == nullptr) return en_BiDiNotEnoughMemory;
  tvx::text::copyField(node->name, sizeof node->name, strColorProfile);
  node->next = nullptr;
  *nodeBiDiColorProfile = node;
  return en_BiDiSuccess;
}
