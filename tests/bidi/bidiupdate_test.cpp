// Runs the real bidiupdate (test build) against simulated printers, on a
// copy of a PPD in a private test root, and checks its exit status, the PPD
// and the media catalog file it leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "bidi/BiDiExit.h"
#include "tests/bidi/bidiupdate_run.h"
#include "tests/bidi/ppd_update_fixture.h"
#include "tests/mediacatalog/catalogtest.h"

namespace tvx::test {
namespace {

using namespace tvx::bidi;

const std::string kModelPPD = "ppd/TavorinexArcM750XLS.ppd";
const std::string kLandmarksPPD = "tests/bidi/data/media-landmarks.ppd";
const std::string kQueue = "Arc";

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : linesOf(text)) {
    if (line.starts_with(prefix)) found.push_back(line);
  }
  return found;
}

// The main keywords ("*Keyword") of a PPD's lines.
std::set<std::string> mainKeywords(const std::string& ppd) {
  std::set<std::string> keywords;
  for (const std::string& line : linesOf(ppd)) {
    if (line.starts_with("*") && !line.starts_with("*%")) {
      keywords.insert(line.substr(0, line.find_first_of(" :")));
    }
  }
  return keywords;
}

// The catalog record of a media read from the printer, built from the file
// layout: the ability flags the printer reported as set, punch and fold
// always allowed.
std::string printerRecord(std::string_view name, std::string_view key, std::string_view type,
                          std::string_view color, std::string_view unit, std::int32_t weight,
                          std::uint32_t width, std::uint32_t length, std::uint16_t edge,
                          bool canDuplex, bool canStaple, bool defaultMedia) {
  RecordBytes r;
  r.text(0, name).text(32, key).text(64, std::string(name) + " description");
  r.text(1090, type).text(1198, color).text(1306, unit);
  r.u32(1340, static_cast<std::uint32_t>(weight)).u8(1349, 1);
  r.u32(1352, width).u32(1356, length).u16(1360, edge);
  r.u8(1362, 1).u8(1363, 1).u8(1364, canDuplex).u8(1365, canStaple);
  r.u8(1366, 1).u8(1367, 1).u8(1368, 1).u8(1369, 1).u8(1372, defaultMedia);
  return r.str();
}

// The catalog of the media-basic printer, in the printer's order: the
// PPD's page sizes follow it, and CUPS gives a request for a size the first
// page size of that size.
std::string basicCatalog() {
  return printerRecord("A4 Plain", "A4Plain", "Coat 2", "no color", "millimeters", 80, 595276,
                       842000, 1, true, true, false) +
         printerRecord("Letter", "Letter", "Plain", "white", "inches", -1, 612000, 792000, 1, false,
                       false, false) +
         printerRecord("Tabloid Wide", "TabloidWide", "Tabstock", "null", "inches", 89, 792000,
                       1224000, 2, true, true, true) +
         printerRecord("Half Point", "HalfPoint", "Glossy", "blue", "inches", 89, 500500, 700499,
                       1, true, true, false);
}

class BidiupdateProcessTest : public BidiupdateTest {
 protected:
  // Expects cupstestppd to accept the PPD of `queue`.
  void expectAcceptedByCups(const std::string& queue) {
    std::string report;
    EXPECT_EQ(cupstestppd(queue, &report), 0) << report;
  }

  void enableFullLog() { writeFile(controlFile(), "LEVEL=FULL\n"); }
};

TEST_F(BidiupdateProcessTest, WrongCommandLinesExit11BeforeTheSessionOpens) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  ASSERT_TRUE(printer.running());
  const std::string host = printer.address();
  installPPD(kQueue, kLandmarksPPD);
  enableFullLog();
  const std::vector<std::vector<std::string>> commandLines = {
      {},
      {"-M", kQueue},
      {"-M", kQueue, host, "extra"},
      {"-MM", kQueue, host},
      {"M", kQueue, host},
      {"-", kQueue, host},
      {"", kQueue, host},
      {"+M", kQueue, host},
      {"-M", "", host},
      {"-M", "a/b", host},
      {"-M", "../Arc", host},
      {"-M", ".", host},
      {"-M", "..", host},
      {"-M", std::string(237, 'q'), host},
  };
  for (const auto& args : commandLines) {
    Finished result = bidiupdate(args);
    EXPECT_EQ(result.status, kWrongCommandLine) << ::testing::PrintToString(args);
    EXPECT_EQ(result.out + result.err, "");
  }
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile(kLandmarksPPD)));
  EXPECT_EQ(readFile(logFile()).find("BiDi_InitSession"), std::string::npos);
}

