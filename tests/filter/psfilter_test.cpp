// psfilter's jobs: whole jobs in, whole printer data out. What only the
// bytes show runs in this process; exit statuses, error lines, signals,
// spool files and kinds of output run psfilter as a process, the way CUPS
// runs it.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "mediacatalog/mediacatalog.h"
#include "tests/filter/jobrun.h"
#include "tests/mediacatalog/reportedmedia.h"
#include "tests/support/run.h"
#include "tests/support/testroot.h"

namespace tvx::test {
namespace {

const std::string kUel = "\x1b%-12345X";
const std::string kPjlTrailer = kUel + "@PJL EOJ\r\n" + kUel;
const std::string kLetterComment = "%%PSPageMedia: Tavorinex Letter 612 792 89 white plain\n";
const std::string kLetterCommand =
    "[{\n%%BeginFeature: *PageSize TavorinexLetter\n"
    "<< /PageSize [612 792] /ImagingBBox null /MediaWeight 89 /MediaColor (white) "
    "/MediaType (plain) >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";

std::string pjlHeader(const std::string& name, int copies = 0) {
  std::string header = kUel + "@PJL JOB NAME=\"" + name + "\"\r\n" +
                       "@PJL COMMENT Tavorinex Printer Drivers for Linux (Arc M750XLS), version "
                       "1.1.4\r\n";
  if (copies != 0) header += "@PJL SET QTY=" + std::to_string(copies) + "\r\n";
  return header + "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
}

std::string feature(const std::string& option, const std::string& key) {
  return "[{\n%%BeginFeature: *" + option + " " + key +
         "\n<< /Option 1 >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
}

std::string trayCommand(int tray) {
  std::string n = std::to_string(tray);
  return "[{\n%%BeginFeature: *InputSlot Tray" + n + "\n<< /MediaPosition " + n +
         " >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
}

std::string prolog(const std::string& features) {
  return "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%BeginProlog\n%%EndProlog\n"
         "%%BeginSetup\n" +
         features + "%%EndSetup\n";
}

const std::string kJobTrailer = "%%Trailer\n%%Pages: 3\n%%EOF\n";

// One page of a job: its "%%Page:" line, comment lines, an own set-up or
// none, and its body.
struct Page {
  int number;
  bool ownSetup;
  std::string body;
  std::string comments = "%%PageBoundingBox: 0 0 612 792\n";

  std::string line() const {
    return "%%Page: " + std::to_string(number) + " " + std::to_string(number) + "\n";
  }
  std::string setup() const { return ownSetup ? "%%BeginPageSetup\n/pg 1 def\n%%EndPageSetup\n" : ""; }
  std::string inJob() const { return line() + comments + setup() + body; }

