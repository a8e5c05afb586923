// The PJL wrapper and the output of the job.
//
// The job is written, wrapped in PJL, into a private spool file
// (filter/Ostrel3Spool.h) and reaches standard output only when it is
// complete. Every operation returns 0 on success and 5 on failure; a failure
// has already been reported to CUPS as an "ERROR: Tavorinex software" line on
// standard error.
#pragma once

#include <cstdio>

// Tells CUPS of a failure: "ERROR: Tavorinex software - <message>" on
// standard error.
void reportJobFailure(const char* message);

// Creates the job's spool file and makes it tempPSStream.
int openTempPSStreamFileForWriting();

// Writes the UEL, the job name (jobName with control bytes as spaces and
// double quotes as apostrophes, cut to fit the 255-byte PJL line), the
// comment, the copy count when nrCollated is not 0, and the switch to
// PostScript into tempPSStream. Returns 0.
int writeBeginningPJLToPSStream();

// Writes the UEL, "@PJL EOJ" and the UEL into tempPSStream. Returns 0.
int writeEndPJLToPSStream();

// Ends the writing of tempPSStream and makes it read from its start. Fails
// when any write into it failed (a full disk), so that a truncated job is
// never sent.
int reopenTempPSStreamForReading();

// Flushes outputPSStream, then copies the file of tempPSStream, from where
// the stream stands to its end, straight to the file of outputPSStream: by
// sendfile where the kernel takes that pair of files, else by read and
// write. Fails when a read or a write fails; the bytes copied so far have
// been sent.
int sendTempPSStreamToPrinter();

// Closes and removes the job's spool file; tempPSStream becomes null.
void closeTempPSStreamFile();

// The job's spool file, open for writing and reading, while it exists (also
// when tempPSStream points elsewhere); else null.
FILE* tempPSStreamFile();
