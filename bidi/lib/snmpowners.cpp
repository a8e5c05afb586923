#include "bidi/lib/snmpowners.h"

#include <cstring>

namespace tvx::snmp {

ParamPtr makeParam(TT_SessionID sessionID, const char* oid, int size) {
  size_t len = oid != nullptr ? std::strlen(oid) : 0;
  if (size <= 0 || len >= static_cast<size_t>(size)) return nullptr;
  TS_SnmpGetParam* param = nullptr;
  if (snmpAllocParam(&param, size) != en_Success) return nullptr;
  param->sessionID = sessionID;
  if (len > 0) std::memcpy(param->oid, oid, len);
  param->oid[len] = '\0';
  return ParamPtr(param);
}

ResponsePtr makeResponse(int size) {
  TS_SnmpGetResponse* resp = nullptr;
  if (snmpAllocResponse(&resp, size) != en_Success) return nullptr;
  return ResponsePtr(resp);
}

void clearTable(TS_SnmpTableResponse& table) {
  for (int i = 0; table.dataRes != nullptr && i < table.nrInstance; ++i) {
    snmpFreeResponse(&table.dataRes[i]);
  }
  snmpFreeTable(&table);
  table.dataRes = nullptr;
  table.nrInstance = 0;
}

}  // namespace tvx::snmp
