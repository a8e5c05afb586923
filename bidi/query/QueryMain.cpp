// tavorinex-query [--json] HOST: shows what the printer reports, read as
// bidiupdate reads it. tavorinex-query --diff QUEUE HOST: shows what
// bidiupdate -A would change. Failure statuses and words are bidiupdate's.
#include <cstdio>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/lib/BiDiSession.h"
#include "bidi/query/PrinterReport.h"
#include "bidi/query/QueryDiff.h"

namespace {

using tvx::bidi::kQueryFailed;
using tvx::bidi::kWrongCommandLine;

constexpr const char* kUsage =
    "usage: tavorinex-query [--json] HOST\n"
    "       tavorinex-query --diff QUEUE HOST\n";

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

int show(const char* host, bool json) {
  unsigned char session = 0;
  if (BiDi_InitSession(host, &session) != en_BiDiSuccess) return queryFailed(host);
  tvx::query::PrinterReport report;
  report.host = host;
  bool read = tvx::query::readPrinterReport(session, report);
  BiDi_CloseSession(session);
  if (!read) return queryFailed(host);
  std::string text = json ? tvx::query::formatJson(report) : tvx::query::formatText(report);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fputs("tavorinex-query: cannot write the report\n", stderr);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 2 && argv[1][0] != '-') return show(argv[1], false);
  if (argc == 3 && std::string_view(argv[1]) == "--json") return show(argv[2], true);
  if (argc == 4 && std::string_view(argv[1]) == "--diff") return tvx::query::showDiff(argv[2], argv[3]);
  return usage();
}
