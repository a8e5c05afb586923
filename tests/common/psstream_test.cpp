#include "common/psstream.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/uniquefile.h"
#include "tests/support/testroot.h"

namespace {

using tvx::kPSWindowSize;

std::vector<std::string> found;

void recordMarker(const char* marker) { found.emplace_back(marker); }

// Every byte value, over and over: NUL bytes, carriage returns, line feeds.
std::string binaryText(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>(i * 7 % 256);
  return text;
}

// Runs the primitives from an input file to an output file.
class StreamEditing : public tvx::test::TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    found.clear();
  }

  void TearDown() override {
    closeStreams();
    TestRoot::TearDown();
  }

  void feed(std::string_view input) {
    tvx::test::writeFile(tmpFolder() + "in", input);
    inputPSStream = std::fopen((tmpFolder() + "in").c_str(), "rb");
    tempPSStream = std::fopen((tmpFolder() + "out").c_str(), "wb");
  }

  std::string output() {
    closeStreams();
    return tvx::test::readFile(tmpFolder() + "out");
  }

  void closeStreams() {
    for (FILE** stream : {&inputPSStream, &tempPSStream}) {
      if (*stream != nullptr) std::fclose(*stream);
      *stream = nullptr;
    }
  }

  int copyUntil(const std::string& marker, int skip = 0) {
    return tvx::copyUntilMarker(marker.c_str(), window, &count, skip, recordMarker);
  }

  std::string held() const { return std::string(window, count); }

  char window[kPSWindowSize + 1] = {};
  int count = 0;
};

