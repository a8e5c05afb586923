// Owning handles for the access layer's records, for use inside functions.
#pragma once

#include <memory>

#include "bidi/lib/snmpLayer.h"

namespace tvx::snmp {

struct ParamDeleter {
  void operator()(TS_SnmpGetParam* param) const { snmpFreeParam(&param); }
};
struct ResponseDeleter {
  void operator()(TS_SnmpGetResponse* resp) const { snmpFreeResponse(&resp); }
};

using ParamPtr = std::unique_ptr<TS_SnmpGetParam, ParamDeleter>;
using ResponsePtr = std::unique_ptr<TS_SnmpGetResponse, ResponseDeleter>;

// A request for `oid` on `sessionID`, with an OID buffer of `size` bytes
// (at least the text and its NUL); null when the allocation fails.
ParamPtr makeParam(TT_SessionID sessionID, const char* oid, int size);

// A zeroed response of `size` bytes; null when the allocation fails.
ResponsePtr makeResponse(int size);

// Frees every row of `table` and its row array, and leaves it empty.
void clearTable(TS_SnmpTableResponse& table);

}  // namespace tvx::snmp
