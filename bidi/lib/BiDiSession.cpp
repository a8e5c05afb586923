#include "bidi/lib/BiDiSession.h"

#include <cstring>

#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpconfig.h"
#include "bidi/lib/snmpget.h"
#include "bidi/lib/snmpowners.h"
#include "bidi/lib/snmpsession.h"
#include "common/drvlog.h"

namespace {

constexpr const char* kCommunity = "vexhol";
constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";
constexpr char kModel[] = "Tavorinex Arc M750XLS";
constexpr int kRequestOidSize = 50;

// The whole value, terminator included, must be the model text: no prefix
// match, no trailing characters, and nothing read past the value.
bool isOurModel(const TS_SnmpGetResponse& description) {
  return description.type == en_String && description.res_len == sizeof kModel &&
         std::memcmp(description.res, kModel, sizeof kModel) == 0;
}

// Reads sysDescr.0 on the open session `id` with a size query and a fetch.
TE_BiDiStatus checkDescription(TT_SessionID id) {
  LOGPRINTA(LOG_LIGHT, "Interrogate the sysDescription");
  tvx::snmp::ParamPtr request = tvx::snmp::makeParam(id, kSysDescr, kRequestOidSize);
  if (!request) return en_BiDiNotEnoughMemory;
  LOGPRINTA(LOG_LIGHT, "Interrogate the sysDescription with the sessionID = %d", id);

  TE_Status status = en_Success;
  int size = snmpGet(request.get(), nullptr, &status);
  LOGPRINTA(LOG_LIGHT, "Response with the length: %d", size);
  if (status != en_Success || size == 0) {
    deleteCacheElement(request.get());  // a value-less answer may be parked
    return en_BiDiSessionTimeOut;
  }
  tvx::snmp::ResponsePtr description = tvx::snmp::makeResponse(size);
  if (!description) {
    deleteCacheElement(request.get());
    return en_BiDiNotEnoughMemory;
  }
  snmpGet(request.get(), description.get(), &status);
  if (status != en_Success) return en_BiDiInvalidPrinter;

  const char* text = static_cast<const char*>(description->res);
  LOGPRINTA(LOG_LIGHT, "Printer description: %.*s",
            description->type == en_String ? static_cast<int>(strnlen(text, description->res_len)) : 0,
            text);
  return isOurModel(*description) ? en_BiDiSuccess : en_BiDiInvalidPrinter;
}

}  // namespace

TE_BiDiStatus BiDi_InitSession(const char* hostname, unsigned char* sessionID) {
  tvx::log::Scope trace("BiDi_InitSession");
  LOGPRINTA(LOG_LIGHT, "Try to connect to : %s", hostname != nullptr ? hostname : "");
  // SNMPv3 when the administrator's configuration chose it, else SNMPv2c.
  if (snmpLoadConfiguration() != en_Success) return en_BiDiSessionNotOpen;
  bool v3 = snmpConfiguredVersion() == en_SnmpVersion_V3;
  if (snmpSessionOpen(v3 ? en_SnmpVersion_V3 : en_SnmpVersion_V2, hostname, v3 ? "" : kCommunity, "",
                      sessionID) != en_Success) {
    return en_BiDiSessionNotOpen;
  }
  TE_BiDiStatus result = checkDescription(*sessionID);
  if (result != en_BiDiSuccess) BiDi_CloseSession(*sessionID);
  return result;
}

TE_BiDiStatus BiDi_CloseSession(unsigned char sessionID) {
  tvx::log::Scope trace("BiDi_CloseSession");
  snmpSessionClose(sessionID);
  return en_BiDiSuccess;
}
