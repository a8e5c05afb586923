// The columns a run has walked, kept per session until the session closes,
// so that a run asks the printer for each column once however many readers
// need it.
#pragma once

#include "bidi/lib/snmpLayer.h"

struct TS_ColumnElement {
  TT_SessionID sessionID;
  char* oid;                    // the column's dotted OID text, owned
  TS_SnmpTableResponse column;  // the walked rows, owned
  TS_ColumnElement* next;
};

// Head of the kept columns, newest first; null when none is kept.
extern TS_ColumnElement* columnList;

// Fills the empty `table` with a copy of the rows kept for column `oid` on
// `sessionID`. False, with `table` left empty, when none are kept or a copy
// failed to allocate.
bool snmpFindColumn(TT_SessionID sessionID, const char* oid, TS_SnmpTableResponse* table);

// Keeps a copy of the rows of a completed walk of column `oid` on
// `sessionID`; nothing is kept when an allocation fails.
void snmpKeepColumn(TT_SessionID sessionID, const char* oid, const TS_SnmpTableResponse& table);

// Frees every column kept for `sessionID`.
void snmpForgetColumns(TT_SessionID sessionID);
