// Reverse page order of a spooled job. psfilter does not use it: it is kept
// as part of the library's interface for callers outside psfilter, in a
// library of its own (tvx_filter_reverse), and works on the process-wide
// spool file and streams (filter/Ostrel3Output.h).
#pragma once

// Rewrites the job's spool file (tempPSStreamFile(), complete and no longer
// written) so that its pages come last page first, labelled 1 to N from the
// top, each inserted behind the header's "%%EndSetup" line, followed by
// "%%Trailer" and the trailer with its "%%Pages:" count set to N. Works in
// two private work files, removed when it returns; the streams of the
// primitives are restored. Returns 0 when the spool file was rewritten, 1
// when a file could not be made, read or written (the spool file is then
// unchanged unless writing it back failed).
int ReversePageOrder();