TEST_F(BidiupdateProcessTest, UnknownLetterClosesTheSessionAndExits11) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  installPPD(kQueue, kLandmarksPPD);
  enableFullLog();
  Finished result = bidiupdate({"-x", kQueue, printer.address()});
  EXPECT_EQ(result.status, kWrongCommandLine);
  EXPECT_EQ(result.out + result.err, "");
  std::string log = readFile(logFile());
  EXPECT_NE(log.find("BiDi_InitSession:END"), std::string::npos);
  EXPECT_NE(log.find("BiDi_CloseSession:END"), std::string::npos);
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile(kLandmarksPPD)));
}

TEST_F(BidiupdateProcessTest, AnotherPrinterModelExits12WhateverTheLetter) {
  const SimPrinter& printer = sharedPrinter("other-model");
  installPPD(kQueue, kLandmarksPPD);
  for (const char* letter : {"-x", "-M", "-A"}) {
    Finished result = bidiupdate({letter, kQueue, printer.address()});
    EXPECT_EQ(result.status, kQueryFailed) << letter;
  }
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile(kLandmarksPPD)));
  EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue)));
}

TEST_F(BidiupdateProcessTest, MediaUpdateRewritesThePPDAndTheCatalog) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  for (const char* letter : {"-M", "-m"}) {
    installPPD(kQueue, kLandmarksPPD);
    std::filesystem::remove(catalogFile(kQueue));
    Finished result = bidiupdate({letter, kQueue, printer.address()});
    EXPECT_EQ(result.status, kDone) << letter;
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile("tests/bidi/data/media-basic.expected.ppd")));
    EXPECT_EQ(readFile(catalogFile(kQueue)), basicCatalog());
    EXPECT_EQ(std::filesystem::status(catalogFile(kQueue)).permissions(),
              static_cast<std::filesystem::perms>(0644));
  }
}

// The system call of an strace line ("fsync", "renameat2", ...) when it
// succeeded, else empty.
std::string succeededCall(std::string_view line) {
  if (!line.ends_with(") = 0")) return {};
  std::size_t open = line.find('(');
  if (open == std::string_view::npos) return {};
  std::string_view head = line.substr(0, open);
  std::size_t space = head.find_last_of(' ');
  return std::string(space == std::string_view::npos ? head : head.substr(space + 1));
}

// The file of the first descriptor strace -y shows ("3</path>"), without a
// " (deleted)" mark.
std::string descriptorPath(std::string_view line) {
  std::size_t open = line.find('<');
  std::size_t close = line.find('>', open);
  if (open == std::string_view::npos || close == std::string_view::npos) return {};
  std::string_view path = line.substr(open + 1, close - open - 1);
  if (path.ends_with(" (deleted)")) path.remove_suffix(std::strlen(" (deleted)"));
  return std::string(path);
}

// The last quoted argument of an strace line: the new name of a link or rename.
std::string lastQuoted(std::string_view line) {
  std::size_t close = line.rfind('"');
  std::size_t open = close == std::string_view::npos ? close : line.rfind('"', close - 1);
  if (open == std::string_view::npos) return {};
  return std::string(line.substr(open + 1, close - open - 1));
}

// The steps of bidiupdate's file replacements in `folders`, in order, from
// an strace -y log: "sync file" (a work file), "link" (naming it), "rename
// <name>" (putting it in place), "sync folder".
std::vector<std::string> replacementSteps(const std::string& trace,
                                          const std::vector<std::string>& folders) {
  std::vector<std::string> steps;
  for (std::string line : linesOf(trace)) {
    // The programs join folder and name with doubled slashes at times.
    for (std::size_t at; (at = line.find("//")) != std::string::npos;) line.erase(at, 1);
    const std::string call = succeededCall(line);
    const bool sync = call == "fsync" || call == "fdatasync";
    const bool rename = call.starts_with("rename");
    const std::string path = sync ? descriptorPath(line) : lastQuoted(line);
    for (const std::string& folder : folders) {
      const std::string inside = folder + "/";
      if (sync && path == folder) {
        steps.push_back("sync folder");
      } else if (!path.starts_with(inside)) {
        continue;
      } else if (sync) {
        steps.push_back("sync file");
      } else if (call == "linkat") {
        steps.push_back("link");
      } else if (rename) {
        steps.push_back("rename " + path.substr(inside.size()));
      }
    }
  }
  return steps;
}

