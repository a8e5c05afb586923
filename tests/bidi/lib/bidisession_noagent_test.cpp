// BiDi_InitSession on an address where nothing answers: the request is
// sent three times with a 9 s time-out each before the session is refused.
#include <gtest/gtest.h>

#include "bidi/lib/BiDiSession.h"
#include "bidi/lib/snmpsession.h"
#include "tests/bidi/lib/snmptest.h"
#include "tests/support/simprinter.h"

namespace {

tvx::test::PrivateRoot root;

TEST(InitSessionNoAgent, ASilentPrinterIsATimeOutAndLeavesNoSession) {
  tvx::test::SimPrinter nothing("no-agent");
  ASSERT_TRUE(nothing.running());
  unsigned char id = 0;
  EXPECT_EQ(BiDi_InitSession(nothing.host(), &id), en_BiDiSessionTimeOut);
  EXPECT_EQ(sessionList, nullptr);
  EXPECT_EQ(tvx::test::cacheSize(), 0);
}

}  // namespace
