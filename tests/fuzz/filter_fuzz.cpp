// Fuzzes the filter's job processing: a whole job in, printer data out.
//
// Input: the job title, the copies and the options on one line each, then
// the job's PostScript. The job runs in this process through the job driver
// that psfilter runs, against a catalog of the predefined media and two
// media from the printer. The printer data must keep its PJL frame; a job
// without a page size feature must pass unchanged, and no byte of the job
// other than its page size features (the job's own, and those of pages that
// choose their own media) may be lost or reordered.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "mediacatalog/mediacatalog.h"
#include "tests/filter/jobrun.h"
#include "tests/fuzz/fuzzsupport.h"
#include "tests/mediacatalog/reportedmedia.h"

namespace {

using tvx::fuzz::check;

constexpr const char* kQueue = "fuzzqueue";
constexpr std::string_view kUel = "\x1b%-12345X";
constexpr std::string_view kComment =
    "@PJL COMMENT Tavorinex Printer Drivers for Linux (Arc M750XLS), version 1.1.4\r\n";
constexpr std::string_view kEnter = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";

void addPrinterMedia(CMediaCatalog& catalog, const char* name, const char* type, const char* color,
                     int weight, unsigned long width, unsigned long length) {
  catalog.AddMedia(tvx::test::reportedMedia(name, width, length, type, color, weight).release());
}

// The queue's catalog: the predefined media, which the catalog writes when
// it has no file, and two media as the printer reports them.
CMediaCatalog* setUp() {
  static CMediaCatalog* const catalog = [] {
    tvx::fuzz::testRoot();
    CMediaCatalog* queueCatalog = CMediaCatalog::GetInstance(kQueue);
    addPrinterMedia(*queueCatalog, "Coat 2 (Glossy)", "Coat 2", "no color", -1, 842000, 595276);
    addPrinterMedia(*queueCatalog, "Tab\\Stock)", "Tabstock", "blue)", 142, 612000, 792000);
    check(queueCatalog->SaveMedia(), "cannot save the fuzz catalog");
    return queueCatalog;
  }();
  return catalog;
}

std::string_view nextLine(std::string_view& input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return line;
}

// A command-line argument from a line: it ends at a NUL byte.
std::string argument(std::string_view line) { return std::string(line.substr(0, line.find('\0'))); }

// Takes `prefix` off the front of `text`; false when it is not there.
bool consume(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Checks the PJL header and trailer around the job; returns the job part.
std::string_view checkFrame(std::string_view data, std::string_view options) {
  check(consume(data, kUel) && consume(data, "@PJL JOB NAME=\""), "the printer data lacks its header");
  const std::size_t nameEnd = data.find("\"\r\n");
  check(nameEnd != std::string_view::npos, "the job name line is not closed");
  for (unsigned char c : data.substr(0, nameEnd)) check(c >= 0x20 && c != 0x7F, "a control byte in the job name");
  data.remove_prefix(nameEnd + 3);
  check(consume(data, kComment), "the comment line is missing");
  if (consume(data, "@PJL SET QTY=")) {
    check(options.find("uncollated") == std::string_view::npos, "a copy count for uncollated copies");
    const std::size_t digits = data.find_first_not_of("0123456789");
    check(digits > 0 && digits != std::string_view::npos && data.substr(digits).starts_with("\r\n"),
          "a broken copy count line");
    check(data.substr(0, digits) != "1" && data.front() != '0', "a copy count of 1 or less");
    data.remove_prefix(digits + 2);
  }
  check(consume(data, kEnter), "the language switch is missing");
  const std::string trailer = std::string(kUel) + "@PJL EOJ\r\n" + std::string(kUel);
  check(data.ends_with(trailer), "the printer data lacks its trailer");
  data.remove_suffix(trailer.size());
  return data;
}

// True when `part` can be read from `whole` by leaving bytes out.
bool isSubsequence(std::string_view part, std::string_view whole) {
  std::size_t at = 0;
  for (char c : part) {
    at = whole.find(c, at);
    if (at == std::string_view::npos) return false;
    ++at;
  }
  return true;
}

// The job without the feature that starts at `start`: up to the
// "} stopped cleartomark" line behind the feature's "%%EndFeature". Where
// that end is not certain, the rest of the job counts as dropped.
std::string withoutFeature(std::string_view job, std::size_t start) {
  std::size_t end = job.find("%%EndFeature", start);
  for (int line = 0; line < 2 && end != std::string_view::npos; ++line) {
    end = job.find('\n', end);
    if (end != std::string_view::npos) ++end;
  }
  return std::string(job.substr(0, start)) + std::string(end == std::string_view::npos ? "" : job.substr(end));
}

constexpr std::string_view kFeatures[] = {"[{\n%%BeginFeature: *PageSize", "[{\n%%BeginFeature: *PageRegion"};

bool hasFeature(std::string_view job) {
  return std::any_of(std::begin(kFeatures), std::end(kFeatures),
                     [job](std::string_view marker) { return job.find(marker) != std::string_view::npos; });
}

// The job without any of its page size and page region features: the job's
// own and those of pages that choose their own media may be dropped.
std::string withoutFeatures(std::string job) {
  for (std::size_t at = job.rfind("[{\n%%BeginFeature: *Page"); at != std::string::npos;
       at = at == 0 ? std::string::npos : job.rfind("[{\n%%BeginFeature: *Page", at - 1)) {
    std::string_view rest = std::string_view(job).substr(at);
    if (std::any_of(std::begin(kFeatures), std::end(kFeatures),
                    [rest](std::string_view marker) { return rest.starts_with(marker); })) {
      job = withoutFeature(job, at);
    }
  }
  return job;
}

// Everything of the job but its page size (or page region) features is in
// the printer data, in order.
bool keepsTheJob(std::string_view job, std::string_view printed) {
  return isSubsequence(withoutFeatures(std::string(job)), printed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CMediaCatalog* catalog = setUp();
  std::string_view input = tvx::fuzz::asText(data, size);
  const std::string title = argument(nextLine(input));
  const std::string copies = argument(nextLine(input));
  const std::string options = argument(nextLine(input));
  const tvx::test::JobRun run =
      tvx::test::runJobInProcess(input, kQueue, title, copies, options, catalog);
  check(run.status == 0, "the job failed");
  const std::string& printerData = run.out;
  const std::string_view job = checkFrame(printerData, options);
  if (hasFeature(input)) {
    check(keepsTheJob(input, job), "bytes of the job were lost");
  } else {
    check(job == input, "a job without a page size feature was changed");
  }
  return 0;
}