  // The page as the printer receives it, with the media's texts.
  std::string edited(const std::string& comment, const std::string& command,
                     const std::string& tray = "") const {
    if (ownSetup) {
      return line() + comment + comments + "%%EndPageComments\n%%BeginPageSetup\n" + command +
             tray + "/pg 1 def\n%%EndPageSetup\n" + body;
    }
    return line() + comment + "%%EndPageComments\n%%BeginPageSetup\n" + command + tray +
           "%%EndPageSetup\n" + comments + body;
  }
};

std::string bodyText(int page, size_t size) {
  std::string body = "% page " + std::to_string(page) + "\n";
  while (body.size() + 40 < size) body += "0 0 moveto 72 72 lineto stroke % .....\n";
  return body + "showpage\n";
}

std::string jobOf(const std::string& features, const std::vector<Page>& pages) {
  std::string job = prolog(features);
  for (const Page& page : pages) job += page.inJob();
  return job + kJobTrailer;
}

std::string letterOutput(const std::string& features, const std::vector<Page>& pages,
                         const std::string& tray = "") {
  std::string out = prolog(features);
  for (const Page& page : pages) out += page.edited(kLetterComment, kLetterCommand, tray);
  return out + kJobTrailer;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Standard error of a failed job: the "ERROR:" line that CUPS shows, then
// one "DEBUG:" line for CUPS's log holding every piece of `detail`.
void expectFailureLines(const std::string& err, const std::string& errorLine,
                        const std::vector<std::string>& detail) {
  std::size_t end = err.find('\n');
  ASSERT_NE(end, std::string::npos) << err;
  EXPECT_EQ(err.substr(0, end + 1), errorLine);
  std::string debug = err.substr(end + 1);
  EXPECT_TRUE(debug.starts_with("DEBUG: Tavorinex software: ")) << debug;
  EXPECT_EQ(debug.find('\n'), debug.size() - 1) << debug;
  for (const std::string& piece : detail) EXPECT_NE(debug.find(piece), std::string::npos) << debug;
}

// The page accounting lines of a job sent: one per page, with the copies
// the printer makes of it.
std::string pageLines(int pages, int copies) {
  std::string lines;
  for (int page = 1; page <= pages; ++page) {
    lines += "PAGE: " + std::to_string(page) + " " + std::to_string(copies) + "\n";
  }
  return lines;
}

class FilterTest : public JobRoot {
 protected:
  // A call for the queue Q (argument 0) on `job` read from standard input,
  // as CUPS passes it.
  Command callOn(const std::string& job, const std::string& title = "Report",
                 const std::string& copies = "1", const std::string& options = "") {
    std::string jobPath = root_ + "/job" + std::to_string(++jobs_) + ".ps";
    writeFile(jobPath, job);
    return {.argv = {"Q", "42", "alice", title, copies, options},
            .program = PSFILTER_PROGRAM,
            .environment = {"TMPDIR=" + spool_},
            .inputPath = jobPath};
  }

  Result run(Command call) {
    std::string id = std::to_string(++runs_);
    call.outputPath = call.outputPath.empty() ? root_ + "/out" + id : call.outputPath;
    call.errorPath = root_ + "/err" + id;
    Finished done = Process(call).wait();
    Result result;
    result.status = done.status;
    if (std::filesystem::is_regular_file(call.outputPath)) result.out = readFile(call.outputPath);
    result.err = readFile(call.errorPath);
    EXPECT_TRUE(folderEntries(spool_).empty()) << "spool file left behind";
    return result;
  }

  // Runs `job` for the queue Q in this process.
  Result filter(const std::string& job, const std::string& title = "Report",
                const std::string& copies = "1", const std::string& options = "") {
    JobRun inProcess = runJobInProcess(job, "Q", title, copies, options);
    EXPECT_TRUE(folderEntries(spool_).empty()) << "spool file left behind";
    return Result{inProcess.status, inProcess.out, ""};
  }

  int jobs_ = 0;
  int runs_ = 0;
};

TEST_F(FilterTest, EveryPageGetsTheMediaTextsInsideOrBeforeItsOwnSetUp) {
  std::vector<Page> pages{{1, false, bodyText(1, 300)}, {2, true, bodyText(2, 300)},
                          {3, false, bodyText(3, 300)}};
  std::string features = feature("PageSize", "TavorinexLetter") + feature("Duplex", "None");
  Result result = run(callOn(jobOf(features, pages)));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput(feature("Duplex", "None"), pages) +
                            kPjlTrailer);
  EXPECT_EQ(result.err, pageLines(3, 1));
}

// Short pages (a short page without set-up followed by one with its own),
// and pages whose markers straddle the window's refills.
TEST_F(FilterTest, ShortAndLongPagesAllGetTheirOwnTexts) {
  std::vector<Page> pages;
  const size_t sizes[] = {20, 30, 2100, 15, 1030, 4000, 25, 1500, 40, 2047, 10, 3000};
  for (int i = 0; i < 60; ++i) {
    pages.push_back({i + 1, i % 3 == 1, bodyText(i + 1, sizes[i % std::size(sizes)]), ""});
  }
  std::string features = feature("PageSize", "TavorinexLetter");
  Result result = filter(jobOf(features, pages));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput("", pages) + kPjlTrailer);
}

TEST_F(FilterTest, PageRegionWithNumberedInputSlotAddsTheTrayCommandToEveryPage) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  std::string slot = feature("InputSlot", "Tray2");
  Result result = filter(jobOf(feature("PageRegion", "TavorinexLetter") + slot, pages));
  EXPECT_EQ(result.out,
            pjlHeader("Report") + letterOutput(slot, pages, trayCommand(2)) + kPjlTrailer);
}

// Each job carries its own state: a tray or copy count of one job never
// reaches the next one run in the same process.
TEST_F(FilterTest, JobsRunOneAfterAnotherKeepNothingOfEachOther) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  std::string slot = feature("InputSlot", "Tray3");
  std::string region = feature("PageRegion", "TavorinexLetter");
  Result first = filter(jobOf(region + slot, pages), "First", "4");
  EXPECT_EQ(first.out,
            pjlHeader("First", 4) + letterOutput(slot, pages, trayCommand(3)) + kPjlTrailer);
  Result second = filter(jobOf(region, pages), "Second");
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out, pjlHeader("Second") + letterOutput("", pages) + kPjlTrailer);
  EXPECT_EQ(inputPSStream, nullptr);
}

