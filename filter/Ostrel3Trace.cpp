#include "filter/Ostrel3Trace.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/drvlog.h"

namespace {

constexpr int kOptionsArgument = 5;
constexpr std::size_t kPieceLength = 100;

// The job options can be long: logged in numbered pieces, as text.
void traceOptions(std::string_view options) {
  LOGPRINTA(LOG_LIGHT, "argv[%d] = >", kOptionsArgument);
  LOGPRINTA(LOG_LIGHT, "has size %zu", options.size());
  std::size_t pieces = options.size() / kPieceLength + 1;
  for (std::size_t piece = 0; piece < pieces; ++piece) {
    std::string_view text = options.substr(piece * kPieceLength, kPieceLength);
    LOGPRINTA(LOG_LIGHT, "%zu", piece);
    LOGPRINTA(LOG_LIGHT, "%.*s", static_cast<int>(text.size()), text.data());
  }
  LOGPRINTA(LOG_LIGHT, "<FINISH argv[5]");
}

}  // namespace

int openTraceFileForWriting() {
  InitLog();
  return 0;
}

int closeTraceFile() { return 0; }

void TraceProlog(const char* name) { LOGPRINTA(LOG_FULL, "OSTRELFILTER - BEGIN: %s\n", name); }

void TraceEpilog(const char* name) { LOGPRINTA(LOG_FULL, "OSTRELFILTER - END: %s\n", name); }

void Trace(const char* message) { LOGPRINTA(LOG_LIGHT, "OSTRELFILTER:%s", message); }

void TraceError(const char* message) { LOGPRINTA(LOG_LIGHT, "ERROR: %s\n", message); }

int printCommandLineArguments(int argc, const char** argv) {
  LOGPRINTA(LOG_LIGHT, "THE NUMBER OF COMMAND LINE ARGUMENTS IS %d\n", argc);
  for (int i = 0; i < argc; ++i) {
    const char* argument = argv[i] != nullptr ? argv[i] : "";
    if (i == kOptionsArgument) {
      traceOptions(argument);
    } else {
      LOGPRINTA(LOG_LIGHT, "argv[%d]= >%s<\n", i, argument);
    }
  }
  return 0;
}
