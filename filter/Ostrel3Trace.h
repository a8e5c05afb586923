// The filter's trace: its messages, with a common prefix, in the diagnostic
// log (common/drvlog.h), which decides whether and where they are written.
#pragma once

#include "common/drvlog.h"

// Sets up the diagnostic log (InitLog). Returns 0.
int openTraceFileForWriting();

// Nothing to release; returns 0.
int closeTraceFile();

// Logs "OSTRELFILTER - BEGIN: <name>" at LOG_FULL.
void TraceProlog(const char* name);

// Logs "OSTRELFILTER - END: <name>" at LOG_FULL.
void TraceEpilog(const char* name);

// The TraceProlog and TraceEpilog lines, for a scope that writes the END
// line on every return: tvx::log::Scope trace("<name>", kTraceForm).
inline constexpr tvx::log::ScopeForm kTraceForm{LOG_FULL, "OSTRELFILTER - BEGIN: ", "\n",
                                                "OSTRELFILTER - END: ", "\n"};

// Logs "OSTRELFILTER:<message>" at LOG_LIGHT; the message brings its own line end.
void Trace(const char* message);

// Logs "ERROR: <message>" at LOG_LIGHT.
void TraceError(const char* message);

// Logs the argument count and every argument at LOG_LIGHT, the job options
// (argument 5) in numbered pieces of 100 characters. Returns 0.
int printCommandLineArguments(int argc, const char** argv);