// A replacement is durable only when the work file's data is on disk before
// the rename makes it the file, and the folder after it; a power cut could
// otherwise leave an empty PPD or catalog, or the old one back.
TEST_F(BidiupdateProcessTest, ReplacementsSyncTheFileThenRenameThenSyncTheFolder) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  installPPD(kQueue, kLandmarksPPD);
  const std::string trace = root_ + "/trace";
  Finished result = run({.argv = {"strace", "-f", "-qq", "-y", "-o", trace, "-e",
                                  "trace=fsync,fdatasync,rename,renameat,renameat2,linkat",
                                  BIDIUPDATE_PATH, "-M", kQueue, printer.address()},
                         // LeakSanitizer cannot run under ptrace.
                         .environment = {"ASAN_OPTIONS=detect_leaks=0"}});
  ASSERT_EQ(result.status, kDone) << result.err;
  const std::string ppds = root_ + "/etc/cups/ppd";
  const std::string catalogs = root_ + "/usr/bin/Tavorinex";
  std::vector<std::string> steps = replacementSteps(readFile(trace), {ppds, catalogs});
  const std::vector<std::string> once = {"sync file", "link", "rename ", "sync folder"};
  std::vector<std::string> expected;
  for (const std::string& name : {kQueue + ".ppd", kQueue}) {
    for (const std::string& step : once) expected.push_back(step == "rename " ? step + name : step);
  }
  EXPECT_EQ(steps, expected) << readFile(trace);
}

TEST_F(BidiupdateProcessTest, MediaUpdateOfTheModelPPDStaysAcceptableAndRepeatable) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  installPPD(kQueue, kModelPPD);
  ASSERT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kDone);
  expectAcceptedByCups(kQueue);
  std::string first = ppdOf(kQueue);
  // The model's default page size is gone: the printer's first media
  // becomes the default.
  for (const char* option : {"PageSize", "PageRegion", "PaperDimension", "ImageableArea"}) {
    EXPECT_EQ(linesStartingWith(first, std::string("*Default") + option + ":"),
              std::vector<std::string>{std::string("*Default") + option + ": A4Plain"});
  }
  // Four sizes, then four media.
  EXPECT_EQ(linesStartingWith(first, "*PageSize ").size(), 8u);
  EXPECT_EQ(linesStartingWith(first, "*UIConstraints: *PageSize TavorinexLetter"),
            std::vector<std::string>{});
  ASSERT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kDone);
  EXPECT_EQ(ppdOf(kQueue), first);
}

TEST_F(BidiupdateProcessTest, NoMediaExits15AndChangesNothing) {
  const SimPrinter& printer = sharedPrinter("media-none");
  installPPD(kQueue, kModelPPD);
  EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kNoMedia);
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile(kModelPPD)));
  EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue)));
}

TEST_F(BidiupdateProcessTest, FailedPrinterQueryExits12AndChangesNothing) {
  const SimPrinter& media = sharedPrinter("media-error");
  const SimPrinter& finishers = sharedPrinter("finisher-attribute-error");
  installPPD(kQueue, kModelPPD);
  EXPECT_EQ(bidiupdate({"-M", kQueue, media.address()}).status, kQueryFailed);
  EXPECT_EQ(bidiupdate({"-O", kQueue, finishers.address()}).status, kQueryFailed);
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile(kModelPPD)));
  EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue)));
}

// The "<function>:BEGIN" lines of the log that no "<function>:END" line
// closed, innermost last. An END line must close the innermost open BEGIN;
// one that closes none is BiDi_InitSession's, whose BEGIN line comes before
// the session open switches the log on.
std::vector<std::string> unclosedTraces(const std::string& log) {
  std::vector<std::string> open;
  for (const std::string& line : linesOf(log)) {
    size_t start = line.find(": ");
    if (start == std::string::npos) continue;
    std::string message = line.substr(start + 2);
    if (message.ends_with(":BEGIN")) {
      open.push_back(message.substr(0, message.size() - 6));
    } else if (message.ends_with(":END") && !open.empty()) {
      EXPECT_EQ(message.substr(0, message.size() - 4), open.back()) << line;
      open.pop_back();
    }
  }
  return open;
}

// A refused session, failed column walks, another model and a whole run:
// every traced function writes its END line, early returns included.
TEST_F(BidiupdateProcessTest, EveryTracedFunctionWritesItsEndLineOnEveryPath) {
  installPPD(kQueue, kModelPPD);
  const std::vector<std::tuple<std::string, std::string, int>> runs = {
      {"-M", "127.0.0.1:99999", kQueryFailed},
      {"-M", sharedPrinter("media-error").address(), kQueryFailed},
      {"-O", sharedPrinter("finisher-attribute-error").address(), kQueryFailed},
      {"-C", sharedPrinter("other-model").address(), kQueryFailed},
      {"-A", sharedPrinter("full").address(), kDone},
  };
  for (const auto& [letter, host, status] : runs) {
    std::filesystem::remove(logFile());
    enableFullLog();
    EXPECT_EQ(bidiupdate({letter, kQueue, host}).status, status) << letter << " " << host;
    std::string log = readFile(logFile());
    EXPECT_NE(log.find(": snmpSessionOpen:BEGIN\n"), std::string::npos) << host;
    EXPECT_EQ(unclosedTraces(log), std::vector<std::string>{}) << letter << " " << host;
  }
}

