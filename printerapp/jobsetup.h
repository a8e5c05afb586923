// What an IPP job's choices give the filter's job: the catalog media, and
// the feature blocks and copies mark that CUPS writes into a job of the
// same choices on the queue's PPD, so that the printer receives what the
// PPD front sends. No PAPPL: the choices are plain records.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobchoices/mediachoice.h"
#include "printerapp/capabilities.h"

class CMediaCatalog;

namespace tvx::papp {

// An IPP job's choices, in the names the printer offers.
struct JobRequest {
  tvx::jobchoices::MediaRequest media;
  // "finishings" values; "none" (3) asks nothing.
  std::vector<int> finishings;
  // The profile options' values by vendor attribute: the job's, else the
  // printer's default.
  std::map<std::string, std::string> profiles;
  bool landscape = false;
  int copies = 1;
};

// What the filter's job gets, or why the job is refused.
struct JobSetup {
  // The catalog key of the media (tvx::filter::Job::media).
  std::string mediaKey;
  // The feature blocks of the job's set-up, and pstops's copies code.
  std::string setup;
  int copies = 1;
  // For the IPP client: why the job cannot print; empty when it can.
  std::string refusal;
};

// The set-up of `request` on a printer of `capabilities` whose catalog is
// `catalog` and whose default media is the IPP media `defaultMedia`. A
// source, type, media, finishing or profile value the printer does not
// offer is refused.
JobSetup jobSetupFor(const Capabilities& capabilities, CMediaCatalog& catalog,
                     std::string_view defaultMedia, const JobRequest& request);

// The head of a job (up to its first page) with the copies mark CUPS puts
// in the header comments and `setup` in its set-up section.
std::string preparedHead(std::string_view head, const JobSetup& setup);

// The length of the head of `job`: up to its first "%%Page:" line outside
// embedded documents; nullopt when `job` has no such line (yet).
std::optional<std::size_t> headLength(std::string_view job);

}  // namespace tvx::papp
