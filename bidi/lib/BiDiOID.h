// Table access helpers: the printer readers' whole interface to the printer.
#pragma once

#include "bidi/lib/BiDiStatus.h"
#include "bidi/lib/snmpLayer.h"

// Walks the column `strOid` (dotted text) on the session `sessionID` into
// `tblResponse`, which is emptied first: nrInstance rows in ascending OID
// order, each with its value and full row OID. en_BiDiSuccess (also for a
// column without rows) or en_BiDiSessionTimeOut when the walk fails for any
// reason. A column is walked once per session: a completed walk is kept
// until the session closes, and later reads of the column get a copy of its
// rows without asking the printer. Release the table with freeDataFromTable
// in either case.
TE_BiDiStatus getDataFromTable(TS_SnmpTableResponse* tblResponse, const char* strOid,
                               unsigned char sessionID);

// Frees every row and the row array of `tblResponse` and leaves it empty.
// Always en_BiDiSuccess.
TE_BiDiStatus freeDataFromTable(TS_SnmpTableResponse* tblResponse);

// The row number of the row OID `currOid` in the column `baseOid`: the
// decimal number that follows the column, ".", a one-digit device index and
// ".", up to the next "." or the end. 0 when `currOid` does not contain the
// column, ends too early, has a longer device index, or the number is not
// made of digits or does not fit an int.
int getNumberOfInstance(const char* baseOid, const char* currOid);
