#include "filter/Ostrel3Main.h"

#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/paths.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Trace.h"
#include "mediacatalog/mediacatalog.h"

namespace {

constexpr int kFailure = 5;
constexpr int kJobArguments = 6;
constexpr int kJobFileArgument = 6;
constexpr std::size_t kStreamBuffer = 64 * 1024;
// What the job's pipe in and the printer data's pipe out may hold. The
// kernel's 64 KiB made the job cross in 64 KiB steps, one process switch
// each: the filter took twice as long as cat through the same pipes.
constexpr int kPipeSize = 1 << 20;

struct FileCloser {
  void operator()(FILE* stream) const { std::fclose(stream); }
};
using JobFile = std::unique_ptr<FILE, FileCloser>;

// The job file (argument 6) or standard input; null, reported, when the job
// file cannot be opened.
FILE* openJobInput(int argc, const char** argv, JobFile& jobFile) {
  FILE* input = stdin;
  if (argc > kJobFileArgument) {
    jobFile.reset(std::fopen(argv[kJobFileArgument], "rb"));
    input = jobFile.get();
    if (input == nullptr) {
      reportJobFailure(tvx::filter::JobFailure::kPrintFileNotOpened, "cannot open",
                       argv[kJobFileArgument], errno);
      return nullptr;
    }
  }
  // glibc takes the size only with a buffer of the caller's.
  static char inputBuffer[kStreamBuffer];
  std::setvbuf(input, inputBuffer, _IOFBF, sizeof inputBuffer);
  return input;
}

}  // namespace

int initialize() {
  tvx::log::Scope trace("initialize", kTraceForm);
  return 0;
}

int Ostrel3Main(int argc, const char** argv) {
  openTraceFileForWriting();
  initialize();
  printCommandLineArguments(argc, argv);
  if (argc < kJobArguments) {
    std::fprintf(stderr, "Usage: psfilter job-id user title copies options [file]\n");
    return kFailure;
  }
  // A vanished reader is a failed write to report, not a reason to die.
  std::signal(SIGPIPE, SIG_IGN);
  JobFile jobFile;
  FILE* input = openJobInput(argc, argv, jobFile);
  if (input == nullptr) return kFailure;
  // Refused for a file, or beyond the user's pipe limit: the size stays.
  for (int fd : {::fileno(input), ::fileno(stdout)}) ::fcntl(fd, F_SETPIPE_SZ, kPipeSize);
  tvx::filter::Job job{argv[0], argv[3], tvx::filter::copyCount(argv[4], argv[5])};
  // CUPS names the queue's PPD; run by hand, the filter reads the queue's own.
  const char* ppd = std::getenv("PPD");
  job.ppd = ppd != nullptr ? ppd : tvx::paths::ppdFolder() + job.queue + ".ppd";
  int status = tvx::filter::runJob(job, input, stdout, &CMediaCatalog::GetInstance);
  // CUPS counts the job's pages (page_log, quotas) from these lines alone.
  for (int page = 1; page <= job.pagesSent; ++page) {
    std::fprintf(stderr, "PAGE: %d %d\n", page, job.copiesOfEachPage);
  }
  return status;
}
