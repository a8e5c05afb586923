#include "printerapp/jobs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/safefile.h"
#include "common/uniquefile.h"
#include "filter/Ostrel3Job.h"
#include "mediacatalog/mediacatalog.h"
#include "printerapp/refresher.h"

namespace tvx::papp {

namespace {

constexpr std::size_t kCopyBuffer = 64 * 1024;

bool failJob(pappl_job_t* job, const char* why) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", why);
  papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, PAPPL_JREASON_NONE);
  return false;
}

// Runs the filter's job in a child, so that a job that crashes the editing
// takes down only itself. Returns the child's exit status, or -1 when it
// did not exit (a signal ended it) or could not start.
int editInChild(const tvx::filter::Job& filterJob, FILE* input, FILE* output,
                CMediaCatalog* catalog) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    tvx::filter::JobResult result =
        tvx::filter::runJob(filterJob, input, output, [catalog](const char*) { return catalog; });
    bool flushed = std::fflush(output) == 0;
    _exit(result.status == 0 && flushed ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sends the edited job to the device.
bool sendToDevice(FILE* edited, pappl_device_t* device) {
  std::rewind(edited);
  std::vector<char> buffer(kCopyBuffer);
  std::size_t count;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), edited)) > 0) {
    if (papplDeviceWrite(device, buffer.data(), count) < 0) return false;
  }
  if (std::ferror(edited)) return false;
  papplDeviceFlush(device);
  return true;
}

bool printPostScript(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  std::shared_ptr<const PrinterReading> reading = freshReading(printer);
  std::unique_ptr<CMediaCatalog> catalog =
      catalogOf(reading ? reading->media : std::vector<TS_BiDiMedia>{});
  if (!catalog) return failJob(job, "No memory for the job's media catalog.");

  tvx::filter::Job filterJob;
  filterJob.queue = papplPrinterGetName(printer);
  const char* title = papplJobGetName(job);
  filterJob.title = title != nullptr ? title : "";
  filterJob.copies = options->copies > 1 ? options->copies : 0;
  if (reading) filterJob.media = mediaKeyFor(reading->capabilities, options->media.size_name);

  tvx::UniqueFile input(std::fopen(papplJobGetFilename(job), "rb"));
  if (!input) return failJob(job, "The job's file cannot be read.");
  // Beside the job's file, in the server's own spool folder.
  std::string folder = papplJobGetFilename(job);
  folder.erase(folder.rfind('/') + 1);
  std::optional<tvx::PrivateTemp> edited = tvx::PrivateTemp::create(folder, "tavorinex-job-");
  if (!edited) return failJob(job, "No temporary file for the edited job.");

  int status = editInChild(filterJob, input.get(), edited->stream(), catalog.get());
  if (status != 0) {
    return failJob(job, status < 0
                            ? "The job's editing stopped abnormally; the job is aborted."
                            : "The job could not be edited for the printer; the job is aborted.");
  }
  if (!sendToDevice(edited->stream(), device))
    return failJob(job, "The printer did not take the job.");
  return true;
}

// Raster jobs: the driver takes PostScript only.
bool refuseRasterJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  return failJob(job, "This printer accepts PostScript jobs only.");
}
bool refuseRasterPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned) {
  return failJob(job, "This printer accepts PostScript jobs only.");
}
bool refuseRasterLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned,
                      const unsigned char*) {
  return failJob(job, "This printer accepts PostScript jobs only.");
}

}  // namespace

void setJobCallbacks(pappl_pr_driver_data_t& data) {
  data.format = "application/postscript";
  data.printfile_cb = printPostScript;
  data.rstartjob_cb = refuseRasterJob;
  data.rendjob_cb = refuseRasterJob;
  data.rstartpage_cb = refuseRasterPage;
  data.rendpage_cb = refuseRasterPage;
  data.rwriteline_cb = refuseRasterLine;
}

}  // namespace tvx::papp
