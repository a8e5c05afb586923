// The printer readers' functions that neither bidiupdate nor tavorinex-query
// calls. They are kept, with their tests, as part of the library's interface
// for callers outside these programs; only the tests link them
// (tvx_bidi_extras).
#include <optional>

#include "bidi/lib/BiDiColumn.h"
#include "bidi/lib/BiDiMedia.h"
#include "common/drvlog.h"

namespace {

using tvx::bidi::Column;

constexpr const char* kMediaTimeOid = "1.3.6.1.4.1.46739.4.2.2.1.1.2";

}  // namespace

TE_BiDiStatus BiDi_GetMediaTime(unsigned char sessionID, unsigned long* mediaTimeStamp) {
  // Made before the trace scope: the walk is released after the END line.
  std::optional<Column> stamp;
  tvx::log::Scope trace("BiDi_GetMediaTime");
  stamp.emplace(kMediaTimeOid, sessionID);
  if (!stamp->ok()) return stamp->status();
  if (stamp->rows() != 1) return en_BiDiSessionTimeOut;
  if (mediaTimeStamp == nullptr) return en_BiDiNotEnoughMemory;
  *mediaTimeStamp = stamp->number(0).value_or(0);
  return en_BiDiSuccess;
}