// A queue without a PPD gets no catalog, which would disagree with the PPD
// the queue gets later.
TEST_F(BidiupdateProcessTest, MissingPPDExits13) {
  const SimPrinter& printer = sharedPrinter("media-trays-a");
  for (const char* letter : {"-M", "-C", "-O", "-A"}) {
    EXPECT_EQ(bidiupdate({letter, kQueue, printer.address()}).status, kFileFailed) << letter;
  }
  EXPECT_FALSE(std::filesystem::exists(ppdFile(kQueue)));
  EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue)));
}

// `ppd` without the lines from the one starting with `first` through the
// one starting with `last`.
std::string withoutLines(const std::string& ppd, const std::string& first, const std::string& last) {
  size_t begin = ppd.find("\n" + first);
  size_t end = ppd.find("\n" + last, begin + 1);
  EXPECT_NE(end, std::string::npos) << first;
  if (end == std::string::npos) return ppd;
  end = ppd.find('\n', end + 1);
  return ppd.substr(0, begin + 1) + ppd.substr(end + 1);
}

// A media update whose pass would drop more than the media entries (the
// rest of the PPD, or other options) is refused before anything is written:
// exit 13, the PPD byte for byte as it was, and no catalog.
TEST_F(BidiupdateProcessTest, MediaUpdateThatWouldCutThePPDExits13) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  const std::string model = readFile(sourceFile(kModelPPD));
  std::string dimensions = model.substr(model.find("*DefaultPaperDimension:"));
  dimensions = dimensions.substr(0, dimensions.find("*% =="));
  const std::string areasFirst = replaced(replaced(model, dimensions, ""), "*% ========== Output Bin",
                                          dimensions + "*% ========== Output Bin");
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"no Output Bin option", withoutLines(model, "*OpenUI *OutputBin", "*CloseUI: *OutputBin")},
      {"imageable areas before paper dimensions", areasFirst},
      {"PageSize group not closed", replaced(model, "*CloseUI: *PageSize\n", "")},
      {"PageRegion group closed after Output Bin",
       replaced(replaced(model, "*CloseUI: *PageRegion\n", ""), "*CloseUI: *OutputBin\n",
                "*CloseUI: *OutputBin\n*CloseUI: *PageRegion\n")},
      {"constraint block not ended", replaced(model, "*% Media Constraints END\n", "")},
  };
  for (const auto& [label, ppd] : variants) {
    writeFile(ppdFile(kQueue), ppd);
    EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kFileFailed) << label;
    EXPECT_EQ(ppdOf(kQueue), ppd) << label;
    EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue))) << label;
  }
}

// Every update finds each landmark it needs before it writes. On the model
// PPD cut after every eighth line or so, each switch refuses (13, the PPD
// byte for byte) every cut that lacks a section it rewrites, and rewrites
// every other cut without a cupstestppd failure that the cut PPD did not
// have: no choices outside their option, no default line without its "*".
TEST_F(BidiupdateProcessTest, UpdatesOfACutPPDExit13OrAddNoFailure) {
  const SimPrinter& printer = sharedPrinter("full");
  ASSERT_TRUE(printer.running());
  const std::vector<std::string> lines = linesOf(readFile(sourceFile(kModelPPD)));
  auto lineOf = [&](std::string_view start) {
    auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(start); });
    EXPECT_NE(found, lines.end()) << start;
    return static_cast<std::size_t>(found - lines.begin()) + 1;
  };
  // The last line each update needs; the media update also needs the
  // constraint block whole when it has begun.
  const std::map<std::string, std::size_t> needed = {
      {"-M", lineOf("*OpenUI *OutputBin")}, {"-C", lineOf("*CloseUI: *PrinterImage")}, {"-O", lineOf("*CloseUI: *SR")}};
  const std::size_t constraintsBegin = lineOf("*% Media Constraints BEGIN");
  const std::size_t constraintsEnd = lineOf("*% Media Constraints END");
  auto failures = [&] {
    std::string report;
    cupstestppd(kQueue, &report);
    std::set<std::string> found;
    for (std::string line : linesOf(report)) {
      if (line.find("**FAIL**") == std::string::npos) continue;
      if (std::size_t at = line.find(" on line "); at != std::string::npos) line.erase(at);
      found.insert(line);
    }
    return found;
  };
  constexpr std::size_t kCuts = 60;
  for (std::size_t cut = 1; cut <= kCuts; ++cut) {
    const std::size_t kept = cut * lines.size() / kCuts;
    std::string ppd;
    for (std::size_t i = 0; i < kept; ++i) ppd += lines[i] + "\n";
    for (const auto& [letter, last] : needed) {
      const std::string label = letter + " after line " + std::to_string(kept);
      bool refuse = kept < last || (letter == "-M" && kept >= constraintsBegin && kept < constraintsEnd);
      writeFile(ppdFile(kQueue), ppd);
      const std::set<std::string> before = failures();
      Finished update = bidiupdate({letter, kQueue, printer.address()});
      if (refuse) {
        EXPECT_EQ(update.status, kFileFailed) << label;
        EXPECT_EQ(ppdOf(kQueue), ppd) << label;
        continue;
      }
      EXPECT_EQ(update.status, kDone) << label;
      for (const std::string& failure : failures()) {
        EXPECT_TRUE(before.contains(failure)) << label << ": " << failure;
      }
    }
  }
}

