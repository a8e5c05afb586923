// The SNMP library must not spray MIB warnings on standard error where its
// configuration names no MIB list (a system without "mibs :" in snmp.conf).
// Its own process: the library reads its configuration once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "bidi/lib/snmpsession.h"
#include "common/uniquefile.h"
#include "tests/bidi/lib/snmptest.h"

namespace {

tvx::test::PrivateRoot root;

TEST(SnmpLibrary, OpensQuietlyWithoutAMibList) {
  std::filesystem::path emptyConf = root.path() / "snmpconf";
  std::filesystem::create_directories(emptyConf);
  setenv("SNMPCONFPATH", emptyConf.c_str(), 1);

  std::string errPath = (root.path() / "stderr").string();
  std::fflush(stderr);
  int saved = dup(STDERR_FILENO);
  tvx::UniqueFile capture(std::fopen(errPath.c_str(), "w"));
  ASSERT_NE(capture, nullptr);
  dup2(fileno(capture.get()), STDERR_FILENO);
  TT_SessionID id = 0;
  TE_Status status = snmpSessionOpen(en_SnmpVersion_V2, "127.0.0.1:9", "vexhol", "", &id);
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  capture.reset();

  EXPECT_EQ(status, en_Success);
  EXPECT_EQ(tvx::test::readFile(errPath), "");
  snmpSessionClose(id);
}

}  // namespace
