#include "filter/Ostrel3Reverse.h"

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "common/psstream.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Spool.h"
#include "filter/Ostrel3Stream.h"
#include "filter/Ostrel3Trace.h"

namespace {

using tvx::filter::SpoolFile;
using tvx::filter::writeBufferToTempPSStreamUntilGivenString;
using tvx::filter::writeBufferToTempPSStreamUntilGivenString_2;

constexpr int kFailed = 1;
constexpr char kPageMarker[] = "%%Page:";
constexpr char kTrailerLine[] = "%%Trailer\n";

using Window = tvx::PSWindow;

// Puts the primitives' streams back as they were.
struct StreamRestorer {
  FILE* input = inputPSStream;
  FILE* output = tempPSStream;
  StreamRestorer() = default;
  StreamRestorer(const StreamRestorer&) = delete;
  StreamRestorer& operator=(const StreamRestorer&) = delete;
  ~StreamRestorer() {
    inputPSStream = input;
    tempPSStream = output;
  }
};

// Ends the writing of `stream` and makes it read from its start; false when
// a write into it failed.
bool rewindForReading(FILE* stream) {
  if (std::fflush(stream) != 0 || std::ferror(stream)) return false;
  std::rewind(stream);
  return true;
}

// Phase 1: the document without its pages, the trailer's page count set.
// Returns the number of pages.
int writeSkeleton() {
  Window window;
  int pages = 0;
  bool found = writeBufferToTempPSStreamUntilGivenString(kPageMarker, window, 0) == 0;
  while (found) {
    found = writeBufferToTempPSStreamUntilGivenString_2(kPageMarker, kTrailerLine, window, 1) == 0;
    if (!found) break;
    if (window.held().starts_with(kTrailerLine)) found = false;
    else ++pages;
    window.takeLine(1);
  }
  writeLineToTempPSStream(kTrailerLine);
  writeBufferToTempPSStreamUntilGivenString("%%Pages:", window, 0);
  window.takeLine(1);
  char count[32];
  std::snprintf(count, sizeof count, "%%%%Pages: %d\n", pages);
  writeLineToTempPSStream(count);
  window.copyRest();
  return pages;
}

// Phase 2, one page: the assembled document with the source's next page
// inserted behind its "%%EndSetup" line, labelled `label`.
std::optional<SpoolFile> insertPage(FILE* assembled, FILE* source, Window& sourceWindow,
                                    int label, bool lastPage) {
  std::optional<SpoolFile> next = SpoolFile::create("pageStream");
  if (!next || !rewindForReading(assembled)) return std::nullopt;
  tempPSStream = next->stream();
  Window window;
  inputPSStream = assembled;
  writeBufferToTempPSStreamUntilGivenString("%%EndSetup\n", window, 0);
  window.takeHeldLine(0);
  char pageLine[64];
  std::snprintf(pageLine, sizeof pageLine, "%%%%Page: %d %d\n", label, label);
  writeLineToTempPSStream(pageLine);
  inputPSStream = source;
  sourceWindow.takeLine(1);
  writeBufferToTempPSStreamUntilGivenString(lastPage ? kTrailerLine : kPageMarker, sourceWindow, 0);
  inputPSStream = assembled;
  window.copyRest();
  if (std::ferror(assembled) || std::ferror(source)) return std::nullopt;
  return next;
}

// Replaces the contents of `target` by those of `source`.
bool copyBack(FILE* source, FILE* target) {
  if (!rewindForReading(source)) return false;
  std::rewind(target);
  std::vector<char> block(64 * 1024);
  std::size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), source)) > 0) {
    if (std::fwrite(block.data(), 1, got, target) != got) return false;
  }
  if (std::ferror(source) || std::fflush(target) != 0) return false;
  long size = std::ftell(target);
  return size >= 0 && ::ftruncate(::fileno(target), size) == 0;
}

}  // namespace

int ReversePageOrder() {
  tvx::log::Scope trace("ReversePageOrder", kTraceForm);
  StreamRestorer restorer;
  FILE* spool = tempPSStreamFile();
  std::optional<SpoolFile> assembled = SpoolFile::create("reverseStream");
  if (spool == nullptr || !assembled || !rewindForReading(spool)) return kFailed;
  inputPSStream = spool;
  tempPSStream = assembled->stream();
  int pages = writeSkeleton();
  if (std::ferror(spool)) return kFailed;
  std::rewind(spool);

  Window sourceWindow;
  inputPSStream = spool;
  tempPSStream = nullptr;
  writeBufferToTempPSStreamUntilGivenString(kPageMarker, sourceWindow, 1);
  for (int page = 0; page < pages; ++page) {
    std::optional<SpoolFile> next = insertPage(assembled->stream(), spool, sourceWindow,
                                               pages - page, page == pages - 1);
    if (!next) return kFailed;
    assembled = std::move(next);
  }
  if (!copyBack(assembled->stream(), spool)) return kFailed;
  return 0;
}