// A job run in the process neither reads nor moves the process-wide
// streams and spool file that callers of the primitives keep beside it.
TEST_F(FilterTest, JobLeavesTheProcessWideStreamsAndSpoolAlone) {
  ASSERT_EQ(openTempPSStreamFileForWriting(), 0);
  writeLineToTempPSStream("held by the caller\n");
  FILE* callerSpool = tempPSStream;
  std::string callerInput = root_ + "/caller.ps";
  writeFile(callerInput, "%%Page: 1 1\n");
  inputPSStream = std::fopen(callerInput.c_str(), "rb");
  std::vector<Page> pages{{1, true, "showpage\n"}};
  Result result = filter(jobOf(feature("PageSize", "TavorinexLetter"), pages));
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput("", pages) + kPjlTrailer);
  EXPECT_EQ(tempPSStream, callerSpool);
  EXPECT_EQ(tempPSStreamFile(), callerSpool);
  EXPECT_EQ(std::fgetc(inputPSStream), '%');
  std::fclose(inputPSStream);
  inputPSStream = nullptr;
  ASSERT_EQ(reopenTempPSStreamForReading(), 0);
  std::string held;
  for (int c; (c = std::fgetc(tempPSStream)) != EOF;) held.push_back(static_cast<char>(c));
  EXPECT_EQ(held, "held by the caller\n");
  closeTempPSStreamFile();
  EXPECT_EQ(tempPSStream, nullptr);
}

TEST_F(FilterTest, InputSlotWithoutTrayDigitGetsNoTrayCommand) {
  std::vector<Page> pages{{1, false, "showpage\n"}};
  for (const std::string key : {"Auto", "TrayX", "Tray", "Tray12345678"}) {
    std::string slot = feature("InputSlot", key);
    Result result = filter(jobOf(feature("PageRegion", "TavorinexLetter") + slot, pages));
    EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput(slot, pages) + kPjlTrailer) << key;
  }
}

TEST_F(FilterTest, PageRegionWithoutInputSlotStillGivesEveryPageItsTexts) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  Result result = filter(jobOf(feature("PageRegion", "TavorinexLetter"), pages));
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput("", pages) + kPjlTrailer);
}

// CUPS's pstops writes a page size feature and the input slot feature, in
// the PPD's order, unless the PPD requires a page region.
TEST_F(FilterTest, InputSlotBesidePageSizeGivesTheTrayCommandAndTray0None) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  std::string size = feature("PageSize", "TavorinexLetter");
  for (int tray : {0, 2, 7}) {
    std::string slot = feature("InputSlot", "Tray" + std::to_string(tray));
    std::string tail = tray == 0 ? "" : trayCommand(tray);
    EXPECT_EQ(filter(jobOf(size + slot, pages)).out,
              pjlHeader("Report") + letterOutput(slot, pages, tail) + kPjlTrailer) << tray;
    EXPECT_EQ(filter(jobOf(slot + size, pages)).out,
              pjlHeader("Report") + letterOutput(slot, pages, tail) + kPjlTrailer) << tray;
  }
}

// DSC comments count only at a line start and outside embedded documents:
// a listing that shows them, and an embedded EPS with pages and features of
// its own, pass untouched, and so do page size features that are not the
// job's own.
TEST_F(FilterTest, DscCommentsInsideStringsAndEmbeddedDocumentsPassUntouched) {
  const std::string listing =
      "(line 1: %%Page: 1 1) show\n(line 2: [{ %%BeginFeature: *PageSize A4) show\n"
      "  %%Page: 2 2\n";
  const std::string inner =
      "%%BeginDocument: inner.eps\n%!PS-Adobe-3.0 EPSF-3.0\n%%Page: 1 1\n%%EndDocument\n";
  const std::string figure = "%%BeginDocument: figure.eps\n%!PS-Adobe-3.0 EPSF-3.0\n" +
                             feature("PageSize", "TavorinexA4") +
                             "%%Page: 1 1\n%%BeginPageSetup\n%%EndPageSetup\n" + inner +
                             "%%Page: 2 2\n0 0 moveto\n%%EndDocument\nshowpage\n";
  std::vector<Page> pages{{1, false, listing + "showpage\n"}, {2, false, figure},
                          {3, true, "showpage\n"}};
  pages[1].comments = "";
  std::string embeddedSetup = "%%BeginDocument: setup.eps\n" + feature("PageSize", "TavorinexA4") +
                              feature("InputSlot", "Tray5") + "%%EndDocument\n";
  std::string ownSize = feature("PageSize", "TavorinexLetter");
  Result result = filter(jobOf(embeddedSetup + ownSize, pages));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput(embeddedSetup, pages) + kPjlTrailer);
  // Window-sized bodies put the embedded lines across refills.
  for (std::size_t pad : {1000u, 2030u, 2047u, 4090u}) {
    std::vector<Page> padded = pages;
    padded[1].body = bodyText(2, pad) + figure;
    Result again = filter(jobOf(ownSize, padded));
    EXPECT_EQ(again.out, pjlHeader("Report") + letterOutput("", padded) + kPjlTrailer) << pad;
  }
}

