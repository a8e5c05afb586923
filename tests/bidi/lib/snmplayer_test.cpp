// Records, conversions, row numbers and the session table; no agent needed
// (an SNMP session over UDP opens without contact).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bidi/lib/BiDiOID.h"
#include "bidi/lib/snmpLayer.h"
#include "bidi/lib/snmpsession.h"
#include "tests/bidi/lib/snmptest.h"

namespace {

tvx::test::PrivateRoot root;

TEST(SnmpRecords, OidTextConversion) {
  char text[SNMP_OID_TEXT_SIZE];
  const unsigned long sysDescr[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
  EXPECT_EQ(snmpOidIntToString(text, sysDescr, 9), en_Success);
  EXPECT_STREQ(text, "1.3.6.1.2.1.1.1.0");
  const unsigned long zero[] = {0};
  snmpOidIntToString(text, zero, 1);
  EXPECT_STREQ(text, "0");
  snmpOidIntToString(text, sysDescr, 0);
  EXPECT_STREQ(text, "");
  const unsigned long big[] = {4294967296UL};
  snmpOidIntToString(text, big, 1);
  EXPECT_STREQ(text, "4294967296");
}

TEST(SnmpRecords, OidTextLongerThan127CharactersIsRefusedNotOverrun) {
  std::vector<unsigned long> subids(63, 7);  // "7.7. ... .7" has 125 characters
  subids.insert(subids.begin(), 1);          // 127 characters
  char text[SNMP_OID_TEXT_SIZE];
  EXPECT_EQ(snmpOidIntToString(text, subids.data(), static_cast<int>(subids.size())), en_Success);
  EXPECT_EQ(std::string(text).size(), 127u);
  subids.push_back(7);  // 129 characters
  EXPECT_EQ(snmpOidIntToString(text, subids.data(), static_cast<int>(subids.size())), en_InvalidOid);
  EXPECT_STREQ(text, "");
}

TEST(SnmpRecords, ResponseSizeIsNotCutTo8Bits) {
  TS_SnmpGetResponse* resp = nullptr;
  ASSERT_EQ(snmpAllocResponse(&resp, 300), en_Success);
  EXPECT_EQ(resp->res_len, 300u);
  snmpFreeResponse(&resp);
  TS_SnmpGetResponse* untouched = nullptr;
  EXPECT_EQ(snmpAllocResponse(&untouched, -1), en_NotEnoughMemory);
  EXPECT_EQ(untouched, nullptr);
}

TEST(SnmpRecords, ItoaIsAlwaysDecimal) {
  char text[16];
  itoa(0, text, 16);
  EXPECT_STREQ(text, "0");
  itoa(255, text, 16);
  EXPECT_STREQ(text, "255");
  itoa(2147483647, text, 10);
  EXPECT_STREQ(text, "2147483647");
}

TEST(RowNumber, TakenAfterTheOneDigitDeviceIndex) {
  const char* column = "1.3.6.1.2.1.43.8.2.1.13";
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.4"), 4);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.12"), 12);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.12.7"), 12);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.10.4"), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.12.1.4"), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1"), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1."), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13"), 0);
}

TEST(RowNumber, TextThatIsNotANumberGivesZero) {
  const char* column = "1.3.6.1.2.1.43.8.2.1.13";
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.4x"), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.-4"), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.99999999999999999999"), 0);
  std::string longRow = std::string(column) + ".1." + std::string(5000, '9');
  EXPECT_EQ(getNumberOfInstance(column, longRow.c_str()), 0);
  EXPECT_EQ(getNumberOfInstance(column, "1.3.6.1.2.1.43.8.2.1.13.1.2147483647"), 2147483647);
}

class SessionTable : public ::testing::Test {
 protected:
  TT_SessionID open() {
    TT_SessionID id = 0;
    EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V2, "127.0.0.1:9", "vexhol", "", &id), en_Success);
    return id;
  }
  void TearDown() override {
    while (sessionList != nullptr) snmpSessionClose(sessionList->ssId);
  }
};

TEST_F(SessionTable, IdentifiersCountDownFrom255) {
  EXPECT_EQ(getSnmpSession(255), nullptr);
  EXPECT_EQ(open(), 255);
  EXPECT_EQ(open(), 254);
  EXPECT_EQ(snmpSessionClose(254), en_Success);
  EXPECT_EQ(open(), 254);
  EXPECT_EQ(snmpSessionClose(255), en_Success);
  EXPECT_EQ(open(), 253);
  EXPECT_NE(getSnmpSession(253), nullptr);
  EXPECT_NE(getSnmpSession(254), nullptr);
  EXPECT_EQ(getSnmpSession(255), nullptr);
}

TEST_F(SessionTable, ClosingTwiceOrAnUnknownIdentifierIsInvalid) {
  TT_SessionID id = open();
  EXPECT_EQ(snmpSessionClose(id), en_Success);
  EXPECT_EQ(snmpSessionClose(id), en_InvalidSession);
  EXPECT_EQ(snmpSessionClose(17), en_InvalidSession);
  EXPECT_EQ(sessionList, nullptr);
  EXPECT_EQ(open(), 255);  // numbering restarts once the table is empty
}

TEST_F(SessionTable, AnIdentifierThatWouldWrapOntoAnOpenSessionIsRefused) {
  for (int expected = 255; expected >= 0; --expected) ASSERT_EQ(open(), expected);
  TT_SessionID id = 42;
  EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V2, "127.0.0.1:9", "vexhol", "", &id), en_Error);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(snmpSessionClose(255), en_Success);
  EXPECT_EQ(open(), 255);  // 0 - 1 wraps to 255, which is free again
}

TEST_F(SessionTable, RefusedOpens) {
  TT_SessionID id = 42;
  EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V2, "127.0.0.1:99999", "vexhol", "", &id), en_Error);
  EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V2, nullptr, "vexhol", "", &id), en_Error);
  EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V3, "127.0.0.1:9", "user", "", &id), en_SecurityAuthKey);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(sessionList, nullptr);
  EXPECT_EQ(snmpSessionOpen(en_SnmpVersion_V3, "127.0.0.1:9", "user", "a long pass phrase", &id),
            en_Success);
  EXPECT_EQ(id, 255);
}

}  // namespace
