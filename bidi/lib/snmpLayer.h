// Records of the SNMP access layer: requests, received values and walked
// tables, their status and selector enumerations, their allocation and
// release, and the conversion of numeric OIDs into dotted text and the
// reading, ordering and copying of that text.
//
// Nothing here depends on the SNMP library's headers, so that the printer
// readers see only these records. Who allocates and frees them:
// common/owned.h.
#pragma once

#include <string>
#include <string_view>

typedef unsigned char TT_UChar;
typedef TT_UChar TT_SessionID;

enum TE_Status {
  en_Success = 0,
  en_Error = 1,
  en_InvalidOid = 2,
  en_SecurityAuthKey = 3,
  en_InvalidSession = 4,
  en_SessionNotOpen = 5,
  en_TimeOut = 6,
  en_NotEnoughMemory = 7,
};

enum TE_SnmpVersion { en_SnmpVersion_V1 = 0, en_SnmpVersion_V2 = 1, en_SnmpVersion_V3 = 2 };

enum TE_SnmpGetType { en_SNMP_GET = 0, en_SNMP_GET_NEXT = 1 };

// Class of a received value. en_Long is never produced; a zeroed response
// (and a binding of a type the layer does not classify) holds it.
enum TE_SnmpValueType { en_Long = 0, en_String = 1, en_ULong = 2, en_Oid = 3 };

// Size of every dotted OID buffer of the layer: 127 characters and a NUL.
constexpr int SNMP_OID_TEXT_SIZE = 128;

// One request: the session and the object as dotted text ("1.3.6.1.2.1.1.1.0").
struct TS_SnmpGetParam {
  TT_SessionID sessionID;
  char* oid;
};

// One received value. `res` holds the octets and a NUL (en_String), the
// library's native long (en_ULong, res_len == sizeof(long)) or dotted text
// and a NUL (en_Oid). `res_len` is the buffer size after allocation and the
// value's size after every copy into the record. `oid` (128 bytes) is the
// dotted OID the value belongs to.
struct TS_SnmpGetResponse {
  void* res;
  unsigned int res_len;
  TE_SnmpValueType type;
  char* oid;
};

// A walked table: `nrInstance` valid responses in `dataRes`, each owned by the table.
struct TS_SnmpTableResponse {
  TS_SnmpGetResponse** dataRes;
  int nrInstance;
};

// Allocates a request with an `oid` buffer of `size` bytes (emptied) and
// stores it through `myParam`; en_NotEnoughMemory leaves `*myParam` as it was.
TE_Status snmpAllocParam(TS_SnmpGetParam** myParam, int size);

// Frees the request and its `oid` buffer; `*myParam` is not reset. Null is harmless.
TE_Status snmpFreeParam(TS_SnmpGetParam** myParam);

// Allocates a zeroed response with a `res` buffer of `size` bytes
// (res_len = size) and a 128-byte `oid` buffer, stored through `myRes`.
// A negative size or a failed allocation gives en_NotEnoughMemory and
// leaves `*myRes` as it was.
TE_Status snmpAllocResponse(TS_SnmpGetResponse** myRes, int size);

// Frees the response and its buffers; `*myRes` is not reset. Null is harmless.
TE_Status snmpFreeResponse(TS_SnmpGetResponse** myRes);

// Allocates `dataRes` with room for the `nrInstance` pointers the caller set
// (null slots); `size` is not used. en_NotEnoughMemory when that fails.
TE_Status snmpAllocTable(TS_SnmpTableResponse* myTableResp, int size);

// Frees the `dataRes` array only, not the responses it points to.
TE_Status snmpFreeTable(TS_SnmpTableResponse* myTableResp);

// Writes the `oidLength` sub-identifiers of `source` joined by "." into
// `dest`, which holds SNMP_OID_TEXT_SIZE bytes. A text that would not fit
// leaves `dest` empty and returns en_InvalidOid; oidLength <= 0 gives "".
TE_Status snmpOidIntToString(char* dest, const unsigned long* source, int oidLength);

// The dotted text of `oidLength` sub-identifiers, of any length.
std::string snmpOidToText(const unsigned long* source, int oidLength);

namespace tvx::snmp {

// The dotted OID text of a response, never read past its 128-byte buffer.
std::string_view oidText(const TS_SnmpGetResponse* resp);

// Numeric order of two dotted OID texts: true when `later` lies after
// `earlier`; false when either is not a dotted number.
bool oidFollows(std::string_view later, std::string_view earlier);

// Copies an OID text (null: "") into `dest`, a buffer of SNMP_OID_TEXT_SIZE
// bytes, cut to 127 characters and always terminated.
void copyOidText(char* dest, const char* source);

}  // namespace tvx::snmp

// Kept for callers outside bidiupdate and tavorinex-query, which call none of
// them: defined in snmpextras.cpp (tvx_bidi_extras, linked by the tests only).

// Writes `nr` in decimal and a NUL into `dest` (12 bytes suffice); `base`
// is ignored. Negative numbers are written as 0.
void itoa(int nr, char* dest, int base);

// Logs "<oid> = <value>" (level 0) for en_ULong, en_String and en_Oid values.
void printResult(const TS_SnmpGetResponse* myResp);