TEST_F(FilterTest, JobWithoutPageSizeFeaturePassesWithItsPjlWrapperOnly) {
  std::vector<Page> pages{{1, false, "showpage\n"}};
  std::string job = jobOf(feature("Duplex", "None"), pages);
  EXPECT_EQ(filter(job).out, pjlHeader("Report") + job + kPjlTrailer);
  EXPECT_EQ(filter("").out, pjlHeader("Report") + kPjlTrailer);
}

TEST_F(FilterTest, PageSizeNotInTheCatalogStaysInTheJobAndNoPageIsTouched) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  for (const std::string& key : {std::string("Tavorinexletter"), std::string(31, 'K'), std::string(300, 'K')}) {
    std::string features = feature("PageSize", key) + feature("InputSlot", "Tray2");
    Result result = filter(jobOf(features, pages));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, pjlHeader("Report") + jobOf(features, pages) + kPjlTrailer) << key.size();
  }
}

TEST_F(FilterTest, PageSizeFeatureWithoutEndStaysAndTheJobIsKept) {
  std::vector<Page> pages{{1, false, bodyText(1, 3000)}, {2, true, "showpage\n"}};
  std::string open = "[{\n%%BeginFeature: *PageSize TavorinexLetter\n";
  Result result = filter(jobOf(open, pages));
  EXPECT_EQ(result.out, pjlHeader("Report") + letterOutput(open, pages) + kPjlTrailer);
}

TEST_F(FilterTest, QueueNameSelectsTheCatalogAndNeverLeavesItsFolder) {
  {
    CMediaCatalog catalog("Gloss");
    catalog.DeleteAllMedias();
    catalog.AddMedia(reportedMedia("Gloss Blue", 842000, 595276, "Coat 2", "blue", 250).release());
    ASSERT_TRUE(catalog.SaveMedia());
  }
  std::vector<Page> pages{{1, false, "showpage\n"}};
  std::string job = jobOf(feature("PageSize", "GlossBlue"), pages);
  Command call = callOn(job);
  call.argv[0] = "Gloss";
  std::string comment = "%%PSPageMedia: Gloss Blue 595 842 250 blue coated2\n";
  std::string command =
      "[{\n%%BeginFeature: *PageSize GlossBlue\n<< /PageSize [595 842] /ImagingBBox null "
      "/MediaWeight 250 /MediaColor (blue) /MediaType (coated2) /LeadingEdge 0 >> "
      "setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
  EXPECT_EQ(run(call).out, pjlHeader("Report") + prolog("") + pages[0].edited(comment, command) +
                               kJobTrailer + kPjlTrailer);
  for (const std::string queue : {"Q", "../Tavorinex/Gloss", "/abs/Gloss"}) {
    call.argv[0] = queue;
    EXPECT_EQ(run(call).out, pjlHeader("Report") + job + kPjlTrailer) << queue;
  }
}

// How often `text` occurs in `in`.
std::size_t occurrences(const std::string& in, const std::string& text) {
  std::size_t count = 0;
  for (std::size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + 1)) ++count;
  return count;
}

const std::string kA4Comment = "%%PSPageMedia: Tavorinex A4 595 842 89 white plain\n";
const std::string kA4Command =
    "[{\n%%BeginFeature: *PageSize TavorinexA4\n"
    "<< /PageSize [595 842] /ImagingBBox null /MediaWeight 89 /MediaColor (white) "
    "/MediaType (plain) >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";

