#include "filter/Ostrel3Job.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include "common/psstream.h"
#include "filter/Ostrel3Header.h"
#include "filter/Ostrel3Media.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Pages.h"
#include "filter/Ostrel3Spool.h"
#include "filter/Ostrel3Trace.h"

namespace tvx::filter {

namespace {

constexpr int kFailure = 5;

// The job's streams for the primitives while it runs; the spool file is
// removed whichever way the job ends.
struct JobStreams {
  explicit JobStreams(FILE* input) { inputPSStream = input; }
  JobStreams(const JobStreams&) = delete;
  JobStreams& operator=(const JobStreams&) = delete;
  ~JobStreams() {
    closeTempPSStreamFile();
    inputPSStream = nullptr;
  }
};

// Spools the job with its edits and sends it.
int spoolAndSend(Job& job, FILE* output, const CatalogOf& catalogOf) {
  PSWindow window;
  window.fill();
  // CUPS's PostScript filter marks the header of every job whose copies it
  // has made itself (by NumCopies or by repeating the pages).
  std::optional<JobHeader> header = scanJobHeader(window);
  if (!header) {
    int error = errno;
    reportJobFailure(JobFailure::kTempFileNotOpened, "cannot create a holding file in",
                     spoolFolder(), error);
    return kFailure;
  }
  if (header->copiesMadeByCups > 0) job.copies = 0;
  // The printer makes the copies of CUPS's NumCopies or of the PJL header.
  int copiesOfEachPage = std::max({job.copies, header->copiesMadeByCups, 1});
  writeBeginningPJLToPSStream(job);
  if (!writeReadAhead(*header)) {
    int error = errno;
    TraceError("Temporary file cannot be read");
    reportJobFailure(JobFailure::kTempFileNotRead, "cannot read back the held header lines", {},
                     error);
    return kFailure;
  }
  // A page size the catalog lacks stays in the job: its PPD code still
  // selects the media, where the catalog's texts cannot.
  JobMedia media(job, catalogOf);
  PageTexts texts;
  takePageSizeFeature(window, job.inputTray, [&](const char* pageSizeKey) {
    texts = media.textsFor(pageSizeKey, 0);
    return !texts.comment.empty();
  });
  // The tray is known only once the whole set-up has been read.
  if (!texts.comment.empty()) texts.trayCommand = trayCommandFor(job.inputTray);
  int pages = editPages(window, texts, job.inputTray, [&](const char* pageSizeKey, int tray) {
    return media.textsFor(pageSizeKey, tray);
  });
  writeEndPJLToPSStream();
  if (std::ferror(inputPSStream)) {
    TraceError("Print file cannot be read");
    reportJobFailure(JobFailure::kPrintFileNotRead, "a read of the job failed", {}, 0);
    return kFailure;
  }
  int status = reopenTempPSStreamForReading();
  if (status == 0) status = sendTempPSStreamToPrinter(output);
  if (status == 0) {
    job.pagesSent = pages;
    job.copiesOfEachPage = copiesOfEachPage;
  }
  return status;
}

}  // namespace

int copyCount(std::string_view copies, std::string_view options) {
  if (options.find("uncollated") != std::string_view::npos) return 0;
  std::size_t digits = copies.find_first_not_of("0123456789");
  if (digits == std::string_view::npos) digits = copies.size();
  int value = 0;
  if (std::from_chars(copies.data(), copies.data() + digits, value).ec != std::errc{}) return 0;
  return value == 1 ? 0 : value;
}

int runJob(Job& job, FILE* input, FILE* output, const CatalogOf& catalogOf) {
  JobStreams streams(input);
  if (openTempPSStreamFileForWriting() != 0) return kFailure;
  return spoolAndSend(job, output, catalogOf);
}

}  // namespace tvx::filter
