// Reverse page order on the job's spool file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Reverse.h"
#include "tests/support/testroot.h"

namespace tvx::test {
namespace {

class ReverseTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    spool_ = root_ + "/spool/";
    std::filesystem::create_directories(spool_);
    ::setenv("TMPDIR", spool_.c_str(), 1);
  }
  void TearDown() override {
    closeTempPSStreamFile();
    EXPECT_TRUE(folderEntries(spool_).empty()) << "work file left behind";
    ::unsetenv("TMPDIR");
    TestRoot::TearDown();
  }

  // Spools `document`, reverses it and returns the spool file's new contents.
  std::string reversed(const std::string& document) {
    EXPECT_EQ(openTempPSStreamFileForWriting(), 0);
    writeLineToTempPSStream(document.c_str());
    EXPECT_EQ(ReversePageOrder(), 0);
    EXPECT_EQ(tempPSStream, tempPSStreamFile());
    EXPECT_EQ(reopenTempPSStreamForReading(), 0);
    std::string contents;
    for (int c; (c = std::fgetc(tempPSStream)) != EOF;) contents.push_back(static_cast<char>(c));
    return contents;
  }

  std::string spool_;
};

const std::string kHeader = "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%BeginSetup\n"
                            "%%EndSetup\n";

TEST_F(ReverseTest, LastPageComesFirstAndPagesAreRenumbered) {
  std::string document = kHeader + "%%Page: 1 1\npage A\n%%Page: 2 2\npage B\n" +
                         "%%Page: 3 3\npage C\n%%Trailer\n%%Pages: 3\n%%EOF\n";
  EXPECT_EQ(reversed(document), kHeader + "%%Page: 1 1\npage C\n%%Page: 2 2\npage B\n" +
                                    "%%Page: 3 3\npage A\n%%Trailer\n%%Pages: 3\n%%EOF\n");
}

TEST_F(ReverseTest, LongPagesKeepEveryByte) {
  std::string document = kHeader;
  std::string expectedPages;
  for (int page = 1; page <= 5; ++page) {
    std::string body(page * 1500, static_cast<char>('a' + page));
    body += "\n";
    document += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n" + body;
    std::string label = std::to_string(6 - page);
    expectedPages = "%%Page: " + label + " " + label + "\n" + body + expectedPages;
  }
  document += "%%Trailer\n%%EOF\n";
  EXPECT_EQ(reversed(document), kHeader + expectedPages + "%%Trailer\n%%EOF\n%%Pages: 5\n");
}

TEST_F(ReverseTest, DocumentWithoutPagesGetsATrailerWithNoPages) {
  std::string document = kHeader + "showpage\n%%EOF\n";
  EXPECT_EQ(reversed(document), document + "%%Trailer\n%%Pages: 0\n");
}

TEST_F(ReverseTest, WithoutEndSetupThePagesAreAppendedBehindTheTrailer) {
  std::string document = "%!PS\n%%Page: 1 1\nA\n%%Page: 2 2\nB\n%%Trailer\n%%EOF\n";
  EXPECT_EQ(reversed(document), "%!PS\n%%Trailer\n%%EOF\n%%Pages: 2\n%%Page: 2 2\nA\n"
                                "%%Page: 1 1\nB\n");
}

// A page line that the window cannot drop at once used to be found again as
// the next page, for ever.
TEST_F(ReverseTest, LastPageLineWithoutLineFeedEnds) {
  EXPECT_EQ(reversed(kHeader + "%%Page: 1 1\nA\n%%Page: 2 2"),
            kHeader + "%%Page: 1 1\n%%Page: 2 2\nA\n%%Trailer\n%%Pages: 2\n");
}

TEST_F(ReverseTest, PageLineLongerThanTheWindowIsDroppedWhole) {
  std::string document = kHeader + "%%Page: 1 1 " + std::string(3000, 'x') +
                         "\nA\n%%Page: 2 2\nB\n%%Trailer\n%%EOF\n";
  EXPECT_EQ(reversed(document),
            kHeader + "%%Page: 1 1\nB\n%%Page: 2 2\nA\n%%Trailer\n%%EOF\n%%Pages: 2\n");
}

}  // namespace
}  // namespace tvx::test
