// BiDi_InitSession against every simulated printer: which printers it
// accepts, which it refuses and with which status, and what it leaves open.
#include <gtest/gtest.h>

#include <string>

#include "bidi/lib/BiDiSession.h"
#include "bidi/lib/snmpsession.h"
#include "tests/bidi/lib/snmptest.h"
#include "tests/support/simprinter.h"

namespace {

tvx::test::PrivateRoot root;

// The status of BiDi_InitSession on `scenario`; a session it opens is closed.
TE_BiDiStatus initOn(const char* scenario) {
  tvx::test::SimPrinter printer(scenario);
  EXPECT_TRUE(printer.running()) << scenario;
  unsigned char id = 0;
  TE_BiDiStatus result = BiDi_InitSession(printer.host(), &id);
  EXPECT_EQ(tvx::test::cacheSize(), 0) << scenario;
  if (result == en_BiDiSuccess) {
    EXPECT_NE(getSnmpSession(id), nullptr) << scenario;
    EXPECT_EQ(BiDi_CloseSession(id), en_BiDiSuccess);
  }
  EXPECT_EQ(sessionList, nullptr) << scenario;
  return result;
}

TEST(InitSession, AcceptsTheFullPrinterAndKeepsItsSessionOpen) {
  tvx::test::SimPrinter printer("full");
  ASSERT_TRUE(printer.running());
  unsigned char id = 0;
  ASSERT_EQ(BiDi_InitSession(printer.host(), &id), en_BiDiSuccess);
  EXPECT_EQ(id, 255);
  EXPECT_NE(getSnmpSession(id), nullptr);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
  EXPECT_EQ(BiDi_CloseSession(id), en_BiDiSuccess);
  EXPECT_EQ(sessionList, nullptr);
  EXPECT_EQ(BiDi_CloseSession(id), en_BiDiSuccess);  // closing again is harmless
}

TEST(InitSession, AcceptsEveryDataScenario) {
  for (const char* scenario :
       {"empty-tables", "many-rows", "long-values", "long-oids", "string-for-integer"}) {
    EXPECT_EQ(initOn(scenario), en_BiDiSuccess) << scenario;
  }
}

TEST(InitSession, RefusesEveryOtherDescription) {
  for (const char* scenario : {"other-model", "description-suffix", "letter-case", "empty-description"}) {
    EXPECT_EQ(initOn(scenario), en_BiDiInvalidPrinter) << scenario;
  }
}

TEST(InitSession, AnAgentErrorStatusIsATimeOut) {
  EXPECT_EQ(initOn("agent-error"), en_BiDiSessionTimeOut);
}

TEST(InitSession, AnAddressTheLibraryRefusesDoesNotOpen) {
  unsigned char id = 42;
  EXPECT_EQ(BiDi_InitSession("127.0.0.1:99999", &id), en_BiDiSessionNotOpen);
  EXPECT_EQ(BiDi_InitSession(nullptr, &id), en_BiDiSessionNotOpen);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(sessionList, nullptr);
}

TEST(InitSession, LogsTheDescriptionItRead) {
  std::string log = tvx::test::enableFullLog(root);
  tvx::test::SimPrinter printer("description-suffix");
  ASSERT_TRUE(printer.running());
  unsigned char id = 0;
  EXPECT_EQ(BiDi_InitSession(printer.host(), &id), en_BiDiInvalidPrinter);
  std::string text = tvx::test::readFile(log);
  // The log is switched on inside the session open, after the first two lines.
  EXPECT_EQ(text.find("Try to connect to"), std::string::npos);
  EXPECT_NE(text.find(": Interrogate the sysDescription with the sessionID = 255\n"), std::string::npos);
  EXPECT_NE(text.find(": Response with the length: 27\n"), std::string::npos);
  EXPECT_NE(text.find(": Printer description: Tavorinex Arc M750XLS v2.4\n"), std::string::npos);
  EXPECT_NE(text.find(": BiDi_CloseSession:END\n"), std::string::npos);
  EXPECT_NE(text.find(": BiDi_InitSession:END\n"), std::string::npos);
}

}  // namespace
