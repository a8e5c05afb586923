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

// One job on its way from its input to the printer: it owns the spool file,
// the window that edits the job from the input into the spool, and the
// header lines held back; all of it is gone when the run is.
class JobRun {
 public:
  JobRun(const Job& job, FILE* input, const CatalogOf& catalogOf)
      : job_(job), media_(job, catalogOf), window_(input, nullptr) {}

  // Spools the job with its edits and sends it to `output`.
  JobResult run(FILE* output);

 private:
  // Edits the job into the spool; returns the pages.
  int spoolPages();

  const Job& job_;
  JobMedia media_;
  JobSpool spool_;
  PSWindow window_;
  std::optional<JobHeader> header_;
};

JobResult JobRun::run(FILE* output) {
  JobResult result;
  if (spool_.open() != 0) return result;
  window_.setOutput(spool_.stream());
  window_.fill();
  // CUPS's PostScript filter marks the header of every job whose copies it
  // has made itself (by NumCopies or by repeating the pages).
  header_ = scanJobHeader(window_);
  if (!header_) {
    int error = errno;
    reportJobFailure(JobFailure::kTempFileNotOpened, "cannot create a holding file in",
                     spoolFolder(), error);
    return result;
  }
  int copies = header_->copiesMadeByCups > 0 ? 0 : job_.copies;
  // The printer makes the copies of CUPS's NumCopies or of the PJL header.
  int copiesOfEachPage = std::max({copies, header_->copiesMadeByCups, 1});
  writePjlStart(window_, job_.title, copies);
  if (!writeReadAhead(*header_, window_)) {
    int error = errno;
    TraceError("Temporary file cannot be read");
    reportJobFailure(JobFailure::kTempFileNotRead, "cannot read back the held header lines", {},
                     error);
    return result;
  }
  int pages = spoolPages();
  writePjlEnd(window_);
  if (std::ferror(window_.input())) {
    TraceError("Print file cannot be read");
    reportJobFailure(JobFailure::kPrintFileNotRead, "a read of the job failed", {}, 0);
    return result;
  }
  result.status = spool_.rewindForReading();
  if (result.status == 0) result.status = sendSpool(spool_.stream(), output);
  if (result.status == 0) {
    result.pagesSent = pages;
    result.copiesOfEachPage = copiesOfEachPage;
  }
  return result;
}

int JobRun::spoolPages() {
  int inputTray = 0;
  // A page size the catalog lacks stays in the job: its PPD code still
  // selects the media, where the catalog's texts cannot.
  PageTexts texts;
  bool sizeNamed = false;
  takePageSizeFeature(window_, inputTray, [&](const char* pageSizeKey) {
    sizeNamed = true;
    texts = media_.textsFor(pageSizeKey, 0);
    return !texts.comment.empty();
  });
  if (!sizeNamed && !job_.media.empty()) texts = media_.textsFor(job_.media.c_str(), 0);
  // The tray is known only once the whole set-up has been read.
  if (!texts.comment.empty()) texts.trayCommand = trayCommandFor(inputTray);
  return editPages(window_, texts, inputTray, [&](const char* pageSizeKey, int tray) {
    return media_.textsFor(pageSizeKey, tray);
  });
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

JobResult runJob(const Job& job, FILE* input, FILE* output, const CatalogOf& catalogOf) {
  JobRun run(job, input, catalogOf);
  return run.run(output);
}

}  // namespace tvx::filter
