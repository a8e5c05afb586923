#include "filter/Ostrel3Main.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/paths.h"
#include "common/uniquefile.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Output.h"
#include "filter/Ostrel3Trace.h"
#include "mediacatalog/mediacatalog.h"

namespace {

using tvx::filter::kJobFailed;

constexpr int kJobArguments = 6;
constexpr int kJobFileArgument = 6;
constexpr std::size_t kStreamBuffer = 64 * 1024;
// What the job's pipe in and the printer data's pipe out may hold. The
// kernel's 64 KiB made the job cross in 64 KiB steps, one process switch
// each: the filter took twice as long as cat through the same pipes.
constexpr int kPipeSize = 1 << 20;

// The job file (argument 6) or standard input, as a stream of its own that
// reads through `buffer` (glibc takes the size only with a buffer of the
// caller's) and goes before the buffer does. Null, reported, when the job
// file cannot be opened; standard input itself when it is no open file.
FILE* openJobInput(int argc, const char** argv, tvx::UniqueFile& jobFile, std::span<char> buffer) {
  if (argc > kJobFileArgument) {
    jobFile.reset(std::fopen(argv[kJobFileArgument], "rb"));
    if (!jobFile) {
      reportJobFailure(tvx::filter::JobFailure::kPrintFileNotOpened, "cannot open",
                       argv[kJobFileArgument], errno);
      return nullptr;
    }
  } else {
    jobFile.reset(::fdopen(STDIN_FILENO, "rb"));
    if (!jobFile) return stdin;
  }
  std::setvbuf(jobFile.get(), buffer.data(), _IOFBF, buffer.size());
  return jobFile.get();
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
    return kJobFailed;
  }
  // A vanished reader is a failed write to report, not a reason to die.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<char> inputBuffer(kStreamBuffer);
  tvx::UniqueFile jobFile;
  FILE* input = openJobInput(argc, argv, jobFile, inputBuffer);
  if (input == nullptr) return kJobFailed;
  // Refused for a file, or beyond the user's pipe limit: the size stays.
  for (int fd : {::fileno(input), ::fileno(stdout)}) ::fcntl(fd, F_SETPIPE_SZ, kPipeSize);
  tvx::filter::Job job{argv[0], argv[3], tvx::filter::copyCount(argv[4], argv[5])};
  // CUPS names the queue's PPD; run by hand, the filter reads the queue's own.
  const char* ppd = std::getenv("PPD");
  job.ppd = ppd != nullptr ? ppd : tvx::paths::ppdFolder() + job.queue + ".ppd";
  tvx::filter::JobResult result =
      tvx::filter::runJob(job, input, stdout, &CMediaCatalog::GetInstance);
  // CUPS counts the job's pages (page_log, quotas) from these lines alone.
  for (int page = 1; page <= result.pagesSent; ++page) {
    std::fprintf(stderr, "PAGE: %d %d\n", page, result.copiesOfEachPage);
  }
  return result.status;
}