// A page that chooses its own media (a tab divider, a cover) gets that
// media's comment and set-up once, in place of the job's: with its feature
// inside its set-up, or behind the set-up that CUPS's pstops closes before
// the document's own set-up lines. A media the catalog lacks keeps the
// page's feature and gets no texts of the job's media.
TEST_F(FilterTest, PageWithItsOwnPageSizeGetsThatMediaOnce) {
  const std::string body = "showpage\n";
  const std::string bounds = "%%PageBoundingBox: 0 0 612 792\n";
  const std::string divider = "%%Page: 2 2\n" + bounds;
  struct Case {
    std::string page, edited;
  } cases[] = {
      {divider + "%%BeginPageSetup\n" + feature("PageSize", "TavorinexA4") +
           "/pg 1 def\n%%EndPageSetup\n" + body,
       "%%Page: 2 2\n" + kA4Comment + bounds + "%%EndPageComments\n%%BeginPageSetup\n" +
           kA4Command + "/pg 1 def\n%%EndPageSetup\n" + body},
      {divider + "%%BeginPageSetup\n%%EndPageSetup\n" + feature("PageRegion", "TavorinexA4") +
           feature("InputSlot", "Tray3") + "%%EndPageSetup\n" + body,
       "%%Page: 2 2\n" + kA4Comment + bounds + "%%EndPageComments\n%%BeginPageSetup\n" +
           kA4Command + trayCommand(3) + "%%EndPageSetup\n" + feature("InputSlot", "Tray3") +
           "%%EndPageSetup\n" + body},
      {divider + "%%BeginPageSetup\n" + feature("PageSize", "Tab") + "%%EndPageSetup\n" + body,
       divider + "%%BeginPageSetup\n" + feature("PageSize", "Tab") + "%%EndPageSetup\n" + body},
      // The page size feature wins over a page region feature ahead of it,
      // and the input slot ahead of both gives the tray.
      {divider + "%%BeginPageSetup\n" + feature("InputSlot", "Tray3") +
           feature("PageRegion", "TavorinexLetter") + feature("PageSize", "TavorinexA4") +
           "%%EndPageSetup\n" + body,
       "%%Page: 2 2\n" + kA4Comment + bounds + "%%EndPageComments\n%%BeginPageSetup\n" +
           kA4Command + trayCommand(3) + feature("InputSlot", "Tray3") +
           feature("PageRegion", "TavorinexLetter") + "%%EndPageSetup\n" + body},
      // A feature that does not end inside the set-up is not the page's.
      {divider + "%%BeginPageSetup\n[{\n%%BeginFeature: *PageSize TavorinexA4\n%%EndPageSetup\n" +
           "%%EndFeature\n" + body,
       "%%Page: 2 2\n" + kLetterComment + bounds + "%%EndPageComments\n%%BeginPageSetup\n" +
           kLetterCommand + "[{\n%%BeginFeature: *PageSize TavorinexA4\n%%EndPageSetup\n" +
           "%%EndFeature\n" + body},
  };
  Page first{1, false, body};
  Page last{3, true, body};
  std::string features = feature("PageSize", "TavorinexLetter");
  for (const Case& c : cases) {
    std::string job = prolog(features) + first.inJob() + c.page + last.inJob() + kJobTrailer;
    Result result = filter(job);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, pjlHeader("Report") + prolog("") +
                              first.edited(kLetterComment, kLetterCommand) + c.edited +
                              last.edited(kLetterComment, kLetterCommand) + kJobTrailer +
                              kPjlTrailer);
  }
}

// The printer's media in its order: two of A4 size, one of Letter, one more of A4.
void saveMediaOfOneSize(const char* queue) {
  CMediaCatalog catalog(queue);
  catalog.DeleteAllMedias();
  for (auto [name, width, length] : {std::tuple{"Plain A4", 595276, 842000},
                                     {"Recycled A4", 595000, 842000},
                                     {"Plain Letter", 612000, 792000},
                                     {"Yellow A4", 842000, 595276}}) {
    catalog.AddMedia(
        reportedMedia(name, static_cast<unsigned long>(width), static_cast<unsigned long>(length)).release());
  }
  ASSERT_TRUE(catalog.SaveMedia());
}

// A job that names only a size (the PPD's size choice, which CUPS gives a
// request for "A4") prints on the queue's default media when that has the
// size, else on the printer's first media of that size. A key that names
// no media gets one warning for the job, however many pages name it.
TEST_F(FilterTest, SizeChoicePrintsOnTheDefaultMediaOfThatSizeElseTheFirst) {
  saveMediaOfOneSize("Sized");
  const std::string ppd = root_ + "/Sized.ppd";
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "showpage\n"}};
  for (auto [defaultKey, media] : {std::pair{"RecycledA4", "Recycled A4"},
                                   {"YellowA4", "Yellow A4"},
                                   {"PlainLetter", "Plain A4"},
                                   {"A4", "Plain A4"}}) {
    writeFile(ppd, std::string("*PPD-Adobe: \"4.3\"\n*DefaultPageSize: ") + defaultKey + "\n");
    Command call = callOn(jobOf(feature("PageSize", "A4"), pages));
    call.argv[0] = "Sized";
    call.environment.push_back("PPD=" + ppd);
    Result result = run(call);
    EXPECT_EQ(result.err, pageLines(2, 1)) << defaultKey;
    std::string comment = std::string("\n%%PSPageMedia: ") + media + " 595 842 ";
    EXPECT_EQ(occurrences(result.out, comment), 2u) << defaultKey << "\n" << result.out;
    EXPECT_EQ(occurrences(result.out, "%%BeginFeature: *PageSize "), 2u) << defaultKey;
  }
  std::string unknownPage = "%%Page: 2 2\n%%BeginPageSetup\n" + feature("PageSize", "Tab") +
                            "%%EndPageSetup\nshowpage\n";
  Command call = callOn(prolog(feature("PageSize", "Tab")) + pages[0].inJob() + unknownPage +
                           kJobTrailer);
  call.argv[0] = "Sized";
  Result result = run(call);
  EXPECT_EQ(result.err,
            "WARNING: Tavorinex software: pages get no media set-up: page size Tab is not in the "
            "media catalog " + root_ + "//usr//bin//Tavorinex//Sized\n" + pageLines(2, 1));
}

