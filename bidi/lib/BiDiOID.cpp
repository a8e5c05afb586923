#include "bidi/lib/BiDiOID.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "bidi/lib/snmpcolumns.h"
#include "bidi/lib/snmpget.h"
#include "bidi/lib/snmpowners.h"
#include "common/drvlog.h"

TE_BiDiStatus getDataFromTable(TS_SnmpTableResponse* tblResponse, const char* strOid,
                               unsigned char sessionID) {
  // Made before the trace scope: the request is freed after the END line.
  tvx::snmp::ParamPtr request;
  tvx::log::Scope trace("getDataFromTable");
  if (tblResponse == nullptr) return en_BiDiSessionTimeOut;
  tblResponse->nrInstance = 0;
  tblResponse->dataRes = nullptr;
  // A column is walked once per session; later reads get the same rows.
  if (snmpFindColumn(sessionID, strOid, tblResponse)) return en_BiDiSuccess;
  int size = strOid != nullptr ? static_cast<int>(std::strlen(strOid)) + 1 : 0;
  request = tvx::snmp::makeParam(sessionID, strOid, size);
  TE_Status status = en_Success;
  if (request && snmpGetTable_ext(request.get(), tblResponse, &status) == 1 && status == en_Success) {
    snmpKeepColumn(sessionID, strOid, *tblResponse);
    return en_BiDiSuccess;
  }
  LOGPRINTA(LOG_LIGHT, "ERR for getTable");
  return en_BiDiSessionTimeOut;
}

TE_BiDiStatus freeDataFromTable(TS_SnmpTableResponse* tblResponse) {
  tvx::log::Scope trace("freeDataFromTable");
  if (tblResponse != nullptr) tvx::snmp::clearTable(*tblResponse);
  return en_BiDiSuccess;
}

int getNumberOfInstance(const char* baseOid, const char* currOid) {
  tvx::log::Scope trace("getNumberOfInstance");
  if (baseOid == nullptr || currOid == nullptr) return 0;
  std::string_view base(baseOid);
  std::string_view curr(currOid);
  if (curr.find(base) == std::string_view::npos) return 0;

  // Skip the column, ".", the one-digit device index and ".".
  int result = 0;
  size_t start = base.size() + 3;
  if (start < curr.size()) {
    std::string_view digits = curr.substr(start, curr.find('.', start) - start);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc() || end != digits.data() + digits.size() || result < 0) result = 0;
  }
  LOGPRINTA(LOG_LIGHT, "instance returned :%d", result);
  return result;
}
