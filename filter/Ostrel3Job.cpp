#include "filter/Ostrel3Job.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

#include "common/psstream.h"
#include "filter/Ostrel3Header.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Pages.h"
#include "filter/Ostrel3Spool.h"
#include "filter/Ostrel3Trace.h"
#include "mediacatalog/mediacatalog.h"

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

// One media text, produced by the catalog's two-call protocol.
std::string mediaText(int (CMediaCatalog::*produce)(const CMedia*, char*), CMediaCatalog& catalog,
                      const CMedia* media) {
  int room = (catalog.*produce)(media, nullptr);
  if (room <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(room) + 1, '\0');
  if ((catalog.*produce)(media, text.data()) != 0) return {};
  return std::string(text.data());
}

// The media of the queue's catalog whose PPD key is `pageSizeKey`, with
// its texts; the comment stays empty when there is none.
PageTexts mediaTexts(const Job& job, const CatalogOf& catalogOf, const char* pageSizeKey) {
  PageTexts texts;
  CMediaCatalog* catalog = nullptr;
  const CMedia* media = nullptr;
  if (pageSizeKey[0] != '\0') {
    catalog = catalogOf(job.queue.c_str());
    media = catalog->GetMediaByPPDKey(pageSizeKey);
  }
  Trace(media != nullptr ? "MEDIA FOUND\n" : "Media NOT found\n");
  if (media == nullptr) return texts;
  texts.comment = mediaText(&CMediaCatalog::GetPSComment, *catalog, media);
  texts.command = mediaText(&CMediaCatalog::GetPSCommand, *catalog, media);
  return texts;
}

// Spools the job with its edits and sends it.
int spoolAndSend(Job& job, FILE* output, const CatalogOf& catalogOf) {
  PSWindow window;
  getBufferFromInputPSStream(window.text, &window.count);
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
  PageTexts texts;
  takePageSizeFeature(window, job.inputTray, [&](const char* pageSizeKey) {
    texts = mediaTexts(job, catalogOf, pageSizeKey);
    return !texts.comment.empty();
  });
  if (!texts.comment.empty() && job.inputTray != 0) {
    char trayCommand[kTrayCommandSize];
    getInputTrayCommand(job.inputTray, trayCommand);
    texts.trayCommand = trayCommand;
  }
  int pages = editPages(window, texts);
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
