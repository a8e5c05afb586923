// The SNMP session table: library sessions kept behind small identifiers.
//
// The first session opened into an empty table gets 255, every further one
// the identifier of the newest session minus 1 (8-bit). An open whose
// identifier would wrap onto a session still open is refused.
#pragma once

#include "bidi/lib/snmpLayer.h"

struct snmp_session;

struct TS_SessionElement {
  snmp_session* ss;  // the library's session handle, owned until close
  TT_SessionID ssId;
  TS_SessionElement* next;
};

// Head of the open sessions, newest first; null when none is open.
extern TS_SessionElement* sessionList;

// Opens a session to `server` (the library's peer name, "host" or
// "host:port") with a 9 s time-out and 2 retries. V1 and V2 use `userName`
// as community; V3 takes its security from the configuration (snmpconfig.h),
// with `userName` and `passPhrase`, when not empty, as security name and
// authentication pass phrase. Stores the identifier through `sessionID`.
// Returns en_Success, en_SecurityAuthKey (key derivation failed), en_Error
// (configuration refused, library refused, null argument, unknown version,
// no SNMPv3 security name, or identifier in use) or en_NotEnoughMemory.
TE_Status snmpSessionOpen(TE_SnmpVersion vers, const char* server, const char* userName,
                          const char* passPhrase, TT_SessionID* sessionID);

// Closes the session `sessionID` and frees the columns kept for it;
// en_InvalidSession when none has that identifier.
TE_Status snmpSessionClose(TT_SessionID sessionID);

// The open session with that identifier, or null.
TS_SessionElement* getSnmpSession(TT_SessionID sessionID);
