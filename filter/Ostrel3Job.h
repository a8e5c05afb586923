// The filter's one job, and the function that runs it from an input stream
// to an output stream.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

class CMediaCatalog;

namespace tvx::filter {

// The filter's exit status, and runJob's, when the job was not sent.
inline constexpr int kJobFailed = 5;

// One job as the CUPS filter arguments describe it.
struct Job {
  // The queue (argument 0); it names the media catalog.
  std::string queue;
  // The job title (argument 3) as CUPS passed it; the PJL job name is made from it.
  std::string title;
  // Copy count for the PJL header; 0 sends none.
  int copies = 0;
  // The queue's PPD, whose default page size a job that names only a size
  // prints on when the default has that size.
  std::string ppd{};
  // The catalog key of the media a job prints on when its own set-up names
  // no page size; empty: such a job gets no media set-up.
  std::string media{};
};

// What became of a job. A job that was sent has status 0 and, for CUPS's
// page accounting, the pages sent and the copies the printer makes of each;
// else status kJobFailed and no pages.
struct JobResult {
  int status = kJobFailed;
  int pagesSent = 0;
  int copiesOfEachPage = 0;
};

// The PJL copy count for the copies and options arguments (4 and 5): none
// for uncollated copies or a single copy, else the leading decimal digits of
// `copies` (none when there are none).
int copyCount(std::string_view copies, std::string_view options);

// The media catalog of `queue`, asked for only when the job names a page size.
using CatalogOf = std::function<CMediaCatalog*(const char* queue)>;

// Runs `job` from `input`: spools the job, wrapped in PJL and with the
// media's set-up on every page, and sends it to `output`, which must have a
// file descriptor. A failure is reported on standard error (see
// reportJobFailure); unless the final copy failed, nothing reached `output`.
// The run owns its spool file, its window on `input` and the spool, the
// header lines it holds back and its buffers, all gone when it returns; the
// streams stay the caller's. Runs on distinct streams and catalogs may run
// at the same time; the process-wide inputPSStream and tempPSStream are
// neither read nor changed.
JobResult runJob(const Job& job, FILE* input, FILE* output, const CatalogOf& catalogOf);

}  // namespace tvx::filter