TEST_F(FilterTest, QueueWithoutCatalogWarnsOnce) {
  std::vector<Page> pages{{1, false, "showpage\n"}};
  Command call = callOn(jobOf(feature("PageSize", "PlainA480"), pages));
  call.argv[0] = "Uncatalogued";
  Result result = run(call);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "WARNING: Tavorinex software: pages get no media set-up: the queue has no media "
            "catalog (" + root_ + "//usr//bin//Tavorinex//Uncatalogued)\n" + pageLines(1, 1));
}

// A header of 80 font resource lines, then `rest`.
std::string longHeader(const std::string& rest, const std::string& lineEnd = "\n") {
  std::string header = "%!PS-Adobe-3.0" + lineEnd + "%%DocumentNeededResources: font Courier" + lineEnd;
  for (int i = 0; i < 80; ++i) header += "%%+ font TavorinexSerif-Number" + std::to_string(i) + lineEnd;
  return header + rest;
}

TEST_F(FilterTest, CopyCountInThePjlHeader) {
  const std::string job = jobOf("", {{1, false, "showpage\n"}});
  // A job whose copies CUPS has made already carries them itself.
  const std::string copiedByCups = "%!PS-Adobe-3.0\n%%Requirements: numcopies(3)\n"
                                   "%RBINumCopies: 3\n%%EndComments\nshowpage\n";
  struct Case {
    std::string copies, options, job;
    int expected;
  } cases[] = {
      {"3", "finishings=3 number-up=1", job, 3},
      {"5", "multiple-document-handling=separate-documents-uncollated-copies", job, 0},
      {"1", "", job, 0},
      {"abc", "", job, 0},
      {"12x", "", job, 12},
      {"99999999999999999999", "", job, 0},
      {"3", "collate", copiedByCups, 0},
      // The mark counts anywhere in the header comments, however long, and
      // nowhere else.
      {"3", "", longHeader("%RBINumCopies: 3\n%%EndComments\n"), 0},
      {"3", "", longHeader("%RBINumCopies: 3\r\n%%EndComments\r\n", "\r\n"), 0},
      {"3", "", longHeader("%%EndComments\n%RBINumCopies: 3\n"), 3},
      {"3", "", longHeader("showpage\n%RBINumCopies: 3\n"), 3},
      {"3", "", "%!PS-Adobe-3.0\n\n%RBINumCopies: 3\n", 3},
      {"3", "", longHeader(""), 3},
  };
  for (const Case& c : cases) {
    Result result = filter(c.job, "Report", c.copies, c.options);
    EXPECT_EQ(result.out, pjlHeader("Report", c.expected) + c.job + kPjlTrailer)
        << c.copies << " " << c.options;
  }
}

// CUPS counts pages (page_log, job-impressions-completed, quotas) only from
// the filter's "PAGE:" lines, as CUPS's pstops would write them for the same
// job: the pages sent, each with the copies the printer makes of it.
TEST_F(FilterTest, PageLinesCountThePagesSentAndTheCopiesThePrinterMakes) {
  std::vector<Page> pages{{1, false, "showpage\n"}, {2, true, "(%%Page: 9 9) show\n  %%Page: 8 8\n"},
                          {3, false, "%%BeginDocument: a.eps\n%%Page: 1 1\n%%EndDocument\n"}};
  const std::string job = jobOf(feature("PageSize", "TavorinexLetter"), pages);
  // pstops's copies: NumCopies with the mark's count, or pages it repeated
  // itself (9 pages for 3 copies) with a mark of 1.
  const std::string numCopies = "%!PS-Adobe-3.0\n%%Requirements: numcopies(3) collate\n"
                                "%RBINumCopies: 3\n%%EndComments\n" +
                                jobOf("", pages).substr(std::strlen("%!PS-Adobe-3.0\n"));
  std::string repeated = "%!PS-Adobe-3.0\n%RBINumCopies: 1\n%%EndComments\n";
  for (int page = 1; page <= 9; ++page) repeated += Page{page, page % 2 == 0, "showpage\n"}.inJob();
  // The mark past the window, and its count just past the window's end.
  const std::string longMarked = longHeader("%RBINumCopies: 4\n%%EndComments\n") + "%%Page: 1 1\n";
  std::string cutMark = "%!PS-Adobe-3.0\n%%Title: ";
  std::size_t title = kPSWindowSize - cutMark.size() - 1 - std::strlen("%RBINumCopies: 1");
  cutMark += std::string(title, 't') + "\n%RBINumCopies: 12\n%%EndComments\n%%Page: 1 1\n%%Page: 2 2\n";
  struct Case {
    std::string job, copies, options, lines;
  } cases[] = {
      {job, "1", "", pageLines(3, 1)},
      {job, "3", "", pageLines(3, 3)},
      {job, "2", "multiple-document-handling=separate-documents-uncollated-copies", pageLines(3, 1)},
      {numCopies, "3", "collate", pageLines(3, 3)},
      {repeated, "3", "collate", pageLines(9, 1)},
      {longMarked, "4", "", pageLines(1, 4)},
      {cutMark, "12", "", pageLines(2, 12)},
      {"%!PS\nshowpage\n", "2", "", ""},
  };
  for (const Case& c : cases) {
    Result result = run(callOn(c.job, "Report", c.copies, c.options));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, c.lines) << c.copies << " " << c.options << "\n" << c.job.substr(0, 80);
  }
}

