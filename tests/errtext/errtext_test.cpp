// Runs the real errtext program on error text files in a private folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "errtext/printError.h"
#include "tests/support/run.h"
#include "tests/support/testroot.h"

namespace {

using namespace std::string_literals;
using tvx::test::Command;
using tvx::test::Finished;
using tvx::test::PrivateRoot;

class ErrtextTest : public ::testing::Test {
 protected:
  // Runs errtext with `args`: its exit status (-1 when a signal ended it),
  // standard output and error, and the largest resident size it reached.
  Finished runProgram(const std::vector<std::string>& args) {
    Command command{.argv = {ERRTEXT_PATH}};
    command.argv.insert(command.argv.end(), args.begin(), args.end());
    return tvx::test::run(command);
  }

  // Runs errtext with `args`; returns its standard output, expecting exit status 0.
  std::string run(std::vector<std::string> args) {
    Finished result = runProgram(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
  }

  // Writes `content` as the error text file and asks errtext for `number`.
  std::string lookup(const std::string& content, const std::string& number) {
    std::ofstream(file(), std::ios::binary) << content;
    return run({file(), number});
  }

  std::string file() const { return folder_ / "errors.txt"; }

  PrivateRoot root_;
  const std::filesystem::path folder_ = root_.path();
};

const std::string kThreeBlocks = "### 1 General\none\n### 2\ntwo a\ntwo b\n### 3 Last\nthree\n";

TEST_F(ErrtextTest, TwoAndThreeAreFollowedByBlockOne) {
  EXPECT_EQ(lookup(kThreeBlocks, "1"), "one\n");
  EXPECT_EQ(lookup(kThreeBlocks, "2"), "two a\ntwo b\none\n");
  EXPECT_EQ(lookup(kThreeBlocks, "3"), "three\none\n");
}

TEST_F(ErrtextTest, BlockEndsOnlyAtTheNextNumberOrTheEndOfFile) {
  EXPECT_EQ(lookup("### 5\nfive\n### 7\nseven\n", "5"), "five\n### 7\nseven\n");
  EXPECT_EQ(lookup("### 1\r\nline\r\n### 2\r\nnext", "1"), "line\r\n");
  EXPECT_EQ(lookup("### 1\nlast", "1"), "last");
}

TEST_F(ErrtextTest, EmptyLinesAreKept) { EXPECT_EQ(lookup("### 1\n\nmid\n\n### 2\n", "1"), "\nmid\n\n"); }

TEST_F(ErrtextTest, NumbersReadLikeTheProgramAlwaysDid) {
  const std::string zero = "###5\nzero\n### 1\none\n";
  EXPECT_EQ(lookup(zero, "abc"), "zero\n");
  EXPECT_EQ(lookup(zero, "5"), "");
  EXPECT_EQ(lookup(kThreeBlocks, " +2x"), "two a\ntwo b\none\n");
}

TEST_F(ErrtextTest, LinesOfAnyLengthArePrintedWhole) {
  const std::string longLine(10000, 'x');
  EXPECT_EQ(lookup("### 1\n" + longLine + "\n### 2\n", "1"), longLine + "\n");
  EXPECT_EQ(lookup("### 1\n" + longLine, "1"), longLine);
}

// A line is held once, and only up to the limit: a file of one endless or
// huge line is refused with a message and status 1, in bounded memory,
// after the lines before it were printed.
TEST_F(ErrtextTest, LineOverTheLimitIsRefusedInBoundedMemory) {
  const std::string sparse = folder_ / "sparse";
  std::ofstream(sparse).close();
  std::filesystem::resize_file(sparse, 1L << 30);
  const std::string huge = folder_ / "huge";
  std::ofstream(huge, std::ios::binary) << "### 1\nkept\n" << std::string(kMaxErrorLineBytes, 'x') << "x\n";
  for (const std::string& path : {std::string("/dev/zero"), sparse, huge}) {
    Finished result = runProgram({path, "1"});
    EXPECT_EQ(result.status, 1) << path;
    EXPECT_EQ(result.err, "errtext: " + path + ": a line is longer than " +
                              std::to_string(kMaxErrorLineBytes) + " bytes; not an error text file\n");
    EXPECT_EQ(result.out, path == huge ? "kept\n" : "");
    EXPECT_LT(result.maxResidentKiB, 64 * 1024) << path;
  }
}

// The first byte past the limit is the newline: a check that lets one byte
// more through would print this line, and write its terminator past the buffer.
TEST_F(ErrtextTest, LineOneByteOverTheLimitIsRefused) {
  const std::string path = folder_ / "one-over";
  std::ofstream(path, std::ios::binary) << "### 1\nkept\n" << std::string(kMaxErrorLineBytes, 'x') << "\n";
  Finished result = runProgram({path, "1"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "errtext: " + path + ": a line is longer than " +
                            std::to_string(kMaxErrorLineBytes) + " bytes; not an error text file\n");
  EXPECT_EQ(result.out, "kept\n");
}

TEST_F(ErrtextTest, LineOfTheLimitIsPrintedWhole) {
  const std::string line = std::string(kMaxErrorLineBytes - 1, 'x') + "\n";
  EXPECT_EQ(lookup("### 1\n" + line + "### 2\n", "4"), "");
  EXPECT_EQ(lookup("### 1\n" + line + "### 2\n", "1"), line);
}

TEST_F(ErrtextTest, NulByteInsideALineIsPrinted) {
  EXPECT_EQ(lookup("### 1\na\0b\nc\n### 2\n"s, "1"), "a\0b\nc\n"s);
}

TEST_F(ErrtextTest, NumbersBeyondIntAreNotMisread) {
  const std::string huge = "99999999999999999999999";
  EXPECT_EQ(lookup("### 1\none\n### " + huge + "\nstill one\n### 2\n", "1"), "one\n### " + huge + "\nstill one\n");
  EXPECT_EQ(lookup("### " + huge + "\nhuge\n", huge), "");
  EXPECT_EQ(lookup("### 2147483647\nmax\n### 2147483648\nbeyond\n", "2147483647"), "max\n");
  EXPECT_EQ(lookup("### 2147483648\nbeyond\n", "2147483648"), "");
}

TEST_F(ErrtextTest, NothingIsPrintedForMissingFileOrNumber) {
  EXPECT_EQ(run({(folder_ / "absent.txt").string(), "1"}), "");
  EXPECT_EQ(lookup(kThreeBlocks, "4"), "");
}

TEST_F(ErrtextTest, WrongArgumentCountDoesNothing) {
  std::ofstream(file()) << kThreeBlocks;
  EXPECT_EQ(run({}), "");
  EXPECT_EQ(run({file()}), "");
  EXPECT_EQ(run({file(), "1", "2"}), "");
}

}  // namespace
