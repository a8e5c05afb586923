#include "printerapp/jobs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <memory>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/safefile.h"
#include "common/uniquefile.h"
#include "filter/Ostrel3Job.h"
#include "mediacatalog/mediacatalog.h"
#include "printerapp/jobsetup.h"
#include "printerapp/pdfconvert.h"
#include "printerapp/refresher.h"

namespace tvx::papp {

namespace {

constexpr std::size_t kCopyBuffer = 64 * 1024;
// Ghostscript needs well under a second a page; a PDF that takes longer
// than this would hold the printer for every job behind it.
constexpr std::chrono::seconds kGhostscriptLimit{600};
constexpr int kGhostscriptLines = 20;

bool failJob(pappl_job_t* job, const char* why) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", why);
  papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, PAPPL_JREASON_NONE);
  return false;
}

// A job the printer cannot print as sent: the client sees why.
bool refuseJob(pappl_job_t* job, const std::string& why,
               pappl_jreason_t reason = PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s; the job is aborted.", why.c_str());
  papplJobSetMessage(job, "%s.", why.c_str());
  papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
  return false;
}

// Beside the job's file, in the server's own spool folder.
std::string spoolFolder(pappl_job_t* job) {
  std::string folder = papplJobGetFilename(job);
  folder.erase(folder.rfind('/') + 1);
  return folder;
}

std::string stringOf(ipp_attribute_t* attr) {
  const char* text = attr != nullptr ? ippGetString(attr, 0, nullptr) : nullptr;
  return text != nullptr ? text : "";
}

// The job's own media request: PAPPL fills in a source and type the job did
// not ask for, which would choose other media than the PPD front does.
tvx::jobchoices::MediaRequest mediaRequestOf(pappl_job_t* job) {
  tvx::jobchoices::MediaRequest request;
  ipp_attribute_t* col = papplJobGetAttribute(job, "media-col");
  if (col == nullptr) {
    request.name = stringOf(papplJobGetAttribute(job, "media"));
    return request;
  }
  ipp_t* media = ippGetCollection(col, 0);
  request.source = stringOf(ippFindAttribute(media, "media-source", IPP_TAG_ZERO));
  request.type = stringOf(ippFindAttribute(media, "media-type", IPP_TAG_ZERO));
  ipp_attribute_t* size = ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION);
  if (size != nullptr) {
    ipp_t* sides = ippGetCollection(size, 0);
    ipp_attribute_t* x = ippFindAttribute(sides, "x-dimension", IPP_TAG_INTEGER);
    ipp_attribute_t* y = ippFindAttribute(sides, "y-dimension", IPP_TAG_INTEGER);
    if (x != nullptr && y != nullptr) {
      request.size = tvx::jobchoices::MediaSize{ippGetInteger(x, 0), ippGetInteger(y, 0)};
    }
  }
  return request;
}

JobRequest requestOf(pappl_job_t* job, const pappl_pr_options_t& options,
                     const Capabilities& capabilities) {
  JobRequest request;
  request.media = mediaRequestOf(job);
  ipp_attribute_t* finishings = papplJobGetAttribute(job, "finishings");
  for (int i = 0; i < ippGetCount(finishings); ++i) {
    request.finishings.push_back(ippGetInteger(finishings, i));
  }
  // The server gives a job no vendor default: the printer's is read here.
  ipp_t* defaults = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
  for (const ProfileOption& option : capabilities.profiles) {
    std::string value = stringOf(papplJobGetAttribute(job, option.attribute.c_str()));
    if (value.empty()) {
      value = stringOf(
          ippFindAttribute(defaults, (option.attribute + "-default").c_str(), IPP_TAG_ZERO));
    }
    if (!value.empty()) request.profiles.emplace(option.attribute, value);
  }
  ippDelete(defaults);
  request.landscape = options.orientation_requested == IPP_ORIENT_LANDSCAPE ||
                      options.orientation_requested == IPP_ORIENT_REVERSE_LANDSCAPE;
  request.copies = options.copies;
  return request;
}

// Writes `input` to `output` with the set-up of `setup` in its head.
bool prepareJob(FILE* input, FILE* output, const JobSetup& setup) {
  std::string job;
  std::vector<char> buffer(kCopyBuffer);
  std::optional<std::size_t> head;
  std::size_t count = 0;
  while (!head && (count = std::fread(buffer.data(), 1, buffer.size(), input)) > 0) {
    job.append(buffer.data(), count);
    head = headLength(job);
  }
  if (std::ferror(input)) return false;
  std::size_t length = head.value_or(job.size());
  std::string prepared = preparedHead(std::string_view(job).substr(0, length), setup);
  bool written = std::fwrite(prepared.data(), 1, prepared.size(), output) == prepared.size() &&
                 std::fwrite(job.data() + length, 1, job.size() - length, output) ==
                     job.size() - length;
  while (written && (count = std::fread(buffer.data(), 1, buffer.size(), input)) > 0) {
    written = std::fwrite(buffer.data(), 1, count, output) == count;
  }
  return written && !std::ferror(input) && std::fflush(output) == 0;
}

// The filter's job on `input`, with the job's set-up put in first when it
// has one, through a private file in `folder` that is gone on return.
bool editJob(const tvx::filter::Job& filterJob, FILE* input, FILE* output, CMediaCatalog* catalog,
             const std::optional<JobSetup>& setup, const std::string& folder) {
  std::optional<tvx::PrivateTemp> prepared;
  if (setup) {
    prepared = tvx::PrivateTemp::create(folder, "tavorinex-in-");
    if (!prepared || !prepareJob(input, prepared->stream(), *setup)) return false;
    std::rewind(prepared->stream());
    input = prepared->stream();
  }
  tvx::filter::JobResult result =
      tvx::filter::runJob(filterJob, input, output, [catalog](const char*) { return catalog; });
  return result.status == 0 && std::fflush(output) == 0;
}

