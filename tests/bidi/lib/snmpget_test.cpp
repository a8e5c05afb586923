// Get, get-next and the response cache through net-snmp against the
// simulated printer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpget.h"
#include "bidi/lib/snmpowners.h"
#include "bidi/lib/snmpsession.h"
#include "tests/bidi/lib/snmptest.h"
#include "tests/support/simprinter.h"

namespace {

using tvx::snmp::makeParam;
using tvx::snmp::makeResponse;
using tvx::snmp::ParamPtr;
using tvx::snmp::ResponsePtr;

constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";
constexpr const char* kSysObjectId = "1.3.6.1.2.1.1.2.0";
constexpr const char* kSysUpTime = "1.3.6.1.2.1.1.3.0";
constexpr const char* kMediaShift = "1.3.6.1.4.1.46739.4.2.2.2.1.29.3";  // -20
constexpr const char* kInputNames = "1.3.6.1.2.1.43.8.2.1.13";

tvx::test::PrivateRoot root;

class SnmpGet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { printer = std::make_unique<tvx::test::SimPrinter>("full"); }
  static void TearDownTestSuite() { printer.reset(); }

  void SetUp() override {
    ASSERT_TRUE(printer->running());
    ASSERT_EQ(snmpSessionOpen(en_SnmpVersion_V2, printer->host(), "vexhol", "", &session), en_Success);
  }
  void TearDown() override {
    while (sessionList != nullptr) snmpSessionClose(sessionList->ssId);
  }

  ParamPtr request(const char* oid, TT_SessionID id) { return makeParam(id, oid, SNMP_OID_TEXT_SIZE); }
  ParamPtr request(const char* oid) { return request(oid, session); }

  // Size query and fetch of one object.
  ResponsePtr get(const char* oid, TE_Status& status) {
    ParamPtr req = request(oid);
    int size = snmpGet(req.get(), nullptr, &status);
    if (status != en_Success || size == 0) return nullptr;
    ResponsePtr resp = makeResponse(size);
    EXPECT_EQ(snmpGet(req.get(), resp.get(), &status), size);
    return resp;
  }

  static std::unique_ptr<tvx::test::SimPrinter> printer;
  TT_SessionID session = 0;
};

std::unique_ptr<tvx::test::SimPrinter> SnmpGet::printer;

