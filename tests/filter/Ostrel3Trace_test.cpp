#include "filter/Ostrel3Trace.h"

#include <filesystem>
#include <string>
#include <vector>

#include "filter/Ostrel3Stream.h"
#include "tests/support/testroot.h"

using tvx::filter::writeBufferToTempPSStreamUntilGivenString;
using tvx::filter::writeBufferToTempPSStreamUntilGivenString_2;
using tvx::filter::getPageSizeIdentifier;

namespace {

using Messages = std::vector<std::string>;

class FilterTrace : public tvx::test::TestRoot {
 protected:
  void startTrace(const char* control) {
    tvx::test::writeFile(controlFile(), control);
    openTraceFileForWriting();
  }

  // The lines that printCommandLineArguments writes for six arguments.
  Messages commandLineOf(const std::string& options) {
    const char* argv[] = {"Q", "42", "user", "title", "1", options.c_str()};
    EXPECT_EQ(printCommandLineArguments(6, argv), 0);
    return logMessages();
  }
};

TEST_F(FilterTrace, CommandLineWithLongOptionsIsLoggedInPiecesOf100) {
  startTrace("LEVEL=LIGHT\n");
  std::string options = std::string(99, 'a') + "%s" + std::string(99, 'b') + "%n" +
                        std::string(48, 'c');
  EXPECT_EQ(commandLineOf(options),
            (Messages{"THE NUMBER OF COMMAND LINE ARGUMENTS IS 6", "", "argv[0]= >Q<", "",
                      "argv[1]= >42<", "", "argv[2]= >user<", "", "argv[3]= >title<", "",
                      "argv[4]= >1<", "", "argv[5] = >", "has size 250", "0",
                      options.substr(0, 100), "1", options.substr(100, 100), "2",
                      options.substr(200), "<FINISH argv[5]"}));
}

TEST_F(FilterTrace, OptionsOfExactly100CharactersEndWithAnEmptyPiece) {
  startTrace("LEVEL=LIGHT\n");
  Messages lines = commandLineOf(std::string(100, 'o'));
  Messages tail(lines.end() - 6, lines.end());
  EXPECT_EQ(tail, (Messages{"has size 100", "0", std::string(100, 'o'), "1", "",
                            "<FINISH argv[5]"}));
}

TEST_F(FilterTrace, LevelsAndPrefixes) {
  startTrace("LEVEL=LIGHT\n");
  TraceProlog("initialize");
  Trace("MEDIA FOUND\n");
  TraceError("Temporary file cannot be read");
  TraceEpilog("initialize");
  EXPECT_EQ(logMessages(),
            (Messages{"OSTRELFILTER:MEDIA FOUND", "", "ERROR: Temporary file cannot be read", ""}));

  std::filesystem::remove(logFile());
  logLevel = LOG_FULL;
  TraceProlog("initialize");
  TraceEpilog("initialize");
  EXPECT_EQ(closeTraceFile(), 0);
  EXPECT_EQ(logMessages(),
            (Messages{"OSTRELFILTER - BEGIN: initialize", "", "OSTRELFILTER - END: initialize", ""}));
}

TEST_F(FilterTrace, NothingIsWrittenWithTheLogOff) {
  EXPECT_EQ(openTraceFileForWriting(), 0);
  commandLineOf("PageSize=A4");
  TraceProlog("initialize");
  Trace("Open disk copy stream file");
  EXPECT_FALSE(std::filesystem::exists(logFile()));
}

TEST_F(FilterTrace, StreamVariationsTraceFindsAndReadTheDscIdentifier) {
  startTrace("LEVEL=LIGHT\n");
  std::string job = root_ + "/job.ps";
  tvx::test::writeFile(job, "%%BeginFeature: *PageSize A4\r\n%%Page: 1 1\n%%EOF\n");
  inputPSStream = std::fopen(job.c_str(), "rb");
  char window[tvx::kPSWindowSize + 1] = {};
  int count = 0;

  EXPECT_EQ(writeBufferToTempPSStreamUntilGivenString("%%BeginFeature:", window, &count, 1), 0);
  char pageSize[32];
  getPageSizeIdentifier(window, pageSize);
  EXPECT_STREQ(pageSize, "A4");
  EXPECT_EQ(writeBufferToTempPSStreamUntilGivenString_2("%%EOF", "%%Page:", window, &count, 1), 0);
  EXPECT_STREQ(window, "%%EOF\n");
  EXPECT_EQ(writeBufferToTempPSStreamUntilGivenString("%%Trailer", window, &count, 1), 1);
  std::fclose(inputPSStream);
  inputPSStream = nullptr;

  EXPECT_EQ(logMessages(),
            (Messages{"OSTRELFILTER:Found the string ", "OSTRELFILTER:%%BeginFeature:",
                      "OSTRELFILTER:Found one of the string", "OSTRELFILTER:%%EOF",
                      "OSTRELFILTER:%%Page:"}));
}

}  // namespace