// The PPD of another model (or of none) is no PPD of ours: every update
// refuses it, and -A, which used to rewrite it, leaves it whole.
TEST_F(BidiupdateProcessTest, PPDOfAnotherModelIsLeftWhole) {
  const SimPrinter& printer = sharedPrinter("full");
  std::string model = readFile(sourceFile(kModelPPD));
  for (const char* name : {"*ModelName: \"Tavorinex Arc M650XLS\"", "*ModelName: \"Other Printer\""}) {
    const std::string ppd = replaced(model, "*ModelName: \"Tavorinex Arc M750XLS\"", name);
    writeFile(ppdFile(kQueue), ppd);
    for (const char* letter : {"-A", "-M", "-C", "-O"}) {
      EXPECT_EQ(bidiupdate({letter, kQueue, printer.address()}).status, kFileFailed) << name << letter;
    }
    EXPECT_EQ(ppdOf(kQueue), ppd) << name;
    EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue))) << name;
  }
}

// Only a regular file is read and replaced: a link is neither followed nor
// replaced by a file, a FIFO does not make the run wait, a link to
// /dev/zero does not fill the disk.
TEST_F(BidiupdateProcessTest, PPDThatIsNoRegularFileIsLeftAlone) {
  const SimPrinter& printer = sharedPrinter("full");
  const std::string model = readFile(sourceFile(kModelPPD));
  const std::string target = root_ + "/elsewhere.ppd";
  writeFile(target, model);
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  for (const std::string kind : {"link", "link to /dev/zero", "fifo"}) {
    std::filesystem::remove(ppdFile(kQueue));
    if (kind == "fifo") {
      ASSERT_EQ(::mkfifo(ppdFile(kQueue).c_str(), 0640), 0);
    } else {
      std::filesystem::create_symlink(kind == "link" ? target : "/dev/zero", ppdFile(kQueue));
    }
    for (const char* letter : {"-M", "-C", "-O", "-A"}) {
      EXPECT_EQ(bidiupdate({letter, kQueue, printer.address()}).status, kFileFailed) << kind << letter;
    }
    auto status = std::filesystem::symlink_status(ppdFile(kQueue));
    EXPECT_EQ(status.type(), kind == "fifo" ? std::filesystem::file_type::fifo
                                            : std::filesystem::file_type::symlink) << kind;
    EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue))) << kind;
  }
  EXPECT_EQ(readFile(target), model);
  EXPECT_EQ(std::filesystem::status(target).permissions(), static_cast<std::filesystem::perms>(0640));
  EXPECT_EQ(folderEntries(ppdFolder()), std::vector<std::string>{kQueue + ".ppd"});
}

TEST_F(BidiupdateProcessTest, UnsavedCatalogExits13WithConstraintsForTheNewMedia) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  installPPD(kQueue, kLandmarksPPD);
  std::filesystem::remove_all(catalogFolder());
  EXPECT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kFileFailed);
  // The PPD holds the new media and their constraints, never those of the
  // predefined media that a reload of the missing catalog would give.
  EXPECT_EQ(ppdOf(kQueue), readFile(sourceFile("tests/bidi/data/media-basic.expected.ppd")));
}

TEST_F(BidiupdateProcessTest, LongestQueueNameIsAccepted) {
  const SimPrinter& printer = sharedPrinter("media-basic");
  const std::string queue(236, 'q');
  installPPD(queue, kLandmarksPPD);
  EXPECT_EQ(bidiupdate({"-M", queue, printer.address()}).status, kDone);
  EXPECT_EQ(readFile(catalogFile(queue)), basicCatalog());
}

