// tavorinex-query [--time-limit SECONDS] [--json] HOST: shows what the
// printer reports, read as bidiupdate reads it.
// tavorinex-query [--time-limit SECONDS] --diff QUEUE HOST: shows what
// bidiupdate -A would change. Failure statuses and words are bidiupdate's.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/lib/BiDiSession.h"
#include "bidi/query/PrinterReport.h"
#include "bidi/query/QueryDiff.h"
#include "common/exitguard.h"

namespace {

using tvx::bidi::kQueryFailed;
using tvx::bidi::kWrongCommandLine;

constexpr const char* kUsage =
    "usage: tavorinex-query [--time-limit SECONDS] [--json] HOST\n"
    "       tavorinex-query [--time-limit SECONDS] --diff QUEUE HOST\n";

int usage() {
  std::fputs(kUsage, stderr);
  return kWrongCommandLine;
}

int queryFailed(const char* host) {
  std::fprintf(stderr,
               "tavorinex-query: %s: printer not reached, not a Tavorinex Arc M750XLS, or a printer "
               "query failed\n",
               host);
  return kQueryFailed;
}

// Arms the time limit for the printer's part of the run: past it the run
// ends with status 12 and this message.
void startTimeLimit(unsigned seconds, const char* host) {
  tvx::exitguard::install();
  tvx::exitguard::startTimeLimit(
      seconds, kQueryFailed,
      "tavorinex-query: " + std::string(host) + ": the time limit of " + std::to_string(seconds) +
          " s passed before the printer's answers were in\n");
}

int show(const char* host, bool json) {
  unsigned char session = 0;
  if (BiDi_InitSession(host, &session) != en_BiDiSuccess) return queryFailed(host);
  tvx::query::PrinterReport report;
  report.host = host;
  bool read = tvx::query::readPrinterReport(session, report);
  BiDi_CloseSession(session);
  {
    tvx::exitguard::Deferred hold;
    if (!tvx::exitguard::stopTimeLimit()) return kQueryFailed;
  }
  if (!read) return queryFailed(host);
  std::string text = json ? tvx::query::formatJson(report) : tvx::query::formatText(report);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fputs("tavorinex-query: cannot write the report\n", stderr);
    return tvx::query::kCannotWrite;
  }
  return tvx::query::kShown;
}

}  // namespace

int main(int argc, char* argv[]) {
  unsigned limit = tvx::bidi::kDefaultTimeLimit;
  int at = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--time-limit") {
    std::optional<unsigned> seconds = tvx::bidi::timeLimitOf(argv[2]);
    if (!seconds) return usage();
    limit = *seconds;
    at = 3;
  }
  const int count = argc - at;
  char** words = argv + at;
  if (count == 1 && words[0][0] != '-') {
    startTimeLimit(limit, words[0]);
    return show(words[0], false);
  }
  if (count == 2 && std::string_view(words[0]) == "--json") {
    startTimeLimit(limit, words[1]);
    return show(words[1], true);
  }
  if (count == 3 && std::string_view(words[0]) == "--diff") {
    startTimeLimit(limit, words[2]);
    return tvx::query::showDiff(words[1], words[2]);
  }
  return usage();
}
