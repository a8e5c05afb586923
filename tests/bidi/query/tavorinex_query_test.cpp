// Runs the real tavorinex-query (test build) against simulated printers:
// what it prints, that its JSON parses and holds the printer's data, and
// its exit statuses and words on failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bidi/BiDiExit.h"
#include "tests/bidi/bidiupdate_run.h"

namespace tvx::test {
namespace {

using namespace tvx::bidi;

class QueryTest : public BidiupdateTest {
 protected:
  Finished query(const std::vector<std::string>& args) {
    Command command{.argv = {QUERY_PATH}};
    command.argv.insert(command.argv.end(), args.begin(), args.end());
    return run(command);
  }

  // Runs python3 `script` on the JSON document `json`; its output.
  Finished python(const std::string& script, const std::string& json) {
    std::string file = tmpFolder() + "report.json";
    writeFile(file, json);
    return run({.argv = {"python3", "-c", script, file}});
  }
};

// The string values of a column of a scenario's data file, in row order.
std::vector<std::string> column(const std::string& scenario, const std::string& columnOid) {
  std::vector<std::string> values;
  const std::string prefix = columnOid + ".";
  for (const std::string& line : linesOf(readFile(sourceFile("tests/printers/" + scenario + "/vexhol.snmprec")))) {
    if (line.starts_with(prefix) && line.find("|4|") != std::string::npos) {
      values.push_back(line.substr(line.find("|4|") + 3));
    }
  }
  return values;
}

const std::string kMediaNames = "1.3.6.1.4.1.46739.4.2.2.2.1.2";
const std::string kTrayNames = "1.3.6.1.2.1.43.8.2.1.13";
const std::string kTrayMedia = "1.3.6.1.2.1.43.8.2.1.12";

TEST_F(QueryTest, TextShowsModelMediaTraysOptionsAndProfiles) {
  const SimPrinter& printer = sharedPrinter("full");
  ASSERT_TRUE(printer.running());
  Finished run = query({printer.address()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string& out = run.out;
  EXPECT_TRUE(out.starts_with("Printer " + printer.address() + ": Tavorinex Arc M750XLS\n")) << out;
  EXPECT_NE(out.find("\nMedia (8)\n  Plain A4 80 (PPD key PlainA480), predefined\n"
                     "    size:        210.0 x 297.0 mm, 595 x 842 pt\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("    size:        215.9 x 279.4 mm, 612 x 792 pt\n"), std::string::npos);
  EXPECT_NE(out.find("  7  Bypass tray (unknown): Envelope C5\n"), std::string::npos);
  EXPECT_NE(out.find("  PU      XH7100EU\n"), std::string::npos);
  EXPECT_NE(out.find("  Tandum  False\n"), std::string::npos);
  EXPECT_NE(out.find("  Output  Arc Heavy Matt, Arc Uncoated, Arc Coated Gloss\n"), std::string::npos);
  // Every media and tray of the printer, in its row order.
  std::size_t at = 0;
  for (const std::string& name : column("full", kMediaNames)) {
    at = out.find("\n  " + name + " (PPD key", at);
    EXPECT_NE(at, std::string::npos) << name;
  }
  at = 0;
  for (const std::string& name : column("full", kTrayNames)) {
    at = out.find("  " + name + " (", at);
    EXPECT_NE(at, std::string::npos) << name;
  }
}

TEST_F(QueryTest, JsonParsesAndHoldsThePrinterData) {
  const SimPrinter& printer = sharedPrinter("full");
  ASSERT_TRUE(printer.running());
  Finished run = query({"--json", printer.address()});
  ASSERT_EQ(run.status, 0) << run.err;
  Finished names = python(
      "import json, sys\n"
      "d = json.load(open(sys.argv[1]))\n"
      "print(d['model'])\n"
      "for m in d['media']: print('media', m['name'])\n"
      "for t in d['trays']: print('tray', t['name'], '|', t['media'])\n"
      "a4 = d['media'][0]\n"
      "print('a4', a4['width']['mm'], a4['length']['pt'], a4['duplex'], a4['predefined'])\n"
      "print('PU', d['options']['PU'], 'SH', d['options']['SH'])\n"
      "print('Gray', d['profiles']['Gray'])\n",
      run.out);
  ASSERT_EQ(names.status, 0) << names.err;
  std::vector<std::string> expected{"Tavorinex Arc M750XLS"};
  for (const std::string& name : column("full", kMediaNames)) expected.push_back("media " + name);
  std::vector<std::string> trays = column("full", kTrayNames);
  std::vector<std::string> loaded = column("full", kTrayMedia);
  ASSERT_EQ(trays.size(), loaded.size());
  for (std::size_t i = 0; i < trays.size(); ++i) expected.push_back("tray " + trays[i] + " | " + loaded[i]);
  expected.push_back("a4 210.0 842 True True");
  expected.push_back("PU XH7100EU SH False");
  expected.push_back("Gray ['Gray Newsprint', 'Gray Standard']");
  EXPECT_EQ(linesOf(names.out), expected);
}

// Names with quotes, backslashes, tabs, line ends and bytes that are not
// UTF-8: the document still parses and holds one entry per named media.
TEST_F(QueryTest, JsonOfHostilePrinterTextStillParses) {
  const SimPrinter& printer = sharedPrinter("hostile-names");
  ASSERT_TRUE(printer.running());
  Finished run = query({"--json", printer.address()});
  ASSERT_EQ(run.status, 0) << run.err;
  Finished count = python("import json, sys\nprint(len(json.load(open(sys.argv[1]))['media']))\n", run.out);
  ASSERT_EQ(count.status, 0) << count.err << run.out;
  std::string media = count.out.substr(0, count.out.find('\n'));
  EXPECT_NE(media, "0");
  Finished text = query({printer.address()});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("\nMedia (" + media + ")\n"), std::string::npos) << text.out;
}

// The terminal controls of the hostile-terminal printer's texts, as bytes.
const std::vector<std::string> kTerminalControls = {"\x9b", "\x9c", "\x9d", "\xc2\x9b", "\xe2\x80\xae",
                                                    "\xe2\x81\xa6", "\xe2\x81\xa9"};

// Expects `shown` to hold the texts of the hostile-terminal printer with
// their terminal controls escaped, and none of the controls themselves.
void expectEscaped(const std::string& shown) {
  for (const std::string& control : kTerminalControls) {
    EXPECT_EQ(shown.find(control), std::string::npos) << testing::PrintToString(control);
  }
  for (const char* text : {"CSI \\x9b31m red", "UTF-8 CSI <U+009B>31m red", "Right<U+202E>to left",
                           "Isolate <U+2066>x<U+2069> end", "OSC \\x9d0;title\\x9c", "Caf\xc3\xa9 \xc3\x89" "cru"}) {
    EXPECT_NE(shown.find(text), std::string::npos) << text;
  }
}

// C1 bytes (CSI on an 8-bit terminal), their UTF-8 forms and direction
// overrides from the printer reach no terminal: the text report and the
// diff show them escaped, while the JSON and the PPD keep the printer's text.
TEST_F(QueryTest, TerminalControlsInPrinterTextAreShownEscaped) {
  const SimPrinter& printer = sharedPrinter("hostile-terminal");
  ASSERT_TRUE(printer.running());
  Finished text = query({printer.address()});
  ASSERT_EQ(text.status, 0) << text.err;
  expectEscaped(text.out);

  Finished json = query({"--json", printer.address()});
  ASSERT_EQ(json.status, 0) << json.err;
  Finished names = python("import json, sys\n"
                          "print(json.dumps([m['name'] for m in json.load(open(sys.argv[1]))['media']]))\n",
                          json.out);
  ASSERT_EQ(names.status, 0) << names.err;
  EXPECT_NE(names.out.find("\"UTF-8 CSI \\u009b31m red\""), std::string::npos) << names.out;
  EXPECT_NE(names.out.find("\"Right\\u202eto left\""), std::string::npos) << names.out;

  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  Finished diff = query({"--diff", "Arc", printer.address()});
  ASSERT_EQ(diff.status, 1) << diff.err;
  expectEscaped(diff.out);
  EXPECT_NE(diff.out.find("\n+*PageSize Righttoleft/Right<U+202E>to left: "), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("\n  Right<U+202E>to left (PPD key Righttoleft), "), std::string::npos) << diff.out;
  ASSERT_EQ(bidiupdate({"-A", "Arc", printer.address()}).status, kDone);
  EXPECT_NE(ppdOf("Arc").find("*PageSize Righttoleft/Right\xe2\x80\xaeto left: "), std::string::npos);
}

TEST_F(QueryTest, FailuresExitWithBidiupdateStatusesAndWords) {
  const SimPrinter& other = sharedPrinter("other-model");
  ASSERT_TRUE(other.running());
  for (const std::vector<std::string>& args : {std::vector<std::string>{other.address()},
                                               std::vector<std::string>{"--json", other.address()}}) {
    Finished run = query(args);
    EXPECT_EQ(run.status, kQueryFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(other.address() + ": printer not reached, not a Tavorinex Arc M750XLS, or a printer query failed"),
              std::string::npos)
        << run.err;
  }
  const SimPrinter& failing = sharedPrinter("media-error");
  EXPECT_EQ(query({failing.address()}).status, kQueryFailed);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"--json"}, std::vector<std::string>{"--xml", "h"},
        std::vector<std::string>{"-j", other.address()}, std::vector<std::string>{"a", "b"}}) {
    Finished run = query(args);
    EXPECT_EQ(run.status, kWrongCommandLine);
    EXPECT_NE(run.err.find("usage: tavorinex-query"), std::string::npos);
  }
}

// Every file under `folder` with its bytes.
std::map<std::string, std::string> filesUnder(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    files[entry.path().string()] = entry.is_regular_file() ? readFile(entry.path().string()) : "(folder)";
  }
  return files;
}

// Standard output that takes no byte (a full disk, a closed pipe's reader
// gone) is its own status, not --diff's "would change".
TEST_F(QueryTest, OutputThatCannotBeWrittenHasItsOwnStatus) {
  const SimPrinter& printer = sharedPrinter("full");
  ASSERT_TRUE(printer.running());
  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  auto toFullDisk = [&](std::vector<std::string> args) {
    Command command{.argv = {QUERY_PATH}};
    command.argv.insert(command.argv.end(), args.begin(), args.end());
    command.outputPath = "/dev/full";
    command.outputFlags = O_WRONLY;
    return run(command);
  };
  for (const std::vector<std::string>& args : {std::vector<std::string>{printer.address()},
                                               std::vector<std::string>{"--json", printer.address()}}) {
    Finished run = toFullDisk(args);
    EXPECT_EQ(run.status, tvx::query::kCannotWrite) << args.front();
    EXPECT_EQ(run.err, "tavorinex-query: cannot write the report\n");
  }
  const std::map<std::string, std::string> before = filesUnder(root_);
  Finished diff = toFullDisk({"--diff", "Arc", printer.address()});
  EXPECT_EQ(diff.status, tvx::query::kCannotWrite);
  EXPECT_EQ(diff.err, "tavorinex-query: Arc: cannot write the difference\n");
  EXPECT_EQ(filesUnder(root_), before);
  EXPECT_NE(tvx::query::kCannotWrite, tvx::query::kWouldChange);
}

TEST_F(QueryTest, DiffShowsWhatAnUpdateWouldChangeAndChangesNoFile) {
  const SimPrinter& printer = sharedPrinter("full");
  ASSERT_TRUE(printer.running());
  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  const std::map<std::string, std::string> before = filesUnder(root_);
  Finished diff = query({"--diff", "Arc", printer.address()});
  EXPECT_EQ(diff.status, 1) << diff.err;
  EXPECT_EQ(diff.err, "");
  EXPECT_TRUE(diff.out.starts_with("--- " + ppdFile("Arc") + "\n+++ " + ppdFile("Arc") + " after bidiupdate -A\n@@ "))
      << diff.out;
  EXPECT_NE(diff.out.find("\n-*DefaultPageSize: TavorinexLetter\n"), std::string::npos);
  EXPECT_NE(diff.out.find("\n+*PageSize PlainA480/Plain A4 80: "), std::string::npos);
  EXPECT_NE(diff.out.find("\nMedia catalog of Arc after the update (8 media, changed):\n"
                          "  Plain A4 80 (PPD key PlainA480), 210.0 x 297.0 mm, 595 x 842 pt\n"),
            std::string::npos)
      << diff.out;
  // Byte for byte, and the private folder is gone.
  EXPECT_EQ(filesUnder(root_), before);

  // What the update then writes is what the diff showed: nothing is left to change.
  ASSERT_EQ(bidiupdate({"-A", "Arc", printer.address()}).status, kDone);
  const std::string updated = ppdOf("Arc");
  Finished again = query({"--diff", "Arc", printer.address()});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(again.out.starts_with("\nMedia catalog of Arc after the update (8 media, unchanged):\n")) << again.out;
  EXPECT_EQ(ppdOf("Arc"), updated);
}

TEST_F(QueryTest, DiffFailuresExitWithBidiupdateStatuses) {
  const SimPrinter& printer = sharedPrinter("full");
  const SimPrinter& other = sharedPrinter("other-model");
  ASSERT_TRUE(printer.running() && other.running());
  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  const std::map<std::string, std::string> before = filesUnder(root_);
  Finished wrongModel = query({"--diff", "Arc", other.address()});
  EXPECT_EQ(wrongModel.status, kQueryFailed);
  EXPECT_NE(wrongModel.err.find("printer query failed"), std::string::npos);
  Finished noPPD = query({"--diff", "Missing", printer.address()});
  EXPECT_EQ(noPPD.status, kFileFailed);
  EXPECT_NE(noPPD.err.find("Missing: the PPD could not be read"), std::string::npos) << noPPD.err;
  EXPECT_EQ(query({"--diff", "a/b", printer.address()}).status, kWrongCommandLine);
  EXPECT_EQ(query({"--diff", "Arc"}).status, kWrongCommandLine);
  EXPECT_EQ(filesUnder(root_), before);
}

// The working folders of --diff runs in the temp folder.
std::vector<std::string> diffFolders(const std::string& tmp) {
  std::vector<std::string> found;
  for (const std::string& name : folderEntries(tmp)) {
    if (name.starts_with("tavorinex-query.")) found.push_back(name);
  }
  return found;
}

// A printer that answers slowly: past the time limit the query ends with
// status 12 and says so, and --diff leaves no folder behind.
TEST_F(QueryTest, TimeLimitEndsTheQueryWith12) {
  SimPrinter slow("slow");
  ASSERT_TRUE(slow.running());
  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  const std::map<std::string, std::string> before = filesUnder(root_);
  const std::vector<std::vector<std::string>> runs = {{"--time-limit", "2", slow.address()},
                                                      {"--time-limit", "2", "--json", slow.address()},
                                                      {"--time-limit", "2", "--diff", "Arc", slow.address()}};
  for (const std::vector<std::string>& args : runs) {
    const auto start = std::chrono::steady_clock::now();
    Finished run = query(args);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, kQueryFailed) << args.back();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tavorinex-query: " + slow.address() +
                           ": the time limit of 2 s passed before the printer's answers were in\n");
    EXPECT_GE(took, 2.0);
    EXPECT_LT(took, 4.0);
  }
  EXPECT_EQ(filesUnder(root_), before);
  for (const char* limit : {"0", "86401", "x", ""}) {
    Finished run = query({"--time-limit", limit, slow.address()});
    EXPECT_EQ(run.status, kWrongCommandLine) << limit;
    EXPECT_NE(run.err.find("usage: tavorinex-query [--time-limit SECONDS]"), std::string::npos);
  }
}