TEST_F(BidiupdateProcessTest, MediaValuesAreCutRoundedAndConstrained) {
  const SimPrinter& printer = sharedPrinter("media-values");
  // A default page size too long for a PPD key counts as not found.
  std::string model = readFile(sourceFile(kModelPPD));
  const std::string oldDefault = "*DefaultPageSize: TavorinexLetter";
  ASSERT_NE(model.find(oldDefault), std::string::npos);
  writeFile(ppdFile(kQueue), model.replace(model.find(oldDefault), oldDefault.size(),
                                           "*DefaultPageSize: A4HeavyPaper" + std::string(300, 'x')));
  ASSERT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kDone);
  expectAcceptedByCups(kQueue);
  std::string ppd = ppdOf(kQueue);
  EXPECT_EQ(linesStartingWith(ppd, "*DefaultPageSize:"),
            std::vector<std::string>{"*DefaultPageSize: FlagsOne"});
  // Sides near 2^32 thousandths of a point (65,000 inches) are no size a
  // printer has: that media is left out of the PPD and the catalog. Media of
  // one size lie a tenth of a point apart, so that CUPS shows each of them.
  EXPECT_EQ(linesStartingWith(ppd, "*PaperDimension "),
            (std::vector<std::string>{
                "*PaperDimension Letter/Letter: \"612 792\"",
                "*PaperDimension A4/A4: \"595 842\"",
                "*PaperDimension FlagsOne/Flags One: \"612.1 792.1\"",
                "*PaperDimension FlagsTwo/Flags Two: \"612.2 792.2\"",
                "*PaperDimension FlagsFour/Flags Four: \"595.1 842.1\"",
                "*PaperDimension A4HeavyPaper/A4 Heavy Paper: \"612.3 792.3\""}));
  // Only a reported 3 sets a flag: media with flags 1, 2 and 4 can neither
  // be printed on both sides nor stapled.
  for (const char* key : {"FlagsOne", "FlagsTwo", "FlagsFour"}) {
    std::string page = std::string("*UIConstraints: *PageSize ") + key + " ";
    EXPECT_EQ(linesStartingWith(ppd, page + "*Duplex ").size(), 2u) << key;
    EXPECT_EQ(linesStartingWith(ppd, page + "*Staple ").size(), 16u) << key;
    EXPECT_EQ(linesStartingWith(ppd, page + "*Punch ").size(), 7u) << key;
  }
  EXPECT_EQ(linesStartingWith(ppd, "*UIConstraints: *PageSize A4HeavyPaper *Duplex").size(), 0u);
  EXPECT_EQ(linesStartingWith(ppd, "*UIConstraints: *PageSize FlagsFour *OutputBin").size(), 0u);
  EXPECT_EQ(linesStartingWith(ppd, "*UIConstraints: *PageSize FlagsTwo *OutputBin").size(), 1u);
}

TEST_F(BidiupdateProcessTest, HostileMediaTextsAddNoLineKeywordOrCode) {
  const SimPrinter& printer = sharedPrinter("media-hostile");
  installPPD(kQueue, kModelPPD);
  ASSERT_EQ(bidiupdate({"-M", kQueue, printer.address()}).status, kDone);
  expectAcceptedByCups(kQueue);
  std::string ppd = ppdOf(kQueue);
  EXPECT_EQ(mainKeywords(ppd), mainKeywords(readFile(sourceFile(kModelPPD))));
  // The media whose keyword repeats an earlier one in the printer's table
  // is skipped; the others keep every printable character but spaces,
  // quotes, ":" and "/". The size choice comes first.
  std::vector<std::string> keys;
  for (const std::string& line : linesStartingWith(ppd, "*PageSize ")) {
    keys.push_back(line.substr(10, line.find('/') - 10));
    EXPECT_EQ(std::count(line.begin(), line.end(), '"'), 2) << line;
    EXPECT_TRUE(line.ends_with(" setpagedevice\"")) << line;
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Letter", "Normal", "A4*cupsFilter2x0tmpe", "()\\<>",
                                            "TabNameOddKey"}));
  EXPECT_EQ(linesStartingWith(ppd, "*PageSize Normal/Normal: "),
            std::vector<std::string>{
                "*PageSize Normal/Normal: \"<< /PageSize [612 792] /ImagingBBox null "
                "/MediaWeight 89 /MediaColor (white) /MediaType (Duplicate) /LeadingEdge 3 >> "
                "setpagedevice\""});
  EXPECT_EQ(linesStartingWith(ppd, "*PageSize Letter/Letter: "),
            std::vector<std::string>{
                "*PageSize Letter/Letter: \"<< /PageSize [612 792] /ImagingBBox null >> "
                "setpagedevice\""});
  // No control byte reaches a text field of the catalog: the filter writes
  // name, colour and type bare into every job.
  std::string catalog = readFile(catalogFile(kQueue));
  ASSERT_EQ(catalog.size(), 4 * 1488u);
  for (size_t record = 0; record < catalog.size(); record += 1488) {
    for (auto [offset, size] : {std::pair{0, 32}, {32, 32}, {64, 1026}, {1090, 108}, {1198, 108}}) {
      std::string field = catalog.substr(record + offset, size);
      field.resize(field.find('\0'));
      EXPECT_TRUE(std::none_of(field.begin(), field.end(),
                               [](char c) { return (c > 0 && c < 0x20) || c == 0x7F; }))
          << field;
    }
  }
}

