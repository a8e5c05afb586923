#include "bidi/lib/snmpLayer.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "common/drvlog.h"

TE_Status snmpAllocParam(TS_SnmpGetParam** myParam, int size) {
  LOGPRINTA(LOG_FULL, "snmpAllocParam:BEGIN");
  if (myParam == nullptr || size <= 0) return en_NotEnoughMemory;
  auto* param = static_cast<TS_SnmpGetParam*>(std::calloc(1, sizeof(TS_SnmpGetParam)));
  if (param == nullptr) return en_NotEnoughMemory;
  param->oid = static_cast<char*>(std::calloc(static_cast<size_t>(size), 1));
  if (param->oid == nullptr) {
    std::free(param);
    return en_NotEnoughMemory;
  }
  *myParam = param;
  LOGPRINTA(LOG_FULL, "snmpAllocParam:END");
  return en_Success;
}

TE_Status snmpFreeParam(TS_SnmpGetParam** myParam) {
  LOGPRINTA(LOG_FULL, "snmpFreeParam:BEGIN");
  if (myParam != nullptr && *myParam != nullptr) {
    std::free((*myParam)->oid);
    std::free(*myParam);
  }
  LOGPRINTA(LOG_FULL, "snmpFreeParam:END");
  return en_Success;
}

TE_Status snmpAllocResponse(TS_SnmpGetResponse** myRes, int size) {
  LOGPRINTA(LOG_FULL, "snmpAllocResponse:BEGIN");
  if (myRes == nullptr || size < 0) return en_NotEnoughMemory;
  auto* resp = static_cast<TS_SnmpGetResponse*>(std::calloc(1, sizeof(TS_SnmpGetResponse)));
  if (resp == nullptr) return en_NotEnoughMemory;
  // A zero-sized value still gets a buffer, so that `res` is never null.
  resp->res = std::calloc(size > 0 ? static_cast<size_t>(size) : 1, 1);
  resp->oid = static_cast<char*>(std::calloc(SNMP_OID_TEXT_SIZE, 1));
  if (resp->res == nullptr || resp->oid == nullptr) {
    std::free(resp->res);
    std::free(resp->oid);
    std::free(resp);
    return en_NotEnoughMemory;
  }
  resp->res_len = static_cast<unsigned int>(size);
  *myRes = resp;
  LOGPRINTA(LOG_FULL, "snmpAllocResponse:END");
  return en_Success;
}

TE_Status snmpFreeResponse(TS_SnmpGetResponse** myRes) {
  LOGPRINTA(LOG_FULL, "snmpFreeResponse:BEGIN");
  if (myRes != nullptr && *myRes != nullptr) {
    std::free((*myRes)->res);
    std::free((*myRes)->oid);
    std::free(*myRes);
  }
  LOGPRINTA(LOG_FULL, "snmpFreeResponse:END");
  return en_Success;
}

TE_Status snmpAllocTable(TS_SnmpTableResponse* myTableResp, int /*size*/) {
  if (myTableResp == nullptr || myTableResp->nrInstance < 0) return en_NotEnoughMemory;
  size_t slots = myTableResp->nrInstance > 0 ? static_cast<size_t>(myTableResp->nrInstance) : 1;
  auto** rows = static_cast<TS_SnmpGetResponse**>(std::calloc(slots, sizeof(TS_SnmpGetResponse*)));
  if (rows == nullptr) return en_NotEnoughMemory;
  myTableResp->dataRes = rows;
  return en_Success;
}

TE_Status snmpFreeTable(TS_SnmpTableResponse* myTableResp) {
  if (myTableResp != nullptr) std::free(myTableResp->dataRes);
  return en_Success;
}

void itoa(int nr, char* dest, int /*base*/) {
  if (dest == nullptr) return;
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, nr < 0 ? 0 : nr);
  size_t len = static_cast<size_t>(result.ptr - digits);
  std::memcpy(dest, digits, len);
  dest[len] = '\0';
}

std::string snmpOidToText(const unsigned long* source, int oidLength) {
  std::string text;
  for (int i = 0; source != nullptr && i < oidLength; ++i) {
    if (i > 0) text += '.';
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, source[i]);
    text.append(digits, result.ptr);
  }
  return text;
}

TE_Status snmpOidIntToString(char* dest, const unsigned long* source, int oidLength) {
  LOGPRINTA(LOG_FULL, "snmpOidIntToString:BEGIN");
  if (dest == nullptr) return en_InvalidOid;
  dest[0] = '\0';
  std::string text = snmpOidToText(source, oidLength);
  if (text.size() >= static_cast<size_t>(SNMP_OID_TEXT_SIZE)) return en_InvalidOid;
  std::memcpy(dest, text.c_str(), text.size() + 1);
  LOGPRINTA(LOG_FULL, "snmpOidIntToString:END");
  return en_Success;
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
