// Who allocates and frees the records, in bidiupdate and psfilter alike.
//
// 1. A record of the C-style interfaces (the SNMP requests, responses and
//    tables, the session, cache and column entries, the printer lists, the
//    catalog's CMedia) is made with new (std::nothrow) and released with
//    delete only inside its one free function: the interface's pair
//    (snmpFreeParam, BiDi_ClearMedia, ...), a list's unlinking, or the
//    catalog, which owns its chain. A failed allocation is reported as the
//    interface says (en_NotEnoughMemory, a record left out), never thrown.
// 2. Inside a function such a record is held by an Owned handle (or a
//    std::unique_ptr for a record that delete frees) from its allocation
//    until it is handed to its owner (a list head, a table, the caller's
//    pointer) with release(). No path frees by hand.
// 3. Everything else (texts, scratch buffers, rows being gathered) is a
//    std::string, std::vector or std::array. Running out of memory there
//    ends the process (std::bad_alloc is not caught).
#pragma once

#include <memory>

namespace tvx {

// Frees a record with its free function, which takes the record's address.
template <typename Record, auto Free>
struct FreeWith {
  void operator()(Record* record) const { Free(&record); }
};

// Owns one record (or a list's head) and frees it with `Free`.
template <typename Record, auto Free>
using Owned = std::unique_ptr<Record, FreeWith<Record, Free>>;

}  // namespace tvx
