// The functions of the SNMP access layer that neither bidiupdate nor
// tavorinex-query calls. They are kept, with their tests, as part of the
// layer's interface for callers outside these programs; only the tests link
// them (tvx_bidi_extras).
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "bidi/lib/snmpLayer.h"
#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpget.h"
#include "bidi/lib/snmpowners.h"
#include "common/drvlog.h"

namespace {

using tvx::snmp::ResponsePtr;

// The size query and fetch of one get-next; `resp` stays null when the
// answer holds no value.
bool fetchNext(TS_SnmpGetParam* request, ResponsePtr& resp, TE_Status& status) {
  int size = snmpGetNext(request, nullptr, &status);
  if (status != en_Success) return false;
  if (size == 0) {
    deleteCacheElement(request);
    return true;
  }
  resp = tvx::snmp::makeResponse(size);
  if (!resp) {
    deleteCacheElement(request);
    status = en_NotEnoughMemory;
    return false;
  }
  snmpGetNext(request, resp.get(), &status);
  return status == en_Success;
}

}  // namespace

int snmpGetNext(const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes, TE_Status* myStatus) {
  return snmpGetGeneral(en_SNMP_GET_NEXT, myParam, myRes, myStatus);
}

int snmpGetTable(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* myResp, TE_Status* myStatus) {
  TE_Status ignored = en_Success;
  TE_Status& status = myStatus != nullptr ? *myStatus : ignored;
  // Made before the trace scope: the request is freed after the END line.
  tvx::snmp::ParamPtr request;
  tvx::log::Scope trace("snmpGetTable");
  status = en_Success;
  if (myParam != nullptr && myResp != nullptr) {
    request = tvx::snmp::makeParam(myParam->sessionID, myParam->oid, SNMP_OID_TEXT_SIZE);
  }
  if (!request) {
    status = en_InvalidOid;
    return 0;
  }
  const std::string base(request->oid);
  LOGPRINTA(LOG_FULL, "BEGIN the getNext for OID %s", base.c_str());
  const bool filling = myResp->dataRes != nullptr;
  int filled = 0;
  int largest = 0;
  while (std::string_view(request->oid).find(base) != std::string_view::npos) {
    ResponsePtr resp;
    if (!fetchNext(request.get(), resp, status)) {
      LOGPRINTA(LOG_LIGHT, "\n---------Failure in snmpGetNext---------\n");
      PrintError(status);
      return 0;
    }
    if (!resp || !tvx::snmp::oidFollows(tvx::snmp::oidText(resp.get()), request->oid)) break;
    std::string_view next = tvx::snmp::oidText(resp.get());
    std::memcpy(request->oid, next.data(), next.size());
    request->oid[next.size()] = '\0';
    if (next.find(base) == std::string_view::npos) break;
    printResult(resp.get());
    if (!filling) {
      ++myResp->nrInstance;
      largest = std::max(largest, static_cast<int>(resp->res_len));
    } else if (filled >= myResp->nrInstance) {
      break;
    } else if ((status = copySnmpResponse(resp.get(), myResp->dataRes[filled++])) != en_Success) {
      return 0;
    }
  }
  return largest;
}

void PrintError(TE_Status status) {
  const char* text = "Unknown error";
  switch (status) {
    case en_InvalidOid: text = "Invalid Oid"; break;
    case en_SecurityAuthKey: text = "Invalid pass"; break;
    case en_InvalidSession: text = "Invalid session"; break;
    case en_SessionNotOpen: text = "Session not open"; break;
    case en_TimeOut: text = "Time Out"; break;
    case en_NotEnoughMemory: text = "Not enough memory"; break;
    default: break;
  }
  LOGPRINTA(LOG_FULL, "%s", text);
}

void itoa(int nr, char* dest, int /*base*/) {
  if (dest == nullptr) return;
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, nr < 0 ? 0 : nr);
  size_t len = static_cast<size_t>(result.ptr - digits);
  std::memcpy(dest, digits, len);
  dest[len] = '\0';
}

void printResult(const TS_SnmpGetResponse* myResp) {
  if (myResp == nullptr || myResp->res == nullptr || myResp->oid == nullptr) return;
  const char* oid = myResp->oid;
  int oidLen = static_cast<int>(strnlen(oid, SNMP_OID_TEXT_SIZE));
  if (myResp->type == en_ULong) {
    unsigned long value = 0;
    if (myResp->res_len >= sizeof value) std::memcpy(&value, myResp->res, sizeof value);
    LOGPRINTA(LOG_LIGHT, "%.*s = %lu", oidLen, oid, value);
  } else if (myResp->type == en_String || myResp->type == en_Oid) {
    const char* text = static_cast<const char*>(myResp->res);
    LOGPRINTA(LOG_LIGHT, "%.*s = %.*s", oidLen, oid, static_cast<int>(strnlen(text, myResp->res_len)),
              text);
  }
}

void copySnmpParam(const TS_SnmpGetParam* source, TS_SnmpGetParam* dest) {
  tvx::log::Scope trace("copySnmpParam");
  if (source == nullptr || dest == nullptr) return;
  dest->sessionID = source->sessionID;
  tvx::snmp::copyOidText(dest->oid, source->oid);
}
