// The real programs at the same time: filters on different jobs, two
// bidiupdate runs on two queues, and filters reading a catalog that
// bidiupdate keeps rewriting. Each run gives what it gives alone, and a
// filter always sees one whole catalog.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/bidi/bidiupdate_run.h"
#include "tests/robustness/robustness.h"
#include "tests/support/simprinter.h"

namespace tvx::test {
namespace {

// A DSC job that selects `size` through `feature` and has `pages` pages.
std::string jobOf(const std::string& feature, const std::string& size, int pages,
                  const std::string& extraSetup = "") {
  std::string job = "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%BeginProlog\n"
                    "%%EndProlog\n%%BeginSetup\n[{\n%%BeginFeature: *" + feature + " " + size +
                    "\n<< /Option 1 >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n" +
                    extraSetup + "%%EndSetup\n";
  for (int page = 1; page <= pages; ++page) {
    std::string n = std::to_string(page);
    job += "%%Page: " + n + " " + n + "\n" + (page % 2 == 0 ? "%%BeginPageSetup\n%%EndPageSetup\n" : "") +
           "% page " + n + "\n" + std::string(100 + 37 * page, 'x') + "\nshowpage\n";
  }
  return job + "%%Trailer\n%%Pages: " + std::to_string(pages) + "\n%%EOF\n";
}

// The "%%PSPageMedia:" lines of printer data.
std::vector<std::string> pageMediaLines(const std::string& data) {
  std::vector<std::string> found;
  for (const std::string& line : linesOf(data)) {
    if (line.starts_with("%%PSPageMedia:")) found.push_back(line);
  }
  return found;
}

// The places in the diagnostic log where a line prefix "PID<n>_" stands
// inside a line: a write of one process cut into by another's. (Messages
// may hold line ends of their own, so a line need not begin with a prefix.)
std::vector<std::size_t> cutLogLines(const std::string& log) {
  std::vector<std::size_t> cuts;
  for (std::size_t at = log.find("PID"); at != std::string::npos; at = log.find("PID", at + 1)) {
    std::size_t digits = log.find_first_not_of("0123456789", at + 3);
    bool prefix = digits != at + 3 && digits != std::string::npos && log[digits] == '_';
    if (prefix && at != 0 && log[at - 1] != '\n') cuts.push_back(at);
  }
  return cuts;
}

class ConcurrencyTest : public BidiupdateTest {
 protected:
  // A filter call on `job` for `queue`, spooling in the package's temp
  // folder (no TMPDIR), its printer data going to `name`.
  Command filterCall(const std::string& queue, const std::string& job, const std::string& title,
                     int copies, const std::string& name) {
    Command call = jobCall(queue, {"1", "alice", title, std::to_string(copies), ""}, root_, name);
    writeFile(call.inputPath, job);
    call.environment = {"TMPDIR="};
    return call;
  }

  // Runs the filters of `calls` all at once; their printer data.
  std::vector<std::string> runTogether(const std::vector<Command>& calls) {
    std::vector<Process> running;
    for (const Command& call : calls) running.emplace_back(call);
    std::vector<std::string> outputs;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(running[i].wait().status, 0) << i << readFile(calls[i].errorPath);
      outputs.push_back(readFile(calls[i].outputPath));
    }
    return outputs;
  }

