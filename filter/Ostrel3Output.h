// The PJL wrapper and the output of the job.
//
// The job is written, wrapped in PJL, into a private spool file
// (filter/Ostrel3Spool.h) and reaches standard output only when it is
// complete. Every operation returns 0 on success and 5 on failure; a failure
// has already been reported to CUPS (reportJobFailure).
#pragma once

#include <cstdio>
#include <string_view>

#include "filter/Ostrel3Job.h"

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

}  // namespace tvx::filter

// Creates the job's spool file and makes it tempPSStream.
int openTempPSStreamFileForWriting();

// Writes the UEL, the job name (the job's title with control bytes as
// spaces and double quotes as apostrophes, cut to fit the 255-byte PJL
// line), the comment, the copy count when the job's is not 0, and the switch
// to PostScript into tempPSStream. Returns 0.
int writeBeginningPJLToPSStream(const tvx::filter::Job& job);

// Writes the UEL, "@PJL EOJ" and the UEL into tempPSStream. Returns 0.
int writeEndPJLToPSStream();

// Ends the writing of tempPSStream and makes it read from its start. Fails
// when any write into it failed (a full disk), so that a truncated job is
// never sent.
int reopenTempPSStreamForReading();

// Flushes `output`, then copies the file of tempPSStream, from where the
// stream stands to its end, straight to the file of `output`: by sendfile
// where the kernel takes that pair of files, else by read and write. Fails
// when a read or a write fails; the bytes copied so far have been sent.
int sendTempPSStreamToPrinter(FILE* output);

// Closes and removes the job's spool file; tempPSStream becomes null.
void closeTempPSStreamFile();

// The job's spool file, open for writing and reading, while it exists (also
// when tempPSStream points elsewhere); else null.
FILE* tempPSStreamFile();
