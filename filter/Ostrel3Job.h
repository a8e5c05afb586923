// Process-wide state of the filter's one job.
//
// The job's input and temp file are the stream primitives' inputPSStream and
// tempPSStream (common/psstream.h).
#pragma once

#include <cstdio>
#include <string>

// Where the finished job goes: standard output.
extern FILE* outputPSStream;
// The job title (argument 3) as CUPS passed it; the PJL job name is made from it.
extern std::string jobName;
// Copy count for the PJL header; 0 sends none.
extern int nrCollated;
// Tray number for the per-page tray command; 0 sends none.
extern int nrInputTray;
