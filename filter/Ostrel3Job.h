// The filter's one job, and the function that runs it from an input stream
// to an output stream.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

class CMediaCatalog;

namespace tvx::filter {

// One job as the CUPS filter arguments describe it.
struct Job {
  // The queue (argument 0); it names the media catalog.
  std::string queue;
  // The job title (argument 3) as CUPS passed it; the PJL job name is made from it.
  std::string title;
  // Copy count for the PJL header; 0 sends none.
  int copies = 0;
  // Tray number for the per-page tray command, set from the job's input
  // slot feature; 0 sends none.
  int inputTray = 0;
  // The queue's PPD, whose default page size a job that names only a size
  // prints on when the default has that size.
  std::string ppd{};
  // Set once the job has been sent, for CUPS's page accounting: the pages
  // sent, and the copies the printer makes of each.
  int pagesSent = 0;
  int copiesOfEachPage = 0;
};

// The PJL copy count for the copies and options arguments (4 and 5): none
// for uncollated copies or a single copy, else the leading decimal digits of
// `copies` (none when there are none).
int copyCount(std::string_view copies, std::string_view options);

// The media catalog of `queue`, asked for only when the job names a page size.
using CatalogOf = std::function<CMediaCatalog*(const char* queue)>;

// Runs `job` with inputPSStream as `input`: spools the job, wrapped in PJL
// and with the media's set-up on every page, and sends it to `output`,
// which must have a file descriptor. Returns 0 when the job was sent, its
// pages and copies set in `job`; 5 on failure (reported on standard error,
// see reportJobFailure; unless the final copy failed, nothing reached
// `output`). The spool file is gone and inputPSStream is null afterwards.
int runJob(Job& job, FILE* input, FILE* output, const CatalogOf& catalogOf);

}  // namespace tvx::filter
