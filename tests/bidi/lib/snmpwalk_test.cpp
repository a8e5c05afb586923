// Column walks (get-bulk batches) through net-snmp against the simulated
// printer: batching, the textual end test, hostile values and OIDs.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bidi/lib/BiDiOID.h"
#include "bidi/lib/snmpget.h"
#include "bidi/lib/snmpsession.h"
#include "common/drvlog.h"
#include "tests/bidi/lib/snmptest.h"
#include "tests/support/simprinter.h"

namespace {

using tvx::test::Walk;

tvx::test::PrivateRoot root;

// One session per test on a simulator shared by the suite.
class WalkOn : public ::testing::Test {
 protected:
  static void start(const char* scenario) { printer = std::make_unique<tvx::test::SimPrinter>(scenario); }
  static void TearDownTestSuite() { printer.reset(); }
  void SetUp() override {
    ASSERT_TRUE(printer->running());
    ASSERT_EQ(snmpSessionOpen(en_SnmpVersion_V2, printer->host(), "vexhol", "", &session), en_Success);
  }
  void TearDown() override { snmpSessionClose(session); }

  static std::unique_ptr<tvx::test::SimPrinter> printer;
  TT_SessionID session = 0;
};
std::unique_ptr<tvx::test::SimPrinter> WalkOn::printer;

class WalkManyRows : public WalkOn {
 protected:
  static void SetUpTestSuite() { start("many-rows"); }
};

// Every row of a column of `count` rows once, in order, in the expected
// number of get-bulk requests of 100 repetitions.
void expectWholeColumn(TT_SessionID session, const tvx::test::PrivateRoot& root, int count, int batches) {
  std::string log = tvx::test::enableFullLog(root);
  InitLog();
  std::string column = "1.3.6.1.4.1.46739.8.1.1." + std::to_string(count);
  std::string before = tvx::test::readFile(log);
  Walk walk(column.c_str(), session);
  std::string traced = tvx::test::readFile(log).substr(before.size());
  ASSERT_EQ(walk.status, en_BiDiSuccess);
  ASSERT_EQ(walk.table.nrInstance, count);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(getNumberOfInstance(column.c_str(), walk.row(i).oid), i + 1) << walk.oid(i);
    ASSERT_EQ(tvx::test::integerOf(walk.row(i)), i + 1);
  }
  EXPECT_EQ(tvx::test::countOf(traced, "snmpGetBulk:BEGIN"), batches);
}

TEST_F(WalkManyRows, BatchesOf100LoseAndRepeatNoRow) {
  expectWholeColumn(session, root, 99, 1);
  expectWholeColumn(session, root, 100, 2);  // the second batch starts outside
  expectWholeColumn(session, root, 101, 2);
  expectWholeColumn(session, root, 250, 3);
}

TEST_F(WalkManyRows, TheEndTestIsTextual) {
  Walk walk("1.3.6.1.2.1.43.8.2.1.1", session);
  ASSERT_EQ(walk.status, en_BiDiSuccess);
  ASSERT_EQ(walk.table.nrInstance, 2);
  EXPECT_EQ(walk.oid(0), "1.3.6.1.2.1.43.8.2.1.10.1.1");
  EXPECT_EQ(walk.oid(1), "1.3.6.1.2.1.43.8.2.1.10.1.3");
}

TEST_F(WalkManyRows, AColumnTheAgentLacksIsEmpty) {
  Walk walk("1.3.6.1.2.1.43.8.2.1.13", session);
  EXPECT_EQ(walk.status, en_BiDiSuccess);
  EXPECT_EQ(walk.table.nrInstance, 0);
}

TEST_F(WalkManyRows, TheWalkEndsAtTheEndOfTheAgentsData) {
  Walk sentinel("1.3.6.1.4.1.46739.9", session);
  EXPECT_EQ(sentinel.status, en_BiDiSuccess);
  EXPECT_EQ(sentinel.table.nrInstance, 1);
  Walk past("1.3.6.1.4.1.46739.9.9.9.0", session);  // only endOfMibView follows
  EXPECT_EQ(past.status, en_BiDiSuccess);
  EXPECT_EQ(past.table.nrInstance, 0);
}

TEST_F(WalkManyRows, FailedWalks) {
  Walk closed("1.3.6.1.4.1.46739.8.1.1.99", 3);
  EXPECT_EQ(closed.status, en_BiDiSessionTimeOut);
  Walk symbolic("iso.3.6.1.4.1.46739.8", session);
  EXPECT_EQ(symbolic.status, en_BiDiSessionTimeOut);
  Walk none(nullptr, session);
  EXPECT_EQ(none.status, en_BiDiSessionTimeOut);
}

