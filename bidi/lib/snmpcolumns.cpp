#include "bidi/lib/snmpcolumns.h"

#include <cstring>
#include <memory>
#include <new>

#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpowners.h"

// Per process: the readers of one run share the columns walked for it.
TS_ColumnElement* columnList = nullptr;

namespace {

// Copies the rows of `source` into the empty `dest`; false, with `dest`
// empty, when an allocation fails.
bool copyTable(const TS_SnmpTableResponse& source, TS_SnmpTableResponse& dest) {
  dest.nrInstance = source.nrInstance;
  if (snmpAllocTable(&dest, 0) != en_Success) {
    dest.nrInstance = 0;
    return false;
  }
  for (int i = 0; i < source.nrInstance; ++i) {
    const TS_SnmpGetResponse* row = source.dataRes[i];
    tvx::snmp::ResponsePtr copy = tvx::snmp::makeResponse(static_cast<int>(row->res_len));
    if (!copy || copySnmpResponse(row, copy.get()) != en_Success) {
      dest.nrInstance = i;
      tvx::snmp::clearTable(dest);
      return false;
    }
    dest.dataRes[i] = copy.release();
  }
  return true;
}

void freeElement(TS_ColumnElement* element) {
  tvx::snmp::clearTable(element->column);
  delete[] element->oid;
  delete element;
}

}  // namespace

bool snmpFindColumn(TT_SessionID sessionID, const char* oid, TS_SnmpTableResponse* table) {
  if (oid == nullptr || table == nullptr) return false;
  for (const TS_ColumnElement* element = columnList; element != nullptr; element = element->next) {
    if (element->sessionID == sessionID && std::strcmp(element->oid, oid) == 0) {
      return copyTable(element->column, *table);
    }
  }
  return false;
}

void snmpKeepColumn(TT_SessionID sessionID, const char* oid, const TS_SnmpTableResponse& table) {
  if (oid == nullptr) return;
  std::size_t size = std::strlen(oid) + 1;
  std::unique_ptr<TS_ColumnElement> element(new (std::nothrow) TS_ColumnElement{});
  std::unique_ptr<char[]> text(new (std::nothrow) char[size]);
  if (!element || !text || !copyTable(table, element->column)) return;
  std::memcpy(text.get(), oid, size);
  element->sessionID = sessionID;
  element->oid = text.release();
  element->next = columnList;
  columnList = element.release();
}

void snmpForgetColumns(TT_SessionID sessionID) {
  for (TS_ColumnElement** link = &columnList; *link != nullptr;) {
    TS_ColumnElement* element = *link;
    if (element->sessionID != sessionID) {
      link = &element->next;
      continue;
    }
    *link = element->next;
    freeElement(element);
  }
}
