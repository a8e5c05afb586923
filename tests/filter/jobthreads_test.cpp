// Jobs run at the same time on threads of one process, as a server that
// prints many jobs at once runs them: each job owns its spool, window,
// held header lines and buffers, so each gives what it gives alone.
#include <cstdlib>
#include <filesystem>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "common/psstream.h"
#include "mediacatalog/mediacatalog.h"
#include "tests/filter/jobrun.h"
#include "tests/support/testroot.h"

namespace tvx::test {
namespace {

std::string feature(const std::string& option, const std::string& key) {
  return "[{\n%%BeginFeature: *" + option + " " + key +
         "\n<< /Option 1 >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
}

// What sets one job apart from the other.
struct JobShape {
  // Header lines ahead of "%%EndComments": more than the window holds makes
  // the header scan hold them in a holding file.
  int headerLines;
  // CUPS's copies mark in the header; 0: none.
  int copiesMark;
  std::string sizeFeature;
  std::string sizeKey;
  int tray;
  int pages;
  // Every how many pages a line longer than the window.
  int longLineEvery;
};

std::string jobOf(const JobShape& shape) {
  std::string job = "%!PS-Adobe-3.0\n";
  for (int line = 0; line < shape.headerLines; ++line) {
    job += "%%DocumentSuppliedResources: font Font" + std::to_string(line) + "\n";
  }
  if (shape.copiesMark != 0) job += "%RBINumCopies: " + std::to_string(shape.copiesMark) + "\n";
  job += "%%Pages: (atend)\n%%EndComments\n%%BeginProlog\n%%EndProlog\n%%BeginSetup\n" +
         feature(shape.sizeFeature, shape.sizeKey) +
         feature("InputSlot", "Tray" + std::to_string(shape.tray)) + "%%EndSetup\n";
  for (int page = 1; page <= shape.pages; ++page) {
    std::string number = std::to_string(page);
    job += "%%Page: " + number + " " + number + "\n%%PageBoundingBox: 0 0 612 792\n";
    // Pages with a set-up of their own, some choosing their own media.
    if (page % 3 == 1) job += "%%BeginPageSetup\n/pg " + number + " def\n%%EndPageSetup\n";
    if (page % 3 == 2) {
      job += "%%BeginPageSetup\n" + feature("PageSize", "TavorinexA4") +
             feature("InputSlot", "Tray3") + "%%EndPageSetup\n";
    }
    if (page % shape.longLineEvery == 0) job += "<" + std::string(5000 + 37 * page, 'a') + ">\n";
    job += "0 0 moveto 72 72 lineto stroke % page " + number + "\nshowpage\n";
  }
  return job + "%%Trailer\n%%Pages: " + std::to_string(shape.pages) + "\n%%EOF\n";
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

using JobThreadsTest = JobRoot;

// Two jobs that take every path with state of its own (the holding file of
// a long header, the catalog, page set-ups, trays, lines longer than the
// window), run side by side round after round, each reading its own catalog.
TEST_F(JobThreadsTest, TwoJobsAtOnceEachGiveWhatTheyGiveAlone) {
  struct Side {
    std::string job;
    std::string title;
    std::string copies;
    JobRun alone;
  } sides[] = {
      {jobOf({60, 2, "PageSize", "TavorinexLetter", 2, 40, 7}), "Long header", "1", {}},
      {jobOf({3, 0, "PageRegion", "A4", 5, 31, 4}), "Size choice", "3", {}},
  };
  for (Side& side : sides) {
    side.alone = runJobInProcess(side.job, "Q", side.title, side.copies, "");
    ASSERT_EQ(side.alone.status, 0);
    // Every page got a media set-up, the printer makes the copies.
    EXPECT_EQ(occurrences(side.alone.out, "%%PSPageMedia: "),
              occurrences(side.job, "%%Page: ")) << side.title;
  }
  EXPECT_NE(sides[0].alone.out.find("@PJL ENTER"), std::string::npos);
  EXPECT_NE(sides[1].alone.out.find("@PJL SET QTY=3\r\n"), std::string::npos);

  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    JobRun together[2];
    std::latch start(2);
    std::vector<std::jthread> threads;
    for (int i = 0; i < 2; ++i) {
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        together[i] = runJobInProcess(sides[i].job, "Q", sides[i].title, sides[i].copies, "");
      });
    }
    threads.clear();
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(together[i].status, 0) << "round " << round << ", job " << i;
      ASSERT_EQ(together[i].out, sides[i].alone.out) << "round " << round << ", job " << i;
    }
  }
  EXPECT_TRUE(folderEntries(spool_).empty()) << "spool file left behind";
  EXPECT_EQ(inputPSStream, nullptr);
  EXPECT_EQ(tempPSStream, nullptr);
}

}  // namespace
}  // namespace tvx::test
