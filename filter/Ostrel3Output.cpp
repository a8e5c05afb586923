#include "filter/Ostrel3Output.h"

#include <cstdio>
#include <optional>
#include <string>

#include "common/printertext.h"
#include "common/psstream.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Spool.h"
#include "filter/Ostrel3Trace.h"

namespace {

constexpr int kFailure = 5;
constexpr char kUel[] = "\x1b%-12345X";
constexpr char kJobNameStart[] = "@PJL JOB NAME=\"";
constexpr char kJobNameEnd[] = "\"\r\n";
// The PJL line buffer: the job name line, terminator included, fits in it.
constexpr std::size_t kPjlLineSize = 255;
constexpr std::size_t kMaxJobName = kPjlLineSize - 1 - (sizeof kJobNameStart - 1) -
                                    (sizeof kJobNameEnd - 1);
constexpr std::size_t kCopyBlock = 64 * 1024;

std::optional<tvx::filter::SpoolFile> spool;

// The title on one line, its double quotes as apostrophes, cut to fit the
// PJL line without splitting a UTF-8 character.
std::string pjlJobName(const std::string& title) {
  std::string name = tvx::text::pjlQuoted(title);
  if (name.size() <= kMaxJobName) return name;
  std::size_t cut = kMaxJobName;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return name;
}

}  // namespace

void reportJobFailure(const char* message) {
  std::fprintf(stderr, "%s: %s - %s\n", "ERROR", "Tavorinex software", message);
}

int openTempPSStreamFileForWriting() {
  TraceProlog("openTempPSStreamFileForWriting");
  spool = tvx::filter::SpoolFile::create("TavorinexTempPSStream");
  if (!spool) {
    Trace("Temporary file cannot be opened");
    reportJobFailure("Temporary file cannot be opened");
    TraceEpilog("openTempPSStreamFileForWriting");
    return kFailure;
  }
  // glibc takes the size only with a buffer of the caller's.
  static char spoolBuffer[kCopyBlock];
  std::setvbuf(spool->stream(), spoolBuffer, _IOFBF, sizeof spoolBuffer);
  tempPSStream = spool->stream();
  TraceEpilog("openTempPSStreamFileForWriting");
  return 0;
}

int writeBeginningPJLToPSStream() {
  TraceProlog("writeBeginningPJLToPSStream");
  writeLineToTempPSStream(kUel);
  std::string line = kJobNameStart + pjlJobName(jobName) + kJobNameEnd;
  writeLineToTempPSStream(line.c_str());
  writeLineToTempPSStream(
      "@PJL COMMENT Tavorinex Printer Drivers for Linux (Arc M750XLS), version 1.1.4\r\n");
  if (nrCollated != 0) {
    char quantity[kPjlLineSize];
    std::snprintf(quantity, sizeof quantity, "@PJL SET QTY=%d\r\n", nrCollated);
    writeLineToTempPSStream(quantity);
  }
  writeLineToTempPSStream("@PJL ENTER LANGUAGE=POSTSCRIPT\r\n");
  TraceEpilog("writeBeginningPJLToPSStream");
  return 0;
}

int writeEndPJLToPSStream() {
  TraceProlog("writeEndPJLToPSStream");
  writeLineToTempPSStream(kUel);
  writeLineToTempPSStream("@PJL EOJ\r\n");
  writeLineToTempPSStream(kUel);
  TraceEpilog("writeEndPJLToPSStream");
  return 0;
}

int reopenTempPSStreamForReading() {
  if (!spool) {
    Trace("Temporary file cannot be opened");
    reportJobFailure("Temporary file cannot be opened");
    return kFailure;
  }
  FILE* stream = spool->stream();
  // The error indicator holds every failed write since the file was made.
  if (std::fflush(stream) != 0 || std::ferror(stream)) {
    TraceError("Temporary file cannot be written");
    reportJobFailure("Temporary file cannot be written");
    return kFailure;
  }
  if (std::fseek(stream, 0, SEEK_SET) != 0) {
    Trace("Temporary file cannot be opened");
    reportJobFailure("Temporary file cannot be opened");
    return kFailure;
  }
  tempPSStream = stream;
  return 0;
}

int sendTempPSStreamToPrinter() {
  TraceProlog("sendTempPSStreamToPrinter");
  Trace("Open disk copy stream file");
  Trace("Copy bytes from temp stream to stdout");
  bool copied = tempPSStream != nullptr && outputPSStream != nullptr;
  if (copied) {
    static char block[kCopyBlock];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, tempPSStream)) > 0) {
      if (std::fwrite(block, 1, got, outputPSStream) != got) break;
    }
    copied = std::feof(tempPSStream) && !std::ferror(tempPSStream) &&
             std::fflush(outputPSStream) == 0 && !std::ferror(outputPSStream);
  }
  if (!copied) {
    TraceError("Temporary file cannot be read");
    std::fprintf(stderr, "%s: %s %s\n", "ERROR", "Tavorinex software",
                 "Temporary file cannot be read");
  }
  TraceEpilog("sendTempPSStreamToPrinter");
  return copied ? 0 : kFailure;
}

void closeTempPSStreamFile() {
  if (spool && tempPSStream == spool->stream()) tempPSStream = nullptr;
  spool.reset();
}

FILE* tempPSStreamFile() { return spool ? spool->stream() : nullptr; }