// The texts of a catalog field (offset, capacity) in every record.
std::vector<std::string> catalogField(const std::string& catalog, size_t offset, size_t size) {
  std::vector<std::string> fields;
  for (size_t record = 0; record + 1488 <= catalog.size(); record += 1488) {
    std::string field = catalog.substr(record + offset, size);
    fields.push_back(field.substr(0, field.find('\0')));
  }
  return fields;
}

// Names that differ only in spaces and punctuation keep keys of their own,
// a Latin-1 name keeps its letter in the translations, and only what the
// printer cannot have is left out: sides negative, under a point or over
// 100 inches, and a profile whose name its record would cut. The catalog
// holds the PPD's media under the PPD's keys.
TEST_F(BidiupdateProcessTest, EveryMediaThePrinterHasKeepsItsOwnKey) {
  const SimPrinter& printer = sharedPrinter("names-and-limits");
  installPPD(kQueue, kModelPPD);
  ASSERT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, kDone);
  expectAcceptedByCups(kQueue);
  const std::string ppd = ppdOf(kQueue);
  EXPECT_EQ(ppd, readFile(sourceFile("tests/bidi/data/names-and-limits.expected.ppd")));
  std::vector<std::string> keys;
  for (const std::string& line : linesStartingWith(ppd, "*PageSize ")) {
    keys.push_back(line.substr(10, line.find('/') - 10));
  }
  const std::vector<std::string> sizes = {"Letter", "A4", "w612h7200"};
  const std::vector<std::string> media = {"Letter(Recycled)", "LetterRecycled", "Bond20#",
                                          "Bond20", "Papierpais", "Banner100in"};
  std::vector<std::string> expected = sizes;
  expected.insert(expected.end(), media.begin(), media.end());
  EXPECT_EQ(keys, expected);
  const std::string catalog = readFile(catalogFile(kQueue));
  EXPECT_EQ(catalogField(catalog, 32, 32), media);
  EXPECT_EQ(catalogField(catalog, 0, 32),
            (std::vector<std::string>{"Letter (Recycled)", "Letter Recycled", "Bond 20#", "Bond 20",
                                      "Papier \xe9pais", "Banner 100in"}));
  EXPECT_NE(ppd.find("*PageSize Papierpais/Papier \xe9pais: "), std::string::npos);
  EXPECT_EQ(ppd.find("Fogra39L"), std::string::npos);
  EXPECT_NE(ppd.find("*CMYKInputImage ISOcoated_v2_300_eci_Fogra39/"), std::string::npos);
}

// Every column is walked once per run, however many readers need it: 45
// media columns, the name and type columns of the colour profiles, three
// finisher and three input tray columns, one get-bulk each (two each for
// the 100 rows of media-100, whose profile, finisher and tray columns are
// empty and whose update ends at the missing options).
TEST_F(BidiupdateProcessTest, EachColumnIsAskedOncePerRun) {
  for (auto [scenario, status, requests] : {std::tuple{"full", kDone, 53}, std::tuple{"media-100", kNoOptions, 97}}) {
    const SimPrinter& printer = sharedPrinter(scenario);
    installPPD(kQueue, kModelPPD);
    std::filesystem::remove(logFile());
    enableFullLog();
    EXPECT_EQ(bidiupdate({"-A", kQueue, printer.address()}).status, status) << scenario;
    size_t bulk = 0;
    for (const std::string& line : linesOf(readFile(logFile()))) {
      bulk += line.ends_with(": snmpGetBulk:BEGIN") ? 1 : 0;
    }
    EXPECT_EQ(bulk, static_cast<size_t>(requests)) << scenario;
  }
}

TEST_F(BidiupdateProcessTest, AllUpdatesRewriteTheModelPPD) {
  struct Case {
    const char* scenario;
    size_t media;
    size_t sizes;
  };
  for (Case c : {Case{"media-trays-a", 4, 4}, Case{"full", 8, 6}}) {
    const SimPrinter& printer = sharedPrinter(c.scenario);
    installPPD(kQueue, kModelPPD);
    Finished result = bidiupdate({"-A", kQueue, printer.address()});
    EXPECT_EQ(result.status, kDone) << c.scenario;
    EXPECT_EQ(result.out + result.err, "");
    expectAcceptedByCups(kQueue);
    EXPECT_EQ(linesStartingWith(ppdOf(kQueue), "*PageSize ").size(), c.sizes + c.media)
        << c.scenario;
    EXPECT_EQ(readFile(catalogFile(kQueue)).size(), c.media * 1488) << c.scenario;
  }
}

