#include "common/drvlog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/testroot.h"

namespace {

using Messages = std::vector<std::string>;

class DiagnosticLog : public tvx::test::TestRoot {
 protected:
  void logBothLevels() {
    LOGPRINTA(LOG_LIGHT, "light %d", 0);
    LOGPRINTA(LOG_FULL, "full %d", 1);
  }
};

TEST_F(DiagnosticLog, FullWritesBothLevels) {
  startLog("LEVEL=FULL\n");
  logBothLevels();
  EXPECT_EQ(logMessages(), (Messages{"light 0", "full 1"}));
}

TEST_F(DiagnosticLog, LightWithCarriageReturnWritesLevelZeroOnly) {
  startLog("x=LIGHT\r\nignored=FULL\n");
  logBothLevels();
  EXPECT_EQ(logMessages(), (Messages{"light 0"}));
}

TEST_F(DiagnosticLog, ControlLinesThatWriteNothing) {
  for (const char* control : {"LEVEL=full\n", "LEVEL=FULL", "FULL\n", "LEVEL=FULL \n", "",
                              "0123456789012345678901234567890123456789"
                              "0123456789012345678901234567890123456789=FULL\n"}) {
    gisLogEnabled = false;
    logLevel = -1;
    startLog(control);
    logBothLevels();
    EXPECT_FALSE(std::filesystem::exists(logFile())) << control;
  }
}

TEST_F(DiagnosticLog, ControlFileCreatedLaterSwitchesLoggingOn) {
  InitLog();
  logBothLevels();
  EXPECT_FALSE(gisLogEnabled);
  startLog("LEVEL=FULL\n");
  LOGPRINTA(LOG_FULL, "now");
  tvx::test::writeFile(controlFile(), "LEVEL=LIGHT\n");
  InitLog();
  LOGPRINTA(LOG_FULL, "still full");
  EXPECT_EQ(logMessages(), (Messages{"now", "still full"}));
}

TEST_F(DiagnosticLog, MessageLineEndLeavesAnEmptyLine) {
  startLog("LEVEL=LIGHT\n");
  LOGPRINTA(LOG_LIGHT, "Error in packet Reason: %s\n", "Timeout");
  LOGPRINTA(LOG_LIGHT, "next");
  EXPECT_EQ(logMessages(), (Messages{"Error in packet Reason: Timeout", "", "next"}));
}

TEST_F(DiagnosticLog, LongMessageIsCutAt2047Characters) {
  startLog("LEVEL=LIGHT\n");
  LOGPRINTA(LOG_LIGHT, "%s", std::string(5000, 'm').c_str());
  EXPECT_EQ(logMessages(), (Messages{std::string(2047, 'm')}));
}

TEST_F(DiagnosticLog, PlantedLinksAreNotFollowed) {
  std::string victim = root_ + "/victim";
  tvx::test::writeFile(victim, "LEVEL=FULL\n");
  ASSERT_EQ(::symlink(victim.c_str(), controlFile().c_str()), 0);
  InitLog();
  EXPECT_FALSE(gisLogEnabled);

  std::filesystem::remove(controlFile());
  ASSERT_EQ(::symlink(victim.c_str(), logFile().c_str()), 0);
  startLog("LEVEL=FULL\n");
  logBothLevels();
  EXPECT_EQ(tvx::test::readFile(victim), "LEVEL=FULL\n");
}

TEST_F(DiagnosticLog, PlantedFifosNeitherBlockNorReceiveLines) {
  ASSERT_EQ(::mkfifo(controlFile().c_str(), 0666), 0);
  InitLog();
  EXPECT_FALSE(gisLogEnabled);

  std::filesystem::remove(controlFile());
  ASSERT_EQ(::mkfifo(logFile().c_str(), 0666), 0);
  startLog("LEVEL=FULL\n");
  logBothLevels();
  EXPECT_TRUE(std::filesystem::is_fifo(logFile()));
}

// The traced function returns early or at its end; both returns write END.
int traced(bool early) {
  tvx::log::Scope trace("traced");
  if (early) return 1;
  LOGPRINTA(LOG_LIGHT, "body");
  return 0;
}

TEST_F(DiagnosticLog, ScopeWritesItsEndLineOnEveryReturn) {
  startLog("LEVEL=FULL\n");
  EXPECT_EQ(traced(true), 1);
  EXPECT_EQ(traced(false), 0);
  EXPECT_EQ(logMessages(),
            (Messages{"traced:BEGIN", "traced:END", "traced:BEGIN", "body", "traced:END"}));
}

TEST_F(DiagnosticLog, ScopeFormGivesTheLinesAndTheirLevel) {
  constexpr tvx::log::ScopeForm kStep{LOG_LIGHT, "STEP ", " BEGIN", "STEP ", " END\n"};
  startLog("x=LIGHT\n");
  {
    tvx::log::Scope step("one", kStep);
    tvx::log::Scope hidden("full only");
  }
  EXPECT_EQ(logMessages(), (Messages{"STEP one BEGIN", "STEP one END", ""}));
}

// Each line is written or not as logging stands when it is due.
TEST_F(DiagnosticLog, ScopeOpenedBeforeTheLogWritesOnlyItsEndLine) {
  {
    tvx::log::Scope trace("outer");
    startLog("LEVEL=FULL\n");
  }
  EXPECT_EQ(logMessages(), (Messages{"outer:END"}));
}

// A call's arguments ride on its BEGIN line and its result on its END line;
// a return before the result is known writes the END line bare.
constexpr tvx::log::ScopeForm kCall{LOG_FULL, "call ", "(", "done ", ""};

int doubled(int argument) {
  tvx::log::Scope trace("doubled", kCall, "%d)", argument);
  if (argument < 0) return 0;
  trace.setEndDetail(" = %d", 2 * argument);
  return 2 * argument;
}

TEST_F(DiagnosticLog, ScopeDetailsCarryArgumentsAndResult) {
  startLog("LEVEL=FULL\n");
  EXPECT_EQ(doubled(21), 42);
  EXPECT_EQ(doubled(-1), 0);
  EXPECT_EQ(logMessages(), (Messages{"call doubled(21)", "done doubled = 42", "call doubled(-1)",
                                     "done doubled"}));
}

TEST_F(DiagnosticLog, ScopeLineWithItsDetailIsCutAt2047Characters) {
  startLog("LEVEL=FULL\n");
  const std::string name(2000, 'n');
  {
    tvx::log::Scope trace(name.c_str(), kCall, "%s)", std::string(100, 'a').c_str());
    trace.setEndDetail("%s", std::string(40, 'r').c_str());
  }
  EXPECT_EQ(logMessages(), (Messages{("call " + name + "(" + std::string(100, 'a')).substr(0, 2047),
                                     "done " + name + std::string(40, 'r')}));
}

TEST_F(DiagnosticLog, GetLastErrorIsAlwaysZero) {
  EXPECT_EQ(GetLastError(), 0);
  startLog("LEVEL=FULL\n");
  LOGPRINTA(LOG_FULL, "GetLastError = %i", GetLastError());
  EXPECT_EQ(logMessages(), (Messages{"GetLastError = 0"}));
}

}  // namespace
