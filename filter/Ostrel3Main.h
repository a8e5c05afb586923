// The entry of psfilter, the CUPS filter of the printer's queues: the job
// from the filter arguments and the standard streams (filter/Ostrel3Job.h).
#pragma once

// Runs one job with the CUPS filter arguments: 0 queue name, 1 job id, 2
// user, 3 title, 4 copies, 5 options, 6 (optional) job file, else standard
// input. Writes the job, wrapped in PJL and with the media's set-up on every
// page, to standard output. Returns 0 when the job was sent, 5 on failure
// (with an "ERROR:" line on standard error and, unless the final copy
// failed, nothing on standard output).
int Ostrel3Main(int argc, const char** argv);

// Writes its trace lines. Returns 0.
int initialize();
