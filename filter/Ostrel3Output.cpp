#include "filter/Ostrel3Output.h"

#include <sys/sendfile.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/printertext.h"
#include "common/psstream.h"
#include "filter/Ostrel3Spool.h"
#include "filter/Ostrel3Trace.h"

namespace {

using tvx::filter::JobFailure;
using tvx::filter::kJobFailed;
using tvx::filter::reportJobFailure;

constexpr char kUel[] = "\x1b%-12345X";
constexpr char kJobNameStart[] = "@PJL JOB NAME=\"";
constexpr char kJobNameEnd[] = "\"\r\n";
// The PJL line buffer: the job name line, terminator included, fits in it.
constexpr std::size_t kPjlLineSize = 255;
constexpr std::size_t kMaxJobName = kPjlLineSize - 1 - (sizeof kJobNameStart - 1) -
                                    (sizeof kJobNameEnd - 1);
constexpr std::size_t kCopyBlock = 64 * 1024;
// What follows "ERROR: Tavorinex software" for each JobFailure, in its
// order; the file name follows the first.
constexpr const char* kFailureText[] = {
    " Print file cannot be opened - ", " - Print file cannot be read",
    " - Temporary file cannot be opened", " - Temporary file cannot be written",
    " Temporary file cannot be read"};

// Bytes asked of one sendfile call; it moves less where the output takes less.
constexpr std::size_t kSendStep = 1 << 30;

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

// The kernel cannot send between these two files (an output opened for
// appending, some devices, an old kernel): the bytes go through a buffer.
bool kernelRefuses(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// Writes all `size` bytes of `bytes` to `to`; false when a write fails.
bool writeAll(int to, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(to, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Copies the file `from`, from byte `offset` to its end, to `to`: page by
// page inside the kernel where it can, else through a buffer. False when a
// read or a write fails.
bool sendRest(int from, off_t offset, int to) {
  bool throughKernel = true;
  std::vector<char> block;
  for (;;) {
    ssize_t moved = 0;
    if (throughKernel) {
      moved = ::sendfile(to, from, &offset, kSendStep);
      if (moved < 0 && kernelRefuses(errno)) {
        throughKernel = false;
        continue;
      }
    } else {
      if (block.empty()) block.resize(kCopyBlock);
      moved = ::pread(from, block.data(), block.size(), offset);
      if (moved > 0) {
        if (!writeAll(to, block.data(), static_cast<std::size_t>(moved))) return false;
        offset += moved;
      }
    }
    if (moved == 0) return true;
    if (moved < 0 && errno != EINTR) return false;
  }
}

}  // namespace

namespace tvx::filter {

void reportJobFailure(JobFailure failure, std::string_view whatFailed, std::string_view file,
                      int error) {
  std::string name = tvx::text::singleLine(file);
  std::string text = "ERROR: Tavorinex software";
  text += kFailureText[static_cast<int>(failure)];
  if (failure == JobFailure::kPrintFileNotOpened) text += name;
  text += "\nDEBUG: Tavorinex software: ";
  text += whatFailed;
  if (!name.empty()) text += " " + name;
  if (error != 0) text += std::string(": ") + std::strerror(error);
  text += "\n";
  std::fputs(text.c_str(), stderr);
}

int JobSpool::open() {
  tvx::log::Scope trace("openTempPSStreamFileForWriting", kTraceForm);
  file_ = SpoolFile::create("TavorinexTempPSStream");
  if (!file_) {
    int error = errno;
    Trace("Temporary file cannot be opened");
    reportJobFailure(JobFailure::kTempFileNotOpened, "cannot create the spool file in",
                     spoolFolder(), error);
    return kJobFailed;
  }
  // glibc takes the size only with a buffer of the caller's.
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kCopyBlock);
  std::setvbuf(file_->stream(), buffer_.get(), _IOFBF, kCopyBlock);
  return 0;
}

int JobSpool::rewindForReading() {
  if (!file_) {
    Trace("Temporary file cannot be opened");
    reportJobFailure(JobFailure::kTempFileNotOpened, "no spool file to read", {}, 0);
    return kJobFailed;
  }
  FILE* stream = file_->stream();
  // The error indicator holds every failed write since the file was made.
  if (std::fflush(stream) != 0 || std::ferror(stream)) {
    int error = errno;
    TraceError("Temporary file cannot be written");
    reportJobFailure(JobFailure::kTempFileNotWritten, "a write to the spool file failed", {},
                     error);
    return kJobFailed;
  }
  if (std::fseek(stream, 0, SEEK_SET) != 0) {
    int error = errno;
    Trace("Temporary file cannot be opened");
    reportJobFailure(JobFailure::kTempFileNotOpened, "cannot rewind the spool file", {}, error);
    return kJobFailed;
  }
  return 0;
}

void writePjlStart(PSWindow& window, std::string_view title, int copies) {
  tvx::log::Scope trace("writeBeginningPJLToPSStream", kTraceForm);
  window.write(kUel);
  window.write(kJobNameStart + pjlJobName(std::string(title)) + kJobNameEnd);
  window.write(
      "@PJL COMMENT Tavorinex Printer Drivers for Linux (Arc M750XLS), version " TAVORINEX_VERSION
      "\r\n");
  if (copies != 0) {
    char quantity[kPjlLineSize];
    std::snprintf(quantity, sizeof quantity, "@PJL SET QTY=%d\r\n", copies);
    window.write(quantity);
  }
  window.write("@PJL ENTER LANGUAGE=POSTSCRIPT\r\n");
}

void writePjlEnd(PSWindow& window) {
  tvx::log::Scope trace("writeEndPJLToPSStream", kTraceForm);
  window.write(kUel);
  window.write("@PJL EOJ\r\n");
  window.write(kUel);
}

int sendSpool(FILE* spool, FILE* output) {
  tvx::log::Scope trace("sendTempPSStreamToPrinter", kTraceForm);
  Trace("Open disk copy stream file");
  Trace("Copy bytes from temp stream to stdout");
  bool copied = spool != nullptr && output != nullptr && std::fflush(output) == 0 &&
                !std::ferror(output);
  if (copied) {
    off_t start = ::ftello(spool);
    int from = ::fileno(spool);
    int to = ::fileno(output);
    copied = start >= 0 && from >= 0 && to >= 0 && sendRest(from, start, to);
  }
  if (!copied) {
    int error = errno;
    TraceError("Temporary file cannot be read");
    reportJobFailure(JobFailure::kTempFileNotRead, "cannot copy the spool file to the output", {},
                     error);
  }
  return copied ? 0 : kJobFailed;
}

}  // namespace tvx::filter

namespace {

// The spool file of the process-wide interface below; jobs run through
// runJob have their own.
tvx::filter::JobSpool& processSpool() {
  static tvx::filter::JobSpool spool;
  return spool;
}

}  // namespace

int openTempPSStreamFileForWriting() {
  int status = processSpool().open();
  if (status == 0) tempPSStream = processSpool().stream();
  return status;
}

int writeBeginningPJLToPSStream(const tvx::filter::Job& job) {
  tvx::PSWindow window;
  tvx::filter::writePjlStart(window, job.title, job.copies);
  return 0;
}

int writeEndPJLToPSStream() {
  tvx::PSWindow window;
  tvx::filter::writePjlEnd(window);
  return 0;
}

int reopenTempPSStreamForReading() {
  int status = processSpool().rewindForReading();
  if (status == 0) tempPSStream = processSpool().stream();
  return status;
}

int sendTempPSStreamToPrinter(FILE* output) { return tvx::filter::sendSpool(tempPSStream, output); }

void closeTempPSStreamFile() {
  if (tempPSStream != nullptr && tempPSStream == processSpool().stream()) tempPSStream = nullptr;
  processSpool().close();
}

FILE* tempPSStreamFile() { return processSpool().stream(); }