TEST_F(FilterTest, JobTitleCannotInjectPjlAndIsCutToTheLine) {
  const std::string job = "%!PS\nshowpage\n";
  Result result = filter(job, "Q3 \"report\"\r\n@PJL SET COPIES=99\x1b%-12345X\x7f");
  EXPECT_EQ(result.out, pjlHeader("Q3 'report'  @PJL SET COPIES=99 %-12345X ") + job +
                            kPjlTrailer);
  EXPECT_EQ(filter(job, "x\" START=999 PASSWORD=1 DISPLAY=\"y").out,
            pjlHeader("x' START=999 PASSWORD=1 DISPLAY='y") + job + kPjlTrailer);
  EXPECT_EQ(filter(job, std::string(300, 't')).out,
            pjlHeader(std::string(236, 't')) + job + kPjlTrailer);
  // A UTF-8 character is never split by the cut.
  EXPECT_EQ(filter(job, std::string(235, 't') + "\xc3\xa9xyz").out,
            pjlHeader(std::string(235, 't')) + job + kPjlTrailer);
}

TEST_F(FilterTest, FailuresReachCupsAsErrorLinesWithNothingSent) {
  Command missing = callOn("");
  missing.argv.push_back(root_ + "/no-such-job.ps");
  Result result = run(missing);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out, "");
  expectFailureLines(result.err,
                     "ERROR: Tavorinex software Print file cannot be opened - " + root_ +
                         "/no-such-job.ps\n",
                     {root_ + "/no-such-job.ps", std::strerror(ENOENT)});

  Command shortCall = callOn("%!PS\n");
  shortCall.argv.resize(5);
  result = run(shortCall);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "Usage: psfilter job-id user title copies options [file]\n");

  Command unreadable = callOn("");
  unreadable.argv.push_back(root_);  // a folder opens but cannot be read
  result = run(unreadable);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out, "");
  expectFailureLines(result.err, "ERROR: Tavorinex software - Print file cannot be read\n", {});

  Command noSpool = callOn("%!PS\n");
  noSpool.environment = {"TMPDIR=" + root_ + "/missing"};
  result = run(noSpool);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out, "");
  expectFailureLines(result.err, "ERROR: Tavorinex software - Temporary file cannot be opened\n",
                     {root_ + "/missing/", std::strerror(ENOENT)});
}

TEST_F(FilterTest, FullSpoolDiskFailsTheJobInsteadOfSendingItTruncated) {
  Command call = callOn(jobOf("", {{1, false, bodyText(1, 300000)}}));
  call.fileSizeLimit = 100000;
  Result result = run(call);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out, "");
  expectFailureLines(result.err, "ERROR: Tavorinex software - Temporary file cannot be written\n",
                     {std::strerror(EFBIG)});
}

// /dev/full, and an output file opened for appending that reaches its size
// limit; neither takes bytes from the kernel's copy, so both go through the
// buffer.
TEST_F(FilterTest, FullOutputIsReportedAsFailure) {
  Command call = callOn(jobOf("", {{1, false, bodyText(1, 300000)}}));
  call.outputPath = "/dev/full";
  Result result = run(call);
  EXPECT_EQ(result.status, 5);
  expectFailureLines(result.err, "ERROR: Tavorinex software Temporary file cannot be read\n",
                     {std::strerror(ENOSPC)});

  call.outputPath = root_ + "/appended.prn";
  call.outputFlags = O_WRONLY | O_APPEND;
  writeFile(call.outputPath, std::string(200000, 'x'));
  call.fileSizeLimit = 400000;
  result = run(call);
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.out.size(), 400000u);
  expectFailureLines(result.err, "ERROR: Tavorinex software Temporary file cannot be read\n",
                     {std::strerror(EFBIG)});
}

