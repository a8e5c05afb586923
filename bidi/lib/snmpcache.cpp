#include "bidi/lib/snmpcache.h"

#include <cstring>
#include <memory>
#include <new>

#include "bidi/lib/snmpowners.h"
#include "common/drvlog.h"

// Per process: an answer waits here between two calls, the size query and the fetch.
TS_CacheElement* cacheList = nullptr;

using tvx::snmp::copyOidText;

int equalSnmpParam(const TS_SnmpGetParam* first, const TS_SnmpGetParam* secc) {
  if (first == nullptr || secc == nullptr || first->oid == nullptr || secc->oid == nullptr) return 0;
  return first->sessionID == secc->sessionID && std::strcmp(first->oid, secc->oid) == 0 ? 1 : 0;
}

TS_CacheElement* getCacheElement(const TS_SnmpGetParam* snmpParam, TE_Status* /*status*/) {
  tvx::log::Scope trace("getCacheElement");
  TS_CacheElement* entry = cacheList;
  while (entry != nullptr && !equalSnmpParam(entry->input, snmpParam)) entry = entry->next;
  return entry;
}

TE_Status addCacheElement(const TS_SnmpGetParam* snmpParam, const TS_SnmpGetResponse* snmpResponse) {
  tvx::log::Scope trace("addCacheElement");
  if (snmpParam == nullptr || snmpParam->oid == nullptr || snmpResponse == nullptr) return en_Error;
  if (strnlen(snmpParam->oid, SNMP_OID_TEXT_SIZE) >= SNMP_OID_TEXT_SIZE) return en_InvalidOid;

  std::unique_ptr<TS_CacheElement> entry(new (std::nothrow) TS_CacheElement{});
  tvx::snmp::ParamPtr key = tvx::snmp::makeParam(snmpParam->sessionID, snmpParam->oid,
                                                 SNMP_OID_TEXT_SIZE);
  tvx::snmp::ResponsePtr value = tvx::snmp::makeResponse(static_cast<int>(snmpResponse->res_len));
  if (!entry || !key || !value) return en_NotEnoughMemory;
  copySnmpResponse(snmpResponse, value.get());

  entry->input = key.release();
  entry->output = value.release();
  entry->next = cacheList;
  cacheList = entry.release();
  return en_Success;
}

TE_Status deleteCacheElement(const TS_SnmpGetParam* snmpParam) {
  tvx::log::Scope trace("deleteCacheElement");
  for (TS_CacheElement** link = &cacheList; *link != nullptr; link = &(*link)->next) {
    if (!equalSnmpParam((*link)->input, snmpParam)) continue;
    std::unique_ptr<TS_CacheElement> entry(*link);
    *link = entry->next;
    // Freed on return in reverse order: the request first, then the value.
    tvx::snmp::ResponsePtr value(entry->output);
    tvx::snmp::ParamPtr key(entry->input);
    return en_Success;
  }
  return en_Error;
}

TE_Status copySnmpResponse(const TS_SnmpGetResponse* source, TS_SnmpGetResponse* dest) {
  tvx::log::Scope trace("copySnmpResponse");
  if (source == nullptr || dest == nullptr || source->res_len > dest->res_len) {
    return en_NotEnoughMemory;
  }
  dest->type = source->type;
  dest->res_len = source->res_len;
  if (source->res_len > 0) std::memcpy(dest->res, source->res, source->res_len);
  copyOidText(dest->oid, source->oid);
  return en_Success;
}
