#include "filter/Ostrel3Media.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/printertext.h"
#include "common/uniquefile.h"
#include "filter/Ostrel3Trace.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/sizechoices.h"

namespace tvx::filter {

namespace {

constexpr char kDefaultPageSize[] = "*DefaultPageSize:";

// One media text, produced by the catalog's two-call protocol.
std::string mediaText(int (CMediaCatalog::*produce)(const CMedia*, char*), CMediaCatalog& catalog,
                      const CMedia* media) {
  int room = (catalog.*produce)(media, nullptr);
  if (room <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(room) + 1, '\0');
  if ((catalog.*produce)(media, text.data()) != 0) return {};
  return std::string(text.data());
}

}  // namespace

std::string trayCommandFor(int tray) {
  if (tray == 0) return {};
  char command[kTrayCommandSize];
  getInputTrayCommand(tray, command);
  return command;
}

std::string defaultPageSizeOf(const std::string& ppdPath) {
  tvx::UniqueFile ppd(std::fopen(ppdPath.c_str(), "r"));
  if (!ppd) return {};
  // PPD lines hold at most 255 bytes; the tail of a longer line is read as
  // more of it, never as a line of its own.
  char line[512];
  bool lineStart = true;
  while (std::fgets(line, sizeof line, ppd.get()) != nullptr) {
    bool whole = std::strchr(line, '\n') != nullptr;
    if (lineStart && std::strncmp(line, kDefaultPageSize, sizeof kDefaultPageSize - 1) == 0) {
      std::string key = line + sizeof kDefaultPageSize - 1;
      std::size_t begin = key.find_first_not_of(" \t");
      std::size_t end = key.find_first_of(" \t\r\n/", begin);
      return begin == std::string::npos ? std::string() : key.substr(begin, end - begin);
    }
    lineStart = whole;
  }
  return {};
}

PageTexts JobMedia::textsFor(const char* pageSizeKey, int tray) {
  if (pageSizeKey[0] == '\0') {
    Trace("Media NOT found\n");
    return {};
  }
  auto known = texts_.find(pageSizeKey);
  if (known == texts_.end()) known = texts_.emplace(pageSizeKey, lookUp(pageSizeKey)).first;
  PageTexts texts = known->second;
  Trace(!texts.comment.empty() ? "MEDIA FOUND\n" : "Media NOT found\n");
  if (texts.comment.empty()) {
    warn(pageSizeKey);
  } else {
    texts.trayCommand = trayCommandFor(tray);
  }
  return texts;
}

PageTexts JobMedia::lookUp(const char* pageSizeKey) {
  if (catalog_ == nullptr) {
    catalog_ = catalogOf_(job_.queue.c_str());
    defaultKey_ = defaultPageSizeOf(job_.ppd);
  }
  const CMedia* media = catalog_->GetMediaByPPDKey(pageSizeKey);
  if (media == nullptr) {
    media = tvx::catalog::mediaForSizeChoice(*catalog_, pageSizeKey, defaultKey_);
  }
  PageTexts texts;
  if (media == nullptr) return texts;
  texts.comment = mediaText(&CMediaCatalog::GetPSComment, *catalog_, media);
  texts.command = mediaText(&CMediaCatalog::GetPSCommand, *catalog_, media);
  return texts;
}

void JobMedia::warn(const char* pageSizeKey) {
  if (warned_) return;
  warned_ = true;
  std::string catalog = tvx::text::singleLine(catalog_->GetMediaCatalogRepositoryFilePath());
  std::string line = "WARNING: Tavorinex software: pages get no media set-up: ";
  int error = catalog_->LoadError();
  if (error == ENOENT) {
    line += "the queue has no media catalog (" + catalog + ")";
  } else if (error != 0) {
    line += "cannot read the media catalog " + catalog + ": " + std::strerror(error);
  } else {
    line += "page size " + tvx::text::singleLine(pageSizeKey) + " is not in the media catalog " +
            catalog;
  }
  line += "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace tvx::filter
