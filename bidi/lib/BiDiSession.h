// The printer session: an SNMPv2c session (community "vexhol"), or SNMPv3
// when the library's configuration chooses it (snmpconfig.h), accepted only
// when the printer's sysDescr.0 is exactly "Tavorinex Arc M750XLS".
#pragma once

#include "bidi/lib/BiDiStatus.h"

// Opens a session to `hostname` ("host" or "host:port") and checks the
// printer model. On en_BiDiSuccess `*sessionID` holds the open session, to
// be closed with BiDi_CloseSession. Otherwise no session is left open:
// en_BiDiSessionNotOpen (open failed), en_BiDiSessionTimeOut (no answer,
// agent error, or no value), en_BiDiNotEnoughMemory, en_BiDiInvalidPrinter
// (another description).
TE_BiDiStatus BiDi_InitSession(const char* hostname, unsigned char* sessionID);

// Closes the session; closing one that is not open is harmless. Always en_BiDiSuccess.
TE_BiDiStatus BiDi_CloseSession(unsigned char sessionID);