// The printer data reaches every kind of standard output whole: a file, a
// pipe and a socket (sent by the kernel, a pipe or socket buffer at a time),
// a file opened for appending (which the kernel refuses to send to, so the
// bytes go through a buffer and the file keeps what it held), /dev/null.
TEST_F(FilterTest, PrinterDataReachesEveryKindOfOutputWhole) {
  std::vector<Page> pages;
  for (int p = 0; p < 300; ++p) pages.push_back({p + 1, p % 2 == 0, bodyText(p, 4000)});
  std::string features = feature("PageSize", "TavorinexLetter");
  std::string job = jobOf(features, pages);
  std::string printed = pjlHeader("Report") + letterOutput("", pages) + kPjlTrailer;

  EXPECT_EQ(run(callOn(job)).out, printed);

  Command appended = callOn(job);
  appended.outputPath = root_ + "/appended.prn";
  appended.outputFlags = O_WRONLY | O_APPEND;
  writeFile(appended.outputPath, "earlier job\n");
  Result result = run(appended);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "earlier job\n" + printed);

  for (bool socket : {false, true}) {
    int ends[2];
    ASSERT_EQ(socket ? ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)
                     : ::pipe2(ends, O_CLOEXEC), 0);
    Command call = callOn(job);
    call.outputFd = ends[1];
    call.errorPath = root_ + "/stream.err";
    Process filter(call);
    ::close(ends[1]);
    std::string out;
    char block[4096];
    for (ssize_t n; (n = ::read(ends[0], block, sizeof block)) > 0;) out.append(block, n);
    ::close(ends[0]);
    EXPECT_EQ(filter.wait().status, 0) << socket;
    EXPECT_EQ(out, printed) << socket;
  }

  Command discarded = callOn(job);
  discarded.outputPath = "/dev/null";
  result = run(discarded);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, pageLines(300, 1));
}

// The spool has no name at any time, so neither a cancel (SIGTERM) nor a
// SIGKILL in the middle of a job can leave it behind.
TEST_F(FilterTest, CancelledOrKilledJobLeavesNoSpoolFile) {
  for (int signalNumber : {SIGTERM, SIGKILL}) {
    std::string fifo = root_ + "/stdin" + std::to_string(signalNumber);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Command call = callOn("");
    call.inputPath = fifo;
    call.outputPath = root_ + "/cancelled.out";
    call.errorPath = root_ + "/cancelled.err";
    Process filter(call);
    const pid_t pid = filter.pid();
    std::ofstream feed(fifo, std::ios::binary);
    feed << prolog(feature("PageSize", "TavorinexLetter")) << "%%Page: 1 1\n" << std::flush;
    // The spool is open once the filter has started the job; the filter
    // then waits for the rest of the job, which never comes.
    std::vector<std::string> entries;
    for (int tries = 0; tries < 30000 && filesOpenIn(pid, spool_, &entries).empty(); ++tries) {
      ::usleep(1000);
    }
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(filesOpenIn(pid, spool_).front().ends_with(" (deleted)"));
    EXPECT_TRUE(folderEntries(spool_).empty()) << "the spool has a name";
    struct stat st {};
    ASSERT_EQ(::stat(entries.front().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::kill(pid, signalNumber), 0);
    EXPECT_EQ(filter.wait().signal, signalNumber);
    EXPECT_TRUE(folderEntries(spool_).empty());
    EXPECT_EQ(readFile(call.outputPath), "");
  }
}

TEST_F(FilterTest, SixteenJobsAtOnceEachGiveWhatTheyGiveAlone) {
  constexpr int kJobs = 16;
  std::vector<Command> calls;
  std::vector<std::string> alone;
  for (int i = 0; i < kJobs; ++i) {
    std::vector<Page> pages;
    for (int p = 0; p < 40 + i; ++p) pages.push_back({p + 1, p % 2 == 0, bodyText(p, 500 + 97 * i)});
    std::string slot = feature("InputSlot", "Tray" + std::to_string(i % 8));
    std::string size = i % 2 == 0 ? "PageSize" : "PageRegion";
    calls.push_back(callOn(jobOf(feature(size, "TavorinexLetter") + slot, pages),
                           "job " + std::to_string(i), std::to_string(i + 1)));
    alone.push_back(run(calls.back()).out);
  }
  std::vector<Process> running;
  for (int i = 0; i < kJobs; ++i) {
    calls[i].outputPath = root_ + "/together" + std::to_string(i);
    calls[i].errorPath = root_ + "/together" + std::to_string(i) + ".err";
    running.emplace_back(calls[i]);
  }
  for (int i = 0; i < kJobs; ++i) {
    EXPECT_EQ(running[i].wait().status, 0) << i;
    EXPECT_EQ(readFile(calls[i].outputPath), alone[i]) << i;
  }
  EXPECT_TRUE(folderEntries(spool_).empty());
}

}  // namespace
}  // namespace tvx::test