TEST_F(StreamEditing, EmptyInputGivesNothing) {
  feed("");
  EXPECT_EQ(getBufferFromInputPSStream(window, &count), 1);
  EXPECT_EQ(copyUntil("*PageSize"), 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(output(), "");
}

TEST_F(StreamEditing, TopUpHoldsAtMostTheWindowFollowedByNul) {
  feed(std::string(5000, 'x'));
  EXPECT_EQ(getBufferFromInputPSStream(window, &count), 0);
  EXPECT_EQ(count, kPSWindowSize);
  EXPECT_EQ(window[kPSWindowSize], '\0');
  EXPECT_EQ(getBufferFromInputPSStream(window, &count), 1);
  writeBufferToTempPSStream(window, &count, 5000, 0);
  writeBufferToTempPSStream(window, &count, -1, 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(output(), std::string(kPSWindowSize, 'x'));
}

TEST_F(StreamEditing, MarkerAtTheStartStaysInTheWindow) {
  feed("*OpenUI *PageSize\nrest\n");
  EXPECT_EQ(copyUntil("*OpenUI"), 0);
  EXPECT_EQ(held(), "*OpenUI *PageSize\nrest\n");
  EXPECT_EQ(found, std::vector<std::string>{"*OpenUI"});
  EXPECT_EQ(output(), "");
}

TEST_F(StreamEditing, MarkerStraddlingARefillIsFoundAndBytesBeforeItWrittenOnce) {
  const std::string markers[] = {"*CloseUI: *PageSize", std::string(1024, 'M')};
  for (const std::string& marker : markers) {
    const long size = static_cast<long>(marker.size());
    for (long end : {2048L, 3072L, 4096L}) {
      for (long offset : {end - size - 1, end - size, end - size + 1, end - size / 2, end - 1,
                          end, end + 1}) {
        std::string before = binaryText(static_cast<size_t>(offset));
        std::string input = before + marker + "\ntail\n";
        feed(input);
        count = 0;
        ASSERT_EQ(copyUntil(marker), 0) << offset;
        EXPECT_EQ(held().substr(0, marker.size()), marker);
        EXPECT_EQ(copyUntil("never there"), 1);
        EXPECT_EQ(output(), input) << offset;
      }
    }
  }
}

TEST_F(StreamEditing, SkipDropsTheBytesBeforeTheMarkerAndALineWriteEmitsIt) {
  std::string old = binaryText(3000);
  feed(old + "*End\nafter\n");
  EXPECT_EQ(copyUntil("*End", 1), 0);
  writeLineFromBufferToTempPSStream(window, &count, 0);
  writeLineToTempPSStream("new line\n");
  EXPECT_EQ(copyUntil("never there"), 1);
  EXPECT_EQ(output(), "*End\nnew line\nafter\n");
}

TEST_F(StreamEditing, MissingMarkerWritesOrDropsTheWholeInput) {
  std::string input = binaryText(7000);
  feed(input);
  EXPECT_EQ(copyUntil("*NotThere"), 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(output(), input);
  feed(input);
  EXPECT_EQ(copyUntil("*NotThere", 1), 1);
  EXPECT_EQ(output(), "");
  EXPECT_TRUE(found.empty());
}

TEST_F(StreamEditing, NulBytesHideNeitherMarkersNorLineEnds) {
  std::string input("ab\0cd*Mark\0x\ny\n", 15);
  feed(input);
  EXPECT_EQ(copyUntil("*Mark"), 0);
  writeLineFromBufferToTempPSStream(window, &count, 0);
  EXPECT_EQ(held(), "y\n");
  EXPECT_EQ(output(), input.substr(0, 13));
}

TEST_F(StreamEditing, LineLongerThanTheWindowIsLeftAlone) {
  feed(std::string(3000, 'l') + "\n");
  getBufferFromInputPSStream(window, &count);
  writeLineFromBufferToTempPSStream(window, &count, 0);
  EXPECT_EQ(count, kPSWindowSize);
  EXPECT_EQ(output(), "");
}

TEST_F(StreamEditing, MarkersLongerThanTheWindowAreNeverFound) {
  std::string input(9000, 'a');
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>('a' + i % 26);
  for (size_t length : {1500u, 2048u, 2049u, 5000u}) {
    feed(input);
    count = 0;
    EXPECT_EQ(copyUntil(input.substr(0, length)), length <= 2048 ? 0 : 1) << length;
    EXPECT_EQ(copyUntil("never there"), 1);
    EXPECT_EQ(output(), input);
  }
}

// The window's own operations: a line goes whole, however long, with or
// without its line feed; the rest follows whatever the window held.
TEST_F(StreamEditing, WindowTakesWholeLinesAndCopiesTheRest) {
  for (size_t length : {0u, 10u, 2047u, 2048u, 2049u, 5000u}) {
    std::string line = binaryText(length);
    for (char& c : line) c = c == '\n' ? 'n' : c;
    const std::string input = "A\n" + line + "\nB\n" + line + "\nC" + line;
    feed(input);
    tvx::PSWindow window;
    window.takeLine(0);  // an empty window is topped up first
    window.takeLine(1);
    window.takeLine(0);
    window.takeLine(1);
    window.takeLine(0);  // the last line, without a line feed
    EXPECT_EQ(window.count(), 0);
    EXPECT_EQ(output(), "A\nB\nC" + line) << length;

    feed(input);
    tvx::PSWindow again;
    again.fill();
    again.takeLine(1);
    again.copyRest();
    EXPECT_EQ(again.count(), 0);
    EXPECT_EQ(output(), input.substr(2)) << length;
  }
}

// The line scan stops at every line start whose text the test accepts, and
// nowhere else: lines end at a line feed, a carriage return or both, of any
// length around the window's size, with the carriage return of a pair last
// in the window before a refill. Each stop's line is then dropped, so the
// output is the input without the marked lines.
TEST_F(StreamEditing, LineScanFindsEveryLineStartAfterEveryKindOfLineEnd) {
  const std::vector<std::string> ends = {"\n", "\r", "\r\n", "\n\r"};
  const std::vector<std::size_t> lengths = {0, 1, 99, 127, 128, 2046, 2047, 2048, 2049, 5000};
  std::string input;
  std::string kept;
  std::size_t marks = 0;
  for (std::size_t i = 0; i < 400; ++i) {
    std::string line = std::string(lengths[i * 7 % lengths.size()], 'x') + " %%Mark: inside";
    if (i % 3 == 0) {
      line = "%%Mark: " + line;
      ++marks;
    }
    const std::string& end = ends[i * 5 % ends.size()];
    input += line + end;
    // "\n\r" is a line feed and then an empty line that a carriage return ends.
    if (!line.starts_with("%%Mark:")) kept += line + end;
    else kept += end == "\n\r" ? "\r" : "";
  }
  feed(input);
  std::size_t stops = 0;
  auto isMark = [](std::string_view start) { return start.starts_with("%%Mark:") ? 0 : -1; };
  tvx::PSWindow window;
  auto held = [&] { return std::string(window.held()); };
  while (window.copyUntilLine(isMark, 0) == 0) {
    ++stops;
    ASSERT_TRUE(held().starts_with("%%Mark: ")) << stops;
    // Drops the marked line up to its line end, which the next scan starts after.
    std::size_t end = held().find_first_of("\r\n");
    while (end == std::string::npos) {
      window.take(window.count(), 1);
      ASSERT_TRUE(window.fill());
      end = held().find_first_of("\r\n");
    }
    window.take(static_cast<int>(end), 1);
    window.take(held().starts_with("\r\n") ? 2 : 1, 1);
  }
  EXPECT_EQ(stops, marks);
  EXPECT_EQ(output(), kept);
}

TEST_F(StreamEditing, FailedWriteIsReportedAndLeftOnTheStream) {
  feed("");
  EXPECT_EQ(writeLineToTempPSStream("two\nlines\n"), 0);
  std::fclose(tempPSStream);
  tempPSStream = std::fopen((tmpFolder() + "out").c_str(), "rb");
  EXPECT_EQ(writeLineToTempPSStream("x"), 1);
  EXPECT_TRUE(std::ferror(tempPSStream));
}

TEST(PageSizeIdentifier, TakesTheTextBehindTheCountedSpaceOfTheFirstLine) {
  struct Case {
    const char* line;
    int spaces;
    const char* identifier;
  } cases[] = {
      {"*DefaultPageSize: A4\n*Next: x\n", 1, "A4"},
      {"%%BeginFeature: *PageSize A4\r\n", 2, "A4"},
      {"*DefaultPageSize: Letter\r\n", 1, "Letter"},
      {"*DefaultPageSize:\n*PageSize A5\n", 1, ""},
      {"%%BeginFeature: *PageSize\n", 2, ""},
      {"", 1, ""},
      {"*DefaultPageSize: 0123456789012345678901234567890", 1, "0123456789012345678901234567890"},
      {"*DefaultPageSize: 01234567890123456789012345678901", 1, ""},
  };
  for (const Case& c : cases) {
    char identifier[32] = "garbage";
    EXPECT_EQ(tvx::copyIdentifier(c.line, c.spaces, identifier, sizeof identifier),
              *c.identifier != '\0')
        << c.line;
    EXPECT_STREQ(identifier, c.identifier) << c.line;
  }
}

}  // namespace

// Two edits on windows of their own streams, interleaved, each give what it
// gives alone, and the process-wide streams stay untouched.
TEST(PSWindowOwnStreams, InterleavedEditsStayApart) {
  auto text = [](char name) {
    std::string body;
    for (int line = 0; line < 400; ++line) body += std::string(1, name) + " line\n";
    return body + "%%Mark\n" + body;
  };
  struct Edit {
    std::string input;
    tvx::UniqueFile in{std::tmpfile()};
    tvx::UniqueFile out{std::tmpfile()};
  };
  Edit a{text('a')};
  Edit b{text('b')};
  for (Edit* edit : {&a, &b}) {
    std::fwrite(edit->input.data(), 1, edit->input.size(), edit->in.get());
    std::rewind(edit->in.get());
  }
  tvx::PSWindow windowA(a.in.get(), a.out.get());
  tvx::PSWindow windowB(b.in.get(), b.out.get());
  EXPECT_EQ(windowA.copyUntilMarker("%%Mark", 0), 0);
  EXPECT_EQ(windowB.copyUntilMarker("%%Mark", 1), 0);
  windowA.takeLine(1);
  windowB.takeLine(0);
  EXPECT_TRUE(windowA.write("inserted\n"));
  windowB.copyRest();
  windowA.copyRest();
  EXPECT_EQ(inputPSStream, nullptr);
  EXPECT_EQ(tempPSStream, nullptr);
  auto written = [](FILE* out) {
    std::rewind(out);
    std::string bytes;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) bytes += static_cast<char>(c);
    return bytes;
  };
  const std::string bodyA = a.input.substr(0, a.input.find("%%Mark"));
  EXPECT_EQ(written(a.out.get()), bodyA + "inserted\n" + bodyA);
  EXPECT_EQ(written(b.out.get()), b.input.substr(b.input.find("%%Mark")));
}
