// SNMP get operations: get and get-next of one object (two-call pattern
// through the response cache), one get-bulk batch, and two table walks.
//
// Every operation sets *myStatus to en_Success on entry and to its outcome
// before returning. Request OIDs must be numeric dotted text beginning with
// "1" and at most 127 characters (else en_InvalidOid, nothing is sent). No
// session: en_SessionNotOpen. Silence or an agent error status: en_TimeOut.
// Any other library failure: en_InvalidSession.
#pragma once

#include "bidi/lib/snmpLayer.h"

// Get (en_SNMP_GET) or get-next of `myParam`. Without `myRes` the request
// is sent, each binding parked in the cache under the request, and the size
// of the last one returned. With `myRes` a parked answer is taken out of the
// cache (no request), or else the request is sent; the value is copied into
// `myRes`, and its size returned. A value larger than myRes->res_len gives
// en_NotEnoughMemory and 0 (a parked entry stays). An answer whose OID does
// not fit 127 characters gives en_InvalidOid and 0. No binding: 0, en_Success.
int snmpGetGeneral(TE_SnmpGetType opType, const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes,
                   TE_Status* myStatus);
int snmpGet(const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes, TE_Status* myStatus);

// One get-bulk (non-repeaters 0, max-repetitions 100) from `myParam`. On
// success fills the empty `myTableResp` with the bindings in order, up to
// the first that holds no object (an exception such as endOfMibView) or
// whose OID does not fit 127 characters; the table owns them. Returns the
// size of the last value converted, or 0.
int snmpGetBulk(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* myTableResp,
                TE_Status* myStatus);

// Walks the column `myParam->oid` in get-bulk batches into the empty
// `tableResp`. A row belongs to the column when its OID text contains the
// base text, differs from it, and lies after the previous row; the first
// binding that does not, an empty batch, or a batch cut short ends the
// walk. Returns 1 (en_Success) when the walk ended, 0 when a batch failed
// (the rows of earlier batches stay in the table for the caller to free).
int snmpGetTable_ext(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* tableResp,
                     TE_Status* myStatus);

// Kept for callers outside bidiupdate and tavorinex-query, which call none of
// them: defined in snmpextras.cpp (tvx_bidi_extras, linked by the tests only).

// snmpGetGeneral(en_SNMP_GET_NEXT, ...).
int snmpGetNext(const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes, TE_Status* myStatus);

// Get-next walk of `myParam->oid` in two passes. With null dataRes it
// counts the rows into nrInstance and returns the largest value size; with
// dataRes (nrInstance slots, each a response of that size) it fills at most
// nrInstance slots and returns 0. The walk ends when the OID leaves the
// base or stops advancing. A failed request returns 0 with its status.
int snmpGetTable(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* myResp, TE_Status* myStatus);

// Logs the text of `status` ("Time Out", "Invalid Oid" ...) at level 1.
void PrintError(TE_Status status);