  // Files left in the package's temp folder besides the log's two.
  std::vector<std::string> tempFilesLeft() {
    std::vector<std::string> left;
    for (const std::string& name : folderEntries(tmpFolder())) {
      if (!name.starts_with("QZ5182R064Log.")) left.push_back(name);
    }
    return left;
  }
};

// Sixteen jobs on four queues whose catalogs do not exist yet: the filters
// create them (the predefined media) while the others read them.
TEST_F(ConcurrencyTest, SixteenFiltersAtOnceGiveWhatEachGivesAlone) {
  writeFile(controlFile(), "LEVEL=FULL\n");
  std::vector<Command> calls;
  for (int i = 0; i < 16; ++i) {
    std::string slot = "[{\n%%BeginFeature: *InputSlot Tray" + std::to_string(1 + i % 7) +
                       "\n<< /MediaPosition 1 >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
    std::string job = jobOf(i % 2 == 0 ? "PageSize" : "PageRegion",
                            i % 3 == 0 ? "TavorinexA4" : "TavorinexLetter", 20 + 3 * i, slot);
    calls.push_back(filterCall("Queue" + std::to_string(i % 4), job,
                               "Job \"" + std::to_string(i) + "\" of alice", 1 + i % 4,
                               "job" + std::to_string(i)));
  }
  std::vector<std::string> alone;
  for (const Command& call : calls) alone.push_back(runTogether({call}).front());
  for (const std::string& data : alone) EXPECT_EQ(pageMediaLines(data).empty(), false);

  for (int round = 0; round < 3; ++round) {
    for (int q = 0; q < 4; ++q) std::filesystem::remove(catalogFile("Queue" + std::to_string(q)));
    std::vector<std::string> together = runTogether(calls);
    for (std::size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(together[i], alone[i]) << "job " << i << " round " << round;
    }
  }
  EXPECT_EQ(tempFilesLeft(), std::vector<std::string>{});
  EXPECT_EQ(cutLogLines(readFile(logFile())), std::vector<std::size_t>{});
}

TEST_F(ConcurrencyTest, TwoBidiupdateRunsOnTwoQueuesGiveWhatEachGivesAlone) {
  writeFile(controlFile(), "LEVEL=FULL\n");
  SimPrinter first("full");
  SimPrinter second("media-trays-a");
  ASSERT_TRUE(first.running() && second.running());
  const std::vector<std::pair<std::string, std::string>> runs = {{"Left", first.address()},
                                                                 {"Right", second.address()}};
  struct Outcome {
    int status;
    std::string ppd, catalog;
  };
  auto outcomeOf = [&](const std::string& queue, int status) {
    return Outcome{status, ppdOf(queue), readFile(catalogFile(queue))};
  };
  std::vector<Outcome> alone;
  for (const auto& [queue, host] : runs) {
    installPPD(queue, kModelPPD);
    alone.push_back(outcomeOf(queue, bidiupdate({"-A", queue, host}).status));
  }
  for (const auto& [queue, host] : runs) {
    installPPD(queue, kModelPPD);
    std::filesystem::remove(catalogFile(queue));
  }
  std::vector<std::unique_ptr<Process>> running;
  for (const auto& [queue, host] : runs) {
    running.push_back(std::make_unique<Process>(Command{.argv = {BIDIUPDATE_PATH, "-A", queue, host}}));
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    Outcome together = outcomeOf(runs[i].first, running[i]->wait().status);
    EXPECT_EQ(together.status, alone[i].status) << runs[i].first;
    EXPECT_EQ(together.ppd, alone[i].ppd) << runs[i].first;
    EXPECT_EQ(together.catalog, alone[i].catalog) << runs[i].first;
  }
  EXPECT_EQ(folderEntries(ppdFolder()), (std::vector<std::string>{"Left.ppd", "Right.ppd"}));
  EXPECT_EQ(folderEntries(catalogFolder()), (std::vector<std::string>{"Left", "Right"}));
  EXPECT_EQ(cutLogLines(readFile(logFile())), std::vector<std::size_t>{});
}

// bidiupdate -M switches the queue's catalog between two printers whose
// forty media have the same keys and other weights, colours and types,
// while filters print on the queue: every job names the media of one whole
// catalog on all its pages.
TEST_F(ConcurrencyTest, FiltersAlwaysSeeOneWholeCatalogWhileItIsRewritten) {
  SimPrinter red("media-swap-a");
  SimPrinter blue("media-swap-b");
  ASSERT_TRUE(red.running() && blue.running());
  const std::string queue = "Swap";
  installPPD(queue, kModelPPD);
  const std::string job = jobOf("PageSize", "Stock27", 12);
  std::set<std::string> wholeCatalogs;
  for (const SimPrinter* printer : {&red, &blue}) {
    ASSERT_EQ(bidiupdate({"-M", queue, printer->address()}).status, 10);
    std::vector<std::string> lines =
        pageMediaLines(runTogether({filterCall(queue, job, "Swap", 1, "alone")}).front());
    ASSERT_EQ(lines.size(), 12u);
    wholeCatalogs.insert(lines.front());
  }
  ASSERT_EQ(wholeCatalogs.size(), 2u);

  constexpr int kRewrites = 4;
  std::atomic<int> rewrites = 0;
  std::thread rewriter([&] {
    for (int i = 0; i < kRewrites; ++i) {
      const SimPrinter& printer = i % 2 == 0 ? red : blue;
      EXPECT_EQ(run({.argv = {BIDIUPDATE_PATH, "-M", queue, printer.address()}}).status, 10);
      ++rewrites;
    }
  });
  int jobs = 0;
  std::map<std::string, int> seen;
  while (rewrites < kRewrites || jobs < 50) {
    std::vector<Command> calls;
    for (int i = 0; i < 2; ++i) {
      calls.push_back(filterCall(queue, job, "Swap", 1, "swap" + std::to_string(i)));
    }
    for (const std::string& data : runTogether(calls)) {
      std::vector<std::string> lines = pageMediaLines(data);
      ++jobs;
      EXPECT_EQ(lines.size(), 12u) << "job " << jobs << " did not find its media";
      if (lines.empty()) continue;
      EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 1u) << "job " << jobs;
      EXPECT_TRUE(wholeCatalogs.contains(lines.front())) << lines.front();
      ++seen[lines.front()];
    }
  }
  rewriter.join();
  std::cout << jobs << " jobs during " << kRewrites << " catalog rewrites:";
  for (const auto& [line, count] : seen) std::cout << " " << count << " x " << line;
  std::cout << "\n";
  EXPECT_EQ(tempFilesLeft(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tvx::test
