// The option code a job's set-up carries, as the PPD front (CUPS's
// PostScript filter) writes it, so that a job that did not come through a
// PPD reaches psfilter's job (tvx::filter::runJob) in the same form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jobchoices/optioncode.h"

class CMedia;
class CMediaCatalog;

namespace tvx::jobchoices {

// One chosen option: its choice and the choice's code.
struct Feature {
  std::string option;
  std::string choice;
  std::string code;
  double order = 0;
};

// The feature of `choice` in the table's option `option`; an empty option
// when the table has neither.
Feature tableFeature(std::string_view option, std::string_view choice);

// The page size feature of `key` with `code` as the queue's PPD has it; the
// filter replaces it with the media's set-up when the catalog has `key`.
Feature pageSizeFeature(std::string_view key, std::string_view code);

// The "<< ... >>" dictionary of the set-up command of `media` in `catalog`:
// with " setpagedevice" the media's page size code in the queue's PPD.
// Empty when the command has none.
std::string mediaDictionary(CMediaCatalog& catalog, const CMedia& media);

// A colour profile choice of the table's option `option`: the choice keyword
// and code bidiupdate writes for profile `profileName`. An empty option
// when `option` is no profile option or the name gives no keyword.
Feature profileFeature(std::string_view option, std::string_view profileName);

// The "[{ %%BeginFeature: ... %%EndFeature } stopped cleartomark" block of
// one feature: the code gets a line end when it has none; an empty code
// leaves the block without code lines.
std::string featureBlock(const Feature& feature);

// The features of a job's set-up: `chosen`, and every other option of the
// table at its default choice, in the order CUPS writes them (options
// sorted by keyword, then by order dependency with CUPS's exchange sort,
// which moves equal ones). A later feature of an option replaces an
// earlier one. Each of `chosen` names an option: an empty feature from the
// functions above is a choice the caller refuses.
std::vector<Feature> jobFeatures(const std::vector<Feature>& chosen);

// The blocks of `features`, one after the other.
std::string setupText(const std::vector<Feature>& features);

// `job` with `setup` written where CUPS writes a job's option code: behind
// the job's "%%BeginSetup" line; in a job without one, in a set-up section
// of its own ahead of the first "%%Page:" line, else at its end. DSC lines
// count at a line start only and outside embedded documents, as the filter
// reads them.
std::string withSetup(std::string_view job, std::string_view setup);

}  // namespace tvx::jobchoices