// SIGINT (Control-C), SIGTERM and SIGHUP (a closed terminal) while --diff
// waits for a slow printer: it ends by that signal and its working folder,
// with its copies of the PPD and the catalog, is gone.
TEST_F(QueryTest, DiffRemovesItsFolderWhenItIsStopped) {
  SimPrinter slow("slow");
  ASSERT_TRUE(slow.running());
  installPPD("Arc", "ppd/TavorinexArcM750XLS.ppd");
  const std::map<std::string, std::string> before = filesUnder(root_);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    Process running({.argv = {QUERY_PATH, "--diff", "Arc", slow.address()}});
    ASSERT_TRUE(running.started());
    bool copied = false;
    for (int tries = 0; tries < 400 && !copied; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      for (const std::string& folder : diffFolders(tmpFolder())) {
        copied |= std::filesystem::exists(tmpFolder() + folder + "/ppd/Arc.ppd");
      }
    }
    ASSERT_TRUE(copied) << "no working folder with the PPD's copy appeared";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(running.pid(), signal);
    Finished ended = running.wait();
    EXPECT_EQ(ended.signal, signal) << ended.status << ended.err;
    EXPECT_EQ(diffFolders(tmpFolder()), std::vector<std::string>{}) << signal;
    EXPECT_EQ(filesUnder(root_), before) << signal;
  }
}

}  // namespace
}  // namespace tvx::test
