// The media a job's pages print on: the queue's catalog media that a page
// size keyword names, either as the media's own key or as a size choice
// (mediacatalog/sizechoices.h), and the texts each page gets for it.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Pages.h"

namespace tvx::filter {

// The feature that selects tray `tray`; empty for 0.
std::string trayCommandFor(int tray);

// The option keyword of the first "*DefaultPageSize:" line of the PPD at
// `ppdPath`; empty when it cannot be read or has none.
std::string defaultPageSizeOf(const std::string& ppdPath);

// Looks page size keywords up for one job. The catalog and the PPD's default
// are read on the first look-up. A keyword that names no media gets one
// "WARNING:" line on standard error per job, saying why.
class JobMedia {
 public:
  JobMedia(const Job& job, const CatalogOf& catalogOf) : job_(job), catalogOf_(catalogOf) {}

  // The comment and set-up of the media `pageSizeKey` names, with the
  // command that selects `tray` (none for 0); an empty comment when it
  // names none.
  PageTexts textsFor(const char* pageSizeKey, int tray);

 private:
  // The texts of `pageSizeKey` without a tray command, from the catalog.
  PageTexts lookUp(const char* pageSizeKey);
  void warn(const char* pageSizeKey);

  const Job& job_;
  const CatalogOf& catalogOf_;
  CMediaCatalog* catalog_ = nullptr;
  std::string defaultKey_;
  // Each keyword is looked up once: every page of a job may name one.
  std::map<std::string, PageTexts, std::less<>> texts_;
  bool warned_ = false;
};

}  // namespace tvx::filter
