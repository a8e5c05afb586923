#include "filter/Ostrel3Main.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/printertext.h"
#include "common/psstream.h"
#include "filter/Ostrel3Header.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Pages.h"
#include "filter/Ostrel3Trace.h"
#include "mediacatalog/mediacatalog.h"

namespace {

constexpr int kFailure = 5;
constexpr int kJobArguments = 6;
constexpr int kJobFileArgument = 6;
// The window's buffer; the primitives use at most 2048 bytes and a terminator.
constexpr int kWindowBufferSize = 3072;
constexpr std::size_t kStreamBuffer = 64 * 1024;

struct FileCloser {
  void operator()(FILE* stream) const { std::fclose(stream); }
};
using JobFile = std::unique_ptr<FILE, FileCloser>;

// Removes the spool file whichever way the job ends.
struct SpoolGuard {
  SpoolGuard() = default;
  SpoolGuard(const SpoolGuard&) = delete;
  SpoolGuard& operator=(const SpoolGuard&) = delete;
  ~SpoolGuard() {
    closeTempPSStreamFile();
    inputPSStream = nullptr;
  }
};

// The job file (argument 6) or standard input becomes inputPSStream.
int openJobInput(int argc, const char** argv, JobFile& jobFile) {
  inputPSStream = stdin;
  if (argc > kJobFileArgument) {
    jobFile.reset(std::fopen(argv[kJobFileArgument], "rb"));
    inputPSStream = jobFile.get();
    if (inputPSStream == nullptr) {
      // One line for CUPS, whatever the name holds.
      std::string name = tvx::text::singleLine(argv[kJobFileArgument]);
      std::fprintf(stderr, "%s: %s %s - %s\n", "ERROR", "Tavorinex software",
                   "Print file cannot be opened", name.c_str());
      return kFailure;
    }
  }
  // glibc takes the size only with a buffer of the caller's.
  static char inputBuffer[kStreamBuffer];
  std::setvbuf(inputPSStream, inputBuffer, _IOFBF, sizeof inputBuffer);
  return 0;
}

// The PJL copy count: none for uncollated copies or a single copy, else the
// leading decimal digits of `copies` (none when there are none).
int copyCount(std::string_view copies, std::string_view options) {
  if (options.find("uncollated") != std::string_view::npos) return 0;
  std::size_t digits = copies.find_first_not_of("0123456789");
  if (digits == std::string_view::npos) digits = copies.size();
  int value = 0;
  if (std::from_chars(copies.data(), copies.data() + digits, value).ec != std::errc{}) return 0;
  return value == 1 ? 0 : value;
}

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
tvx::filter::PageTexts mediaTexts(const char* queue, const char* pageSizeKey) {
  tvx::filter::PageTexts texts;
  CMediaCatalog* catalog = nullptr;
  const CMedia* media = nullptr;
  if (pageSizeKey[0] != '\0') {
    catalog = CMediaCatalog::GetInstance(queue);
    media = catalog->GetMediaByPPDKey(pageSizeKey);
  }
  Trace(media != nullptr ? "MEDIA FOUND\n" : "Media NOT found\n");
  if (media == nullptr) return texts;
  texts.comment = mediaText(&CMediaCatalog::GetPSComment, *catalog, media);
  texts.command = mediaText(&CMediaCatalog::GetPSCommand, *catalog, media);
  return texts;
}

// Spools the job with its edits and sends it.
int runJob(const char* queue) {
  char window[kWindowBufferSize] = {};
  int count = 0;
  getBufferFromInputPSStream(window, &count);
  // CUPS's PostScript filter marks the header of every job whose copies it
  // has made itself (by NumCopies or by repeating the pages).
  std::optional<tvx::filter::JobHeader> header = tvx::filter::scanJobHeader(window, &count);
  if (!header) {
    reportJobFailure("Temporary file cannot be opened");
    return kFailure;
  }
  if (header->copiesMadeByCups) nrCollated = 0;
  writeBeginningPJLToPSStream();
  if (!tvx::filter::writeReadAhead(*header)) {
    TraceError("Temporary file cannot be read");
    reportJobFailure("Temporary file cannot be read");
    return kFailure;
  }
  // A page size the catalog lacks stays in the job: its PPD code still
  // selects the media, where the catalog's texts cannot.
  tvx::filter::PageTexts texts;
  tvx::filter::takePageSizeFeature(window, &count, [&](const char* pageSizeKey) {
    texts = mediaTexts(queue, pageSizeKey);
    return !texts.comment.empty();
  });
  if (!texts.comment.empty() && nrInputTray != 0) {
    char trayCommand[kTrayCommandSize];
    getInputTrayCommand(trayCommand);
    texts.trayCommand = trayCommand;
  }
  tvx::filter::editPages(window, &count, texts);
  writeEndPJLToPSStream();
  if (std::ferror(inputPSStream)) {
    TraceError("Print file cannot be read");
    reportJobFailure("Print file cannot be read");
    return kFailure;
  }
  int status = reopenTempPSStreamForReading();
  return status == 0 ? sendTempPSStreamToPrinter() : status;
}

}  // namespace

int initialize() {
  TraceProlog("initialize");
  TraceEpilog("initialize");
  return 0;
}

int Ostrel3Main(int argc, const char** argv) {
  nrInputTray = 0;
  openTraceFileForWriting();
  initialize();
  printCommandLineArguments(argc, argv);
  if (argc < kJobArguments) {
    std::fprintf(stderr, "Usage: psfilter job-id user title copies options [file]\n");
    return kFailure;
  }
  // A vanished reader is a failed write to report, not a reason to die.
  std::signal(SIGPIPE, SIG_IGN);
  SpoolGuard spoolGuard;
  JobFile jobFile;
  int status = openJobInput(argc, argv, jobFile);
  outputPSStream = stdout;
  if (status == 0) status = openTempPSStreamFileForWriting();
  jobName = argv[3];
  nrCollated = copyCount(argv[4], argv[5]);
  if (status != 0) return status;
  return runJob(argv[0]);
}