// Runs the filter's job in a child, so that a job that crashes the editing
// takes down only itself. Returns the child's exit status, or -1 when it
// did not exit (a signal ended it) or could not start.
int editInChild(const tvx::filter::Job& filterJob, FILE* input, FILE* output,
                CMediaCatalog* catalog, const std::optional<JobSetup>& setup,
                const std::string& folder) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    _exit(editJob(filterJob, input, output, catalog, setup, folder) ? 0 : 1);
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

// The one path of every job once it is PostScript: the job's choices,
// their check against the printer, the editing in a child and the sending.
// `input` is the job's PostScript.
bool printPostScript(pappl_job_t* job, const pappl_pr_options_t* options, pappl_device_t* device,
                     FILE* input) {
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
  // A printer never read offers nothing to check the choices against.
  std::optional<JobSetup> setup;
  if (reading) {
    pappl_pr_driver_data_t data{};
    papplPrinterGetDriverData(printer, &data);
    setup = jobSetupFor(reading->capabilities, *catalog, data.media_default.size_name,
                        requestOf(job, *options, reading->capabilities));
    if (!setup->refusal.empty()) return refuseJob(job, setup->refusal);
    filterJob.media = setup->mediaKey;
    // The copies mark in the set-up tells the filter the printer makes them.
    filterJob.copies = setup->copies;
  }

  std::string folder = spoolFolder(job);
  std::optional<tvx::PrivateTemp> edited = tvx::PrivateTemp::create(folder, "tavorinex-job-");
  if (!edited) return failJob(job, "No temporary file for the edited job.");

  int status = editInChild(filterJob, input, edited->stream(), catalog.get(), setup, folder);
  if (status != 0) {
    return failJob(job, status < 0
                            ? "The job's editing stopped abnormally; the job is aborted."
                            : "The job could not be edited for the printer; the job is aborted.");
  }
  if (!sendToDevice(edited->stream(), device))
    return failJob(job, "The printer did not take the job.");
  return true;
}

bool printPostScriptFile(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  tvx::UniqueFile input(std::fopen(papplJobGetFilename(job), "rb"));
  if (!input) return failJob(job, "The job's file cannot be read.");
  return printPostScript(job, options, device, input.get());
}

struct OptionsDeleter {
  void operator()(pappl_pr_options_t* options) const { papplJobDeletePrintOptions(options); }
};

// The pages a PDF job asks for; PAPPL takes one range only.
PageRange pagesOf(pappl_job_t* job, const pappl_pr_options_t& options) {
  if (papplJobGetAttribute(job, "page-ranges") == nullptr) return {};
  return {options.first_page, options.last_page};
}

// Ghostscript's messages in the job's log, the first lines only: a PDF
// damaged throughout gives one for each object.
void logMessages(pappl_job_t* job, FILE* messages, pappl_loglevel_t level) {
  std::rewind(messages);
  char line[256];
  for (int count = 0; count < kGhostscriptLines && std::fgets(line, sizeof line, messages);
       ++count) {
    line[std::strcspn(line, "\n")] = '\0';
    if (line[0] != '\0') papplLogJob(job, level, "gs: %s", line);
  }
}

// A PDF job: Ghostscript's PostScript of it goes the PostScript job's way.
bool printPdf(pappl_job_t* job, pappl_device_t* device, void*) {
  std::unique_ptr<pappl_pr_options_t, OptionsDeleter> options(
      papplJobCreatePrintOptions(job, 0, true));
  if (!options) return failJob(job, "No memory for the job's options.");
  std::string folder = spoolFolder(job);
  std::optional<tvx::PrivateTemp> converted =
      tvx::PrivateTemp::create(folder, "tavorinex-pdf-");
  if (!converted) return failJob(job, "No temporary file for the job's PostScript.");
  std::optional<tvx::PrivateTemp> messages = tvx::PrivateTemp::create(folder, "tavorinex-gs-");
  if (!messages) return failJob(job, "No temporary file for Ghostscript's messages.");
  std::string why =
      pdfToPostScript(papplJobGetFilename(job), pagesOf(job, *options), fileno(converted->stream()),
                      fileno(messages->stream()), kGhostscriptLimit);
  logMessages(job, messages->stream(), why.empty() ? PAPPL_LOGLEVEL_DEBUG : PAPPL_LOGLEVEL_WARN);
  if (!why.empty()) return refuseJob(job, why, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR);
  std::rewind(converted->stream());
  return printPostScript(job, options.get(), device, converted->stream());
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

void addPdfFilter(pappl_system_t* system) {
  papplSystemAddMIMEFilter(system, "application/pdf", "application/postscript", printPdf, nullptr);
}

void setJobCallbacks(pappl_pr_driver_data_t& data) {
  data.format = "application/postscript";
  data.printfile_cb = printPostScriptFile;
  data.rstartjob_cb = refuseRasterJob;
  data.rendjob_cb = refuseRasterJob;
  data.rstartpage_cb = refuseRasterPage;
  data.rendpage_cb = refuseRasterPage;
  data.rwriteline_cb = refuseRasterLine;
}

}  // namespace tvx::papp
