// The PJL wrapper and the output of the job.
//
// The job is written, wrapped in PJL, into a private spool file
// (filter/Ostrel3Spool.h) and reaches the output only when it is complete.
// Every operation that can fail returns 0 on success and kJobFailed on
// failure; a failure has already been reported to CUPS (reportJobFailure).
//
// The operations in tvx::filter work on a job's own spool and window
// (runJob). The primitives declared after them are the same operations on
// the process-wide tempPSStream and one process-wide spool file: the
// library's interface for callers that keep those.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "common/psstream.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Spool.h"

namespace tvx::filter {

// The failures the filter reports to CUPS, each with its own line.
enum class JobFailure {
  kPrintFileNotOpened,   // "ERROR: Tavorinex software Print file cannot be opened - <file>"
  kPrintFileNotRead,     // "ERROR: Tavorinex software - Print file cannot be read"
  kTempFileNotOpened,    // "ERROR: Tavorinex software - Temporary file cannot be opened"
  kTempFileNotWritten,   // "ERROR: Tavorinex software - Temporary file cannot be written"
  kTempFileNotRead,      // "ERROR: Tavorinex software Temporary file cannot be read"
};

// Tells CUPS of a failure on standard error: the failure's "ERROR:" line,
// then, for CUPS's log, "DEBUG: Tavorinex software: <what failed>", with
// " <file>" when `file` is not empty and ": <errno text>" when `error` is
// not 0. The file name is put on one line.
void reportJobFailure(JobFailure failure, std::string_view whatFailed, std::string_view file,
                      int error);

// A job's spool file and the buffer of its stream.
class JobSpool {
 public:
  // Creates the spool file, open for writing; kJobFailed when it cannot be
  // created.
  int open();
  // The spool file's stream while it exists; else null.
  FILE* stream() const { return file_ ? file_->stream() : nullptr; }
  // Ends the writing and makes the stream read from its start. Fails when
  // there is no spool file or any write into it failed (a full disk), so
  // that a truncated job is never sent.
  int rewindForReading();
  // Closes and removes the spool file.
  void close() { file_.reset(); }

 private:
  // Declared first so that it outlives the stream that uses it.
  std::unique_ptr<char[]> buffer_;
  std::optional<SpoolFile> file_;
};

// Writes the UEL, the job name (`title` with control bytes as spaces and
// double quotes as apostrophes, cut to fit the 255-byte PJL line), the
// comment, the copy count unless `copies` is 0, and the switch to
// PostScript to the window's output.
void writePjlStart(PSWindow& window, std::string_view title, int copies);

// Writes the UEL, "@PJL EOJ" and the UEL to the window's output.
void writePjlEnd(PSWindow& window);

// Flushes `output`, then copies the file of `spool`, from where the stream
// stands to its end, straight to the file of `output`: by sendfile where
// the kernel takes that pair of files, else by read and write. Fails when a
// read or a write fails; the bytes copied so far have been sent.
int sendSpool(FILE* spool, FILE* output);

}  // namespace tvx::filter

// Creates the process-wide spool file and makes it tempPSStream.
int openTempPSStreamFileForWriting();

// writePjlStart for `job` into tempPSStream. Returns 0.
int writeBeginningPJLToPSStream(const tvx::filter::Job& job);

// writePjlEnd into tempPSStream. Returns 0.
int writeEndPJLToPSStream();

// Makes the process-wide spool file tempPSStream, read from its start
// (JobSpool::rewindForReading).
int reopenTempPSStreamForReading();

// sendSpool from tempPSStream to `output`.
int sendTempPSStreamToPrinter(FILE* output);

// Closes and removes the process-wide spool file; tempPSStream becomes null
// when it was that file.
void closeTempPSStreamFile();

// The process-wide spool file, open for writing and reading, while it
// exists (also when tempPSStream points elsewhere); else null.
FILE* tempPSStreamFile();