TEST_F(SnmpGet, SizeQueryThenFetchOfEachValueClass) {
  TE_Status status = en_Error;
  ResponsePtr descr = get(kSysDescr, status);
  ASSERT_EQ(status, en_Success);
  EXPECT_EQ(descr->type, en_String);
  EXPECT_EQ(descr->res_len, 22u);
  EXPECT_STREQ(static_cast<const char*>(descr->res), "Tavorinex Arc M750XLS");
  EXPECT_STREQ(descr->oid, kSysDescr);

  ResponsePtr objectId = get(kSysObjectId, status);
  ASSERT_EQ(status, en_Success);
  EXPECT_EQ(objectId->type, en_Oid);
  EXPECT_EQ(objectId->res_len, 20u);
  EXPECT_STREQ(static_cast<const char*>(objectId->res), "1.3.6.1.4.1.46739.1");

  ResponsePtr upTime = get(kSysUpTime, status);
  ASSERT_EQ(status, en_Success);
  EXPECT_EQ(tvx::test::integerOf(*upTime), 8640000);

  ResponsePtr shift = get(kMediaShift, status);
  ASSERT_EQ(status, en_Success);
  EXPECT_EQ(tvx::test::integerOf(*shift), -20);

  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

TEST_F(SnmpGet, FetchesFindTheirOwnParkedAnswerInEitherOrder) {
  ParamPtr first = request(kSysDescr);
  ParamPtr second = request(kSysObjectId);
  TE_Status status = en_Error;
  int firstSize = snmpGet(first.get(), nullptr, &status);
  int secondSize = snmpGet(second.get(), nullptr, &status);
  ASSERT_EQ(status, en_Success);
  EXPECT_EQ(tvx::test::cacheSize(), 2);

  // No agent is needed for the fetches: the answers are parked.
  printer.reset();
  ResponsePtr secondValue = makeResponse(secondSize);
  EXPECT_EQ(snmpGet(second.get(), secondValue.get(), &status), 20);
  EXPECT_STREQ(static_cast<const char*>(secondValue->res), "1.3.6.1.4.1.46739.1");
  ResponsePtr firstValue = makeResponse(firstSize);
  EXPECT_EQ(snmpGet(first.get(), firstValue.get(), &status), 22);
  EXPECT_STREQ(static_cast<const char*>(firstValue->res), "Tavorinex Arc M750XLS");
  EXPECT_EQ(tvx::test::cacheSize(), 0);
  printer = std::make_unique<tvx::test::SimPrinter>("full");
}

TEST_F(SnmpGet, TwoSizeQueriesForOneRequestLeaveTheOlderEntry) {
  ParamPtr req = request(kSysDescr);
  TE_Status status = en_Error;
  snmpGet(req.get(), nullptr, &status);
  int size = snmpGet(req.get(), nullptr, &status);
  ASSERT_EQ(tvx::test::cacheSize(), 2);
  TS_CacheElement* newest = cacheList;
  ResponsePtr value = makeResponse(size);
  snmpGet(req.get(), value.get(), &status);
  EXPECT_EQ(status, en_Success);
  ASSERT_EQ(tvx::test::cacheSize(), 1);
  EXPECT_NE(cacheList, newest);
  EXPECT_EQ(deleteCacheElement(req.get()), en_Success);
  EXPECT_EQ(deleteCacheElement(req.get()), en_Error);
}

TEST_F(SnmpGet, TheSameObjectOnTwoSessionsIsParkedTwice) {
  TT_SessionID other = 0;
  ASSERT_EQ(snmpSessionOpen(en_SnmpVersion_V2, printer->host(), "vexhol", "", &other), en_Success);
  ParamPtr onFirst = request(kSysDescr);
  ParamPtr onOther = request(kSysDescr, other);
  TE_Status status = en_Error;
  snmpGet(onOther.get(), nullptr, &status);
  snmpGet(onFirst.get(), nullptr, &status);
  EXPECT_EQ(tvx::test::cacheSize(), 2);
  ResponsePtr value = makeResponse(22);
  snmpGet(onOther.get(), value.get(), &status);
  ASSERT_EQ(tvx::test::cacheSize(), 1);
  EXPECT_EQ(cacheList->input->sessionID, session);
  EXPECT_EQ(deleteCacheElement(onFirst.get()), en_Success);
}

TEST_F(SnmpGet, ARecordTooSmallForTheValueIsRefused) {
  ParamPtr req = request(kSysDescr);
  TE_Status status = en_Error;
  ResponsePtr small = makeResponse(21);
  EXPECT_EQ(snmpGet(req.get(), small.get(), &status), 0);
  EXPECT_EQ(status, en_NotEnoughMemory);

  // A parked answer stays parked when the fetch is too small.
  snmpGet(req.get(), nullptr, &status);
  EXPECT_EQ(snmpGet(req.get(), small.get(), &status), 0);
  EXPECT_EQ(status, en_NotEnoughMemory);
  EXPECT_EQ(tvx::test::cacheSize(), 1);
  EXPECT_EQ(deleteCacheElement(req.get()), en_Success);
}

TEST_F(SnmpGet, BadRequestsFailBeforeAnyTraffic) {
  TE_Status status = en_Success;
  for (const char* oid : {".1.3.6.1.2.1.1.1.0", "iso.3.6.1.2.1.1.1.0", "1.3.6.x", ""}) {
    EXPECT_EQ(snmpGet(request(oid).get(), nullptr, &status), 0) << oid;
    EXPECT_EQ(status, en_InvalidOid) << oid;
  }
  std::string tooLong = "1.3.6.1.4.1.46739.8";
  while (tooLong.size() < SNMP_OID_TEXT_SIZE) tooLong += ".1";
  ParamPtr longRequest = makeParam(session, tooLong.c_str(), static_cast<int>(tooLong.size()) + 1);
  EXPECT_EQ(snmpGet(longRequest.get(), nullptr, &status), 0);
  EXPECT_EQ(status, en_InvalidOid);
  EXPECT_EQ(snmpGet(request(kSysDescr, 7).get(), nullptr, &status), 0);
  EXPECT_EQ(status, en_SessionNotOpen);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

TEST_F(SnmpGet, GetNextWalkCountsThenFills) {
  ParamPtr base = request(kInputNames);
  TS_SnmpTableResponse table{};
  TE_Status status = en_Error;
  int largest = snmpGetTable(base.get(), &table, &status);
  ASSERT_EQ(status, en_Success);
  ASSERT_EQ(table.nrInstance, 7);
  EXPECT_EQ(largest, 13);  // "Tray 6 (LCT)" and a NUL

  // Fill fewer slots than there are rows: the pass stops at the slots it has.
  table.nrInstance = 3;
  ASSERT_EQ(snmpAllocTable(&table, 0), en_Success);
  for (int i = 0; i < table.nrInstance; ++i) ASSERT_EQ(snmpAllocResponse(&table.dataRes[i], largest), en_Success);
  EXPECT_EQ(snmpGetTable(base.get(), &table, &status), 0);
  EXPECT_EQ(status, en_Success);
  EXPECT_STREQ(static_cast<const char*>(table.dataRes[0]->res), "Tray 1");
  EXPECT_STREQ(table.dataRes[2]->oid, "1.3.6.1.2.1.43.8.2.1.13.1.4");
  EXPECT_STREQ(static_cast<const char*>(table.dataRes[2]->res), "Tray 3");
  freeDataFromTable(&table);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

TEST_F(SnmpGet, GetNextWalkEndsAtTheEndOfTheAgentsData) {
  ParamPtr base = request("1.3.6.1.4.1.46739.9");
  TS_SnmpTableResponse table{};
  TE_Status status = en_Error;
  snmpGetTable(base.get(), &table, &status);
  EXPECT_EQ(status, en_Success);
  EXPECT_EQ(table.nrInstance, 1);  // the last record, then endOfMibView
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

TEST(SnmpGetErrors, AnAgentErrorStatusIsATimeOut) {
  tvx::test::SimPrinter printer("agent-error");
  ASSERT_TRUE(printer.running());
  TT_SessionID session = 0;
  ASSERT_EQ(snmpSessionOpen(en_SnmpVersion_V2, printer.host(), "vexhol", "", &session), en_Success);
  ParamPtr req = makeParam(session, kSysDescr, SNMP_OID_TEXT_SIZE);
  TE_Status status = en_Success;
  EXPECT_EQ(snmpGet(req.get(), nullptr, &status), 0);
  EXPECT_EQ(status, en_TimeOut);
  tvx::test::Walk walk("1.3.6.1.2.1.1", session);  // a bulk reply that holds the error record
  EXPECT_EQ(walk.status, en_BiDiSessionTimeOut);
  snmpSessionClose(session);
}

}  // namespace
