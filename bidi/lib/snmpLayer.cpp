#include "bidi/lib/snmpLayer.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <new>

#include "common/drvlog.h"

TE_Status snmpAllocParam(TS_SnmpGetParam** myParam, int size) {
  tvx::log::Scope trace("snmpAllocParam");
  if (myParam == nullptr || size <= 0) return en_NotEnoughMemory;
  std::unique_ptr<TS_SnmpGetParam> param(new (std::nothrow) TS_SnmpGetParam{});
  std::unique_ptr<char[]> oid(new (std::nothrow) char[static_cast<size_t>(size)]());
  if (!param || !oid) return en_NotEnoughMemory;
  param->oid = oid.release();
  *myParam = param.release();
  return en_Success;
}

TE_Status snmpFreeParam(TS_SnmpGetParam** myParam) {
  tvx::log::Scope trace("snmpFreeParam");
  if (myParam != nullptr && *myParam != nullptr) {
    delete[] (*myParam)->oid;
    delete *myParam;
  }
  return en_Success;
}

TE_Status snmpAllocResponse(TS_SnmpGetResponse** myRes, int size) {
  tvx::log::Scope trace("snmpAllocResponse");
  if (myRes == nullptr || size < 0) return en_NotEnoughMemory;
  std::unique_ptr<TS_SnmpGetResponse> resp(new (std::nothrow) TS_SnmpGetResponse{});
  // A zero-sized value still gets a buffer, so that `res` is never null.
  std::unique_ptr<unsigned char[]> res(
      new (std::nothrow) unsigned char[size > 0 ? static_cast<size_t>(size) : 1]());
  std::unique_ptr<char[]> oid(new (std::nothrow) char[SNMP_OID_TEXT_SIZE]());
  if (!resp || !res || !oid) return en_NotEnoughMemory;
  resp->res = res.release();
  resp->oid = oid.release();
  resp->res_len = static_cast<unsigned int>(size);
  *myRes = resp.release();
  return en_Success;
}

TE_Status snmpFreeResponse(TS_SnmpGetResponse** myRes) {
  tvx::log::Scope trace("snmpFreeResponse");
  if (myRes != nullptr && *myRes != nullptr) {
    delete[] static_cast<unsigned char*>((*myRes)->res);
    delete[] (*myRes)->oid;
    delete *myRes;
  }
  return en_Success;
}

TE_Status snmpAllocTable(TS_SnmpTableResponse* myTableResp, int /*size*/) {
  if (myTableResp == nullptr || myTableResp->nrInstance < 0) return en_NotEnoughMemory;
  size_t slots = myTableResp->nrInstance > 0 ? static_cast<size_t>(myTableResp->nrInstance) : 1;
  auto** rows = new (std::nothrow) TS_SnmpGetResponse*[slots]();
  if (rows == nullptr) return en_NotEnoughMemory;
  myTableResp->dataRes = rows;
  return en_Success;
}

TE_Status snmpFreeTable(TS_SnmpTableResponse* myTableResp) {
  if (myTableResp != nullptr) delete[] myTableResp->dataRes;
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
  tvx::log::Scope trace("snmpOidIntToString");
  if (dest == nullptr) return en_InvalidOid;
  dest[0] = '\0';
  std::string text = snmpOidToText(source, oidLength);
  if (text.size() >= static_cast<size_t>(SNMP_OID_TEXT_SIZE)) return en_InvalidOid;
  std::memcpy(dest, text.c_str(), text.size() + 1);
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
