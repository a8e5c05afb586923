#include "bidi/lib/snmpLayer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

namespace tvx::snmp {

std::string_view oidText(const TS_SnmpGetResponse* resp) {
  return {resp->oid, strnlen(resp->oid, SNMP_OID_TEXT_SIZE)};
}

bool oidFollows(std::string_view later, std::string_view earlier) {
  auto parse = [](std::string_view text, std::vector<unsigned long>& out) {
    while (!text.empty()) {
      unsigned long value = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (ec != std::errc() || end == text.data()) return false;
      out.push_back(value);
      text.remove_prefix(static_cast<size_t>(end - text.data()));
      if (!text.empty() && text.front() != '.') return false;
      if (!text.empty()) text.remove_prefix(1);
    }
    return true;
  };
  std::vector<unsigned long> a;
  std::vector<unsigned long> b;
  if (!parse(later, a) || !parse(earlier, b)) return false;
  return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end());
}

void copyOidText(char* dest, const char* source) {
  size_t len = source != nullptr ? strnlen(source, SNMP_OID_TEXT_SIZE - 1) : 0;
  if (len > 0) std::memcpy(dest, source, len);
  dest[len] = '\0';
}

}  // namespace tvx::snmp