class WalkLongValues : public WalkOn {
 protected:
  static void SetUpTestSuite() { start("long-values"); }
};

TEST_F(WalkLongValues, ValuesOf254To1000BytesKeepTheirSize) {
  Walk names("1.3.6.1.4.1.46739.4.2.2.2.1.2", session);
  ASSERT_EQ(names.status, en_BiDiSuccess);
  ASSERT_EQ(names.table.nrInstance, 4);
  const unsigned int sizes[] = {254, 255, 256, 1000};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(names.row(i).type, en_String);
    EXPECT_EQ(names.row(i).res_len, sizes[i] + 1);
    EXPECT_EQ(names.text(i).size(), sizes[i]);
    std::string filler;
    while (filler.size() < sizes[i]) filler += "Long" + std::to_string(sizes[i]) + "-";
    EXPECT_EQ(names.text(i), filler.substr(0, sizes[i]));
  }
}

TEST_F(WalkLongValues, ALongValueThroughTheSizeQueryAndFetch) {
  tvx::snmp::ParamPtr req = tvx::snmp::makeParam(session, "1.3.6.1.4.1.46739.4.2.2.2.1.3.4", 64);
  TE_Status status = en_Error;
  int size = snmpGet(req.get(), nullptr, &status);
  ASSERT_EQ(size, 1001);
  tvx::snmp::ResponsePtr value = tvx::snmp::makeResponse(size);
  EXPECT_EQ(snmpGet(req.get(), value.get(), &status), 1001);
  EXPECT_EQ(std::string(static_cast<const char*>(value->res)).size(), 1000u);
}

class WalkLongOids : public WalkOn {
 protected:
  static void SetUpTestSuite() { start("long-oids"); }
};

// A row whose OID has more than 127 characters ends the walk there.
TEST_F(WalkLongOids, ARowOidOver127CharactersEndsTheWalk) {
  Walk walk("1.3.6.1.4.1.46739.8.3.1.1", session);
  ASSERT_EQ(walk.status, en_BiDiSuccess);
  ASSERT_EQ(walk.table.nrInstance, 3);
  EXPECT_EQ(walk.oid(0).size(), 120u);
  EXPECT_EQ(walk.oid(1).size(), 126u);
  EXPECT_EQ(walk.oid(2).size(), 127u);
  EXPECT_EQ(walk.text(2), "row 3 of 127 characters");
}

TEST_F(WalkLongOids, AGetNextOntoAnOidOver127CharactersIsInvalid) {
  Walk walk("1.3.6.1.4.1.46739.8.3.1.1", session);
  ASSERT_EQ(walk.table.nrInstance, 3);
  tvx::snmp::ParamPtr req = tvx::snmp::makeParam(session, walk.row(2).oid, SNMP_OID_TEXT_SIZE);
  TE_Status status = en_Success;
  EXPECT_EQ(snmpGetNext(req.get(), nullptr, &status), 0);
  EXPECT_EQ(status, en_InvalidOid);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

class WalkStrings : public WalkOn {
 protected:
  static void SetUpTestSuite() { start("string-for-integer"); }
};

TEST_F(WalkStrings, AStringWhereAnIntegerIsExpectedKeepsItsClassAndSize) {
  Walk types("1.3.6.1.2.1.43.8.2.1.2", session);
  ASSERT_EQ(types.status, en_BiDiSuccess);
  ASSERT_EQ(types.table.nrInstance, 7);
  EXPECT_EQ(types.row(0).type, en_String);
  EXPECT_EQ(types.row(0).res_len, 3u);
  EXPECT_EQ(types.text(0), "n3");
}

class WalkNotAdvancing : public WalkOn {
 protected:
  static void SetUpTestSuite() { start("oid-not-advancing"); }
};

// The agent answers row 2 under row 1's OID, and so on forever.
TEST_F(WalkNotAdvancing, AnOidThatStepsBackEndsBothWalks) {
  Walk bulk("1.3.6.1.4.1.46739.8.5.1.1", session);
  EXPECT_EQ(bulk.status, en_BiDiSuccess);
  ASSERT_EQ(bulk.table.nrInstance, 1);
  EXPECT_EQ(bulk.oid(0), "1.3.6.1.4.1.46739.8.5.1.1.1.1");

  tvx::snmp::ParamPtr base = tvx::snmp::makeParam(session, "1.3.6.1.4.1.46739.8.5.1.1", 64);
  TS_SnmpTableResponse counted{};
  TE_Status status = en_Error;
  snmpGetTable(base.get(), &counted, &status);
  EXPECT_EQ(status, en_Success);
  EXPECT_EQ(counted.nrInstance, 1);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

}  // namespace
