// Owning handles for the access layer's records, for use inside functions.
#pragma once

#include "bidi/lib/snmpLayer.h"
#include "common/owned.h"

namespace tvx::snmp {

using ParamPtr = tvx::Owned<TS_SnmpGetParam, snmpFreeParam>;
using ResponsePtr = tvx::Owned<TS_SnmpGetResponse, snmpFreeResponse>;

// A request for `oid` on `sessionID`, with an OID buffer of `size` bytes
// (at least the text and its NUL); null when the allocation fails.
ParamPtr makeParam(TT_SessionID sessionID, const char* oid, int size);

// A zeroed response of `size` bytes; null when the allocation fails.
ResponsePtr makeResponse(int size);

// Frees every row of `table` and its row array, and leaves it empty.
void clearTable(TS_SnmpTableResponse& table);

}  // namespace tvx::snmp
