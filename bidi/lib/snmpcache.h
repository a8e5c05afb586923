// The response cache: carries an answer from the size query of the two-call
// pattern to its fetch. Entries are keyed by session and OID text, newest
// first, and leave only when fetched (or deleted).
#pragma once

#include "bidi/lib/snmpLayer.h"

struct TS_CacheElement {
  TS_SnmpGetParam* input;      // copy of the request (128-byte OID buffer)
  TS_SnmpGetResponse* output;  // copy of the value, sized to it
  TS_CacheElement* next;
};

// Head of the parked answers, newest first; null when empty.
extern TS_CacheElement* cacheList;

// 1 when both requests have the same session and the same OID text, else 0.
int equalSnmpParam(const TS_SnmpGetParam* first, const TS_SnmpGetParam* secc);

// The newest entry whose key equals `snmpParam`, or null; `status` is not changed.
TS_CacheElement* getCacheElement(const TS_SnmpGetParam* snmpParam, TE_Status* status);

// Parks copies of the request and the value at the head. en_InvalidOid when
// the request's OID text does not fit 127 characters, en_NotEnoughMemory
// when an allocation fails (nothing is parked then).
TE_Status addCacheElement(const TS_SnmpGetParam* snmpParam, const TS_SnmpGetResponse* snmpResponse);

// Removes and frees the newest entry whose key equals `snmpParam`; en_Error when none.
TE_Status deleteCacheElement(const TS_SnmpGetParam* snmpParam);

// Copies class, size, value bytes and OID text of `source` into `dest`,
// whose res_len then is the value's size. en_NotEnoughMemory (nothing
// copied) when the value is larger than dest's res_len.
TE_Status copySnmpResponse(const TS_SnmpGetResponse* source, TS_SnmpGetResponse* dest);

// Kept for callers outside bidiupdate and tavorinex-query, which do not call
// it: defined in snmpextras.cpp (tvx_bidi_extras, linked by the tests only).

// Copies the session and the OID text (at most 127 characters) into `dest`,
// whose OID buffer holds 128 bytes.
void copySnmpParam(const TS_SnmpGetParam* source, TS_SnmpGetParam* dest);