// Under -A every update runs whatever the one before returned: the result
// equals the single updates run one after the other, and the exit status is
// that of the last update.
TEST_F(BidiupdateProcessTest, AllUpdatesChainLikeTheSingleUpdates) {
  struct Case {
    std::string scenario;
    int media, color, options, all;
  };
  const std::vector<Case> cases = {
      {"trays-finishers-a", kNoMedia, kDone, kDone, kDone},
      {"media-trays-b", kDone, kNoColorProfile, kDone, kDone},
      {"media-trays-none", kDone, kNoColorProfile, kNoOptions, kNoOptions},
      {"media-trays-b-no-input", kDone, kNoColorProfile, kNoTrays, kNoTrays},
  };
  const std::string single = "Single";
  for (const Case& c : cases) {
    const SimPrinter& printer = sharedPrinter(c.scenario);
    const std::string host = printer.address();
    installPPD(kQueue, kModelPPD);
    installPPD(single, kModelPPD);
    const std::string& label = c.scenario;
    const char* all = &c == &cases.front() ? "-a" : "-A";
    EXPECT_EQ(bidiupdate({all, kQueue, host}).status, c.all) << label;
    EXPECT_EQ(bidiupdate({"-M", single, host}).status, c.media) << label;
    EXPECT_EQ(bidiupdate({"-c", single, host}).status, c.color) << label;
    EXPECT_EQ(bidiupdate({"-o", single, host}).status, c.options) << label;
    EXPECT_EQ(ppdOf(kQueue), ppdOf(single)) << label;
    expectAcceptedByCups(kQueue);
  }
}

TEST_F(BidiupdateProcessTest, NoInstallableOptionsLeaveTheTraysAlone) {
  const SimPrinter& printer = sharedPrinter("trays-finishers-none");
  installPPD(kQueue, kModelPPD);
  EXPECT_EQ(bidiupdate({"-O", kQueue, printer.address()}).status, kNoOptions);
  EXPECT_EQ(linesStartingWith(ppdOf(kQueue), "*InputSlot"),
            linesStartingWith(readFile(sourceFile(kModelPPD)), "*InputSlot"));
}

// When `line` is `before`, a status number and `after`, the text behind up
// to `end`; the number goes into `status`. Empty for other lines.
std::string describedStatus(const std::string& line, const std::string& before, const std::string& after,
                            char end, int* status) {
  if (line.rfind(before, 0) != 0) return "";
  std::size_t digits = line.find_first_not_of("0123456789", before.size());
  if (digits == before.size() || digits == std::string::npos) return "";
  if (line.compare(digits, after.size(), after) != 0) return "";
  *status = std::stoi(line.substr(before.size()));
  std::size_t start = digits + after.size();
  return line.substr(start, line.find(end, start) - start);
}

// The README's exit-status table and the refresh script's messages describe
// exactly the statuses 10 to 17, each in the words its name stands for.
TEST(ExitStatuses, ReadmeAndRefreshScriptDescribeEveryStatus) {
  std::map<int, std::string> readme;
  std::map<int, std::string> script;
  int status = 0;
  for (const std::string& line : linesOf(readFile(sourceFile("README.md")))) {
    std::string words = describedStatus(line, "| ", " | ", '|', &status);
    if (!words.empty()) readme[status] = words;
  }
  for (const std::string& line : linesOf(readFile(sourceFile("bidi/refresh/tavorinex-refresh")))) {
    std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    std::string words = describedStatus(trimmed, "", ") echo \"", '"', &status);
    if (!words.empty()) script[status] = words;
  }
  ASSERT_EQ(readme.size(), tvx::bidi::kExitWords.size());
  ASSERT_EQ(script.size(), tvx::bidi::kExitWords.size());
  int expected = tvx::bidi::kDone;
  for (const auto& [update, code, words] : tvx::bidi::kExitWords) {
    EXPECT_EQ(code, expected++);
    EXPECT_EQ(tvx::bidi::exitStatus(update), code);
    EXPECT_NE(readme[code].find(words), std::string::npos) << code << ": " << readme[code];
    EXPECT_NE(script[code].find(words), std::string::npos) << code << ": " << script[code];
  }
  EXPECT_EQ(expected - 1, tvx::bidi::kNoColorProfile);
}

}  // namespace
}  // namespace tvx::test
