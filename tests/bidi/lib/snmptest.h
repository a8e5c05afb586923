// Helpers shared by the access layer's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "bidi/lib/BiDiOID.h"
#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpowners.h"
#include "bidi/lib/snmpsession.h"
#include "tests/support/testroot.h"

namespace tvx::test {

// A column walked with getDataFromTable, released at the end of the scope.
struct Walk {
  Walk(const char* column, TT_SessionID session) { status = getDataFromTable(&table, column, session); }
  ~Walk() { freeDataFromTable(&table); }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  const TS_SnmpGetResponse& row(int i) const { return *table.dataRes[i]; }
  std::string oid(int i) const { return row(i).oid; }
  std::string text(int i) const {
    return std::string(static_cast<const char*>(row(i).res), row(i).res_len - 1);
  }

  TS_SnmpTableResponse table{};
  TE_BiDiStatus status;
};

// The native long an en_ULong response holds.
inline long integerOf(const TS_SnmpGetResponse& resp) {
  long value = 0;
  EXPECT_EQ(resp.type, en_ULong);
  EXPECT_EQ(resp.res_len, sizeof value);
  if (resp.res_len == sizeof value) std::memcpy(&value, resp.res, sizeof value);
  return value;
}

inline int cacheSize() {
  int n = 0;
  for (TS_CacheElement* e = cacheList; e != nullptr; e = e->next) ++n;
  return n;
}

// Switches the diagnostic log on at level FULL under `root`; returns the log file's path.
inline std::string enableFullLog(const PrivateRoot& root) {
  std::ofstream(root.logFolder() / "QZ5182R064Log.ini") << "Level=FULL\n";
  return (root.logFolder() / "QZ5182R064Log.log").string();
}

inline int countOf(std::string_view text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace tvx::test
