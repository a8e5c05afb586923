#include "bidi/MediaUpdate.h"

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiLandmarks.h"
#include "bidi/CatalogMedia.h"
#include "bidi/PPDCycle.h"
#include "bidi/lib/BiDiMedia.h"
#include "common/drvlog.h"
#include "common/printertext.h"
#include "jobchoices/features.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"
#include "mediacatalog/sizechoices.h"

namespace {

using tvx::bidi::UpdateStatus;

// Capacity of a catalog name or PPD key, terminator included.
constexpr int kKeySize = 32;

// Page sides a PPD can offer, in thousandths of a point: at least a point,
// at most 100 inches. A printer's negative size arrives as a huge number.
constexpr unsigned long kMinSide = 1000;
constexpr unsigned long kMaxSide = 7200000;

constexpr const char* kRule =
    "*% ==========================================================================\n";
constexpr const char* kImageableAreaTitle =
    "*% ========== Imageable area ================================================\n";
constexpr const char* kOutputBinTitle =
    "*% ========== Output Bin ================================================\n";

constexpr const char* kConstraintsBegin = "*% Media Constraints BEGIN";
constexpr const char* kConstraintsEnd = "*% Media Constraints END";

const std::vector<std::string_view> duplexType = {"DuplexNoTumble", "DuplexTumble"};
const std::vector<std::string_view> punchType = {"2LP", "2LL", "2TP", "2TL", "3LP",
                                                 "3LL", "3TP", "3TL", "4LP", "4LL",
                                                 "4TP", "4TL", "RingLP", "RingLL"};
const std::vector<std::string_view> punchTypeLEF = {"2LP", "2TL", "3LP", "3TL",
                                                    "4LP", "4TL", "RingLP"};
const std::vector<std::string_view> punchTypeSEF = {"2LL", "2TP", "3LL", "3TP",
                                                    "4LL", "4TP", "RingLL"};
const std::vector<std::string_view> stapleType = {"1LVP", "1LVL", "1LHP", "1LHL", "1LDP", "1LDL",
                                                  "2LP",  "2LL",  "1TVP", "1TVL", "1THP", "1THL",
                                                  "1TDP", "1TDL", "2TP",  "2TL"};
const std::vector<std::string_view> stapleTypeLEF = {"1LVP", "1LHL", "1LDP", "2LP",
                                                     "1TVP", "1THL", "1TDL", "2TL"};
const std::vector<std::string_view> stapleTypeSEF = {"1LVL", "1LHP", "1LDL", "2LL",
                                                     "1TVL", "1THP", "1TDP", "2TP"};
const std::vector<std::string_view> constraintLEF = {"*OutputBin Booklet"};

using Window = tvx::PSWindow;

int copyTo(Window& window, const std::string& marker) {
  return window.copyUntilMarker(marker.c_str(), 0, tvx::bidi::logMarkerFound);
}

int dropTo(Window& window, const std::string& marker) {
  return window.copyUntilMarker(marker.c_str(), 1, tvx::bidi::logMarkerFound);
}

std::string ppdKeyOf(const CMedia* media) {
  char key[kKeySize];
  return media->GetPpdKey(key);
}

// The media name as a PPD translation.
std::string translationOf(const CMedia* media) {
  char name[kKeySize];
  return tvx::text::ppdTranslation(media->GetName(name));
}

// Whether a media can be a PPD choice: it needs a keyword that no earlier
// media has (a choice may occur only once) and sides from a point (a PPD may
// not give a page size of 0) to 100 inches (beyond that it is no size a
// printer has).
bool isUsable(CMediaCatalog* catalog, CMedia* media) {
  return media->ppdKey[0] != '\0' && catalog->GetMediaByPPDKey(media->ppdKey) == nullptr &&
         media->GetWidth() >= kMinSide && media->GetLength() <= kMaxSide;
}

// Empties the catalog and adds one record per usable printer media, in the
// printer's own order (the list holds the rows in reverse): CUPS gives a
// request that names only a size the first page size of that size, and the
// printer lists its everyday media first. Returns whether any was added.
bool refillCatalog(CMediaCatalog* catalog, const TS_BiDiMedia* list) {
  catalog->DeleteAllMedias();
  LOGPRINTA(LOG_LIGHT, "Add all the medias in media catalog");
  std::vector<const TS_BiDiMedia*> rows;
  for (const TS_BiDiMedia* media = list; media != nullptr; media = media->next) {
    rows.push_back(media);
  }
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    std::unique_ptr<CMedia> record = tvx::bidi::catalogMediaFrom(**row);
    if (record && isUsable(catalog, record.get())) catalog->AddMedia(record.release());
  }
  return catalog->GetAllMedias() != nullptr;
}

// One page size entry of the PPD: a size choice or a media.
struct SizeEntry {
  std::string key;
  std::string translation;
  // The "<< ... >>" dictionary of its set-up.
  std::string dictionary;
  // Its paper dimension, "<width> <length>" in points.
  std::string sides;
};

// Tenths of a point as PPD text: "595" or "595.1".
std::string tenthsText(unsigned long tenths) {
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
  return text;
}

// The PPD's page size entries: the size choices, then the media. CUPS shows
// IPP clients only the first of several page sizes within 0.02 mm of each
// other, so each media lies a tenth of a point (or a few) beyond its true
// size and beyond every entry before it; what the printer receives is the
// media's own set-up, in whole points.
std::vector<SizeEntry> sizeEntriesOf(CMediaCatalog* catalog,
                                     const std::vector<tvx::catalog::SizeChoice>& choices) {
  std::vector<SizeEntry> entries;
  std::set<std::pair<unsigned long, unsigned long>> taken;
  for (const tvx::catalog::SizeChoice& choice : choices) {
    if (choice.key.empty()) continue;
    std::string width = std::to_string(choice.width);
    std::string length = std::to_string(choice.length);
    entries.push_back({choice.key, choice.translation,
                       "<< /PageSize [" + width + " " + length + "] /ImagingBBox null >>",
                       width + " " + length});
    taken.insert({choice.width * 10, choice.length * 10});
  }
  for (const CMedia* media = catalog->GetAllMedias(); media != nullptr; media = media->GetNext()) {
    unsigned long width = tvx::catalog::sizeInPoints(media->GetWidth()) * 10;
    unsigned long length = tvx::catalog::sizeInPoints(media->GetLength()) * 10;
    unsigned long offset = 1;
    while (taken.count({width + offset, length + offset}) != 0) ++offset;
    taken.insert({width + offset, length + offset});
    entries.push_back({ppdKeyOf(media), translationOf(media),
                       tvx::jobchoices::mediaDictionary(*catalog, *media),
                       tenthsText(width + offset) + " " + tenthsText(length + offset)});
  }
  return entries;
}

// The PPD's default page size when it is still one of `entries`, else the
// key of the catalog's first media. The window starts with the
// "*DefaultPageSize:" line.
std::string defaultKeyOf(CMediaCatalog* catalog, const std::vector<SizeEntry>& entries,
                         const Window& window) {
  char identifier[kKeySize] = {};
  tvx::bidi::entryOption(window.text(), identifier);
  for (const SizeEntry& entry : entries) {
    if (identifier[0] != '\0' && entry.key == identifier) return identifier;
  }
  return ppdKeyOf(catalog->GetAllMedias());
}

// A PPD line holds at most 255 bytes. A longer entry (long escaped colour
// and type texts) continues its quoted value on further lines, broken at
// spaces outside PostScript strings, and ends with "*End". Parentheses count
// from the value on: the keyword and translation before it may hold any.
std::string fitToPPDLines(const std::string& entry) {
  constexpr size_t kMaxLine = 255;
  if (entry.size() <= kMaxLine) return entry + "\n";
  std::string lines;
  size_t lineStart = 0;
  size_t lastBreak = std::string::npos;
  int depth = 0;
  size_t value = entry.find(": \"");
  for (size_t i = value == std::string::npos ? 0 : value; i < entry.size(); ++i) {
    char c = entry[i];
    if (depth > 0 && c == '\\') {
      ++i;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (c == ' ' && depth == 0) {
      lastBreak = i;
    }
    if (i - lineStart >= kMaxLine && lastBreak != std::string::npos && lastBreak > lineStart) {
      lines += entry.substr(lineStart, lastBreak - lineStart) + "\n";
      lineStart = lastBreak + 1;
      lastBreak = std::string::npos;
    }
  }
  return lines + entry.substr(lineStart) + "\n*End\n";
}

// Replaces the default line and the choices of the PageSize or PageRegion
// option with the size entries.
void writeSizeOption(const std::vector<SizeEntry>& entries, Window& window,
                     const std::string& option, const std::string& defaultKey) {
  copyTo(window, "*Default" + option + ":");
  window.write("*Default" + option + ": " + defaultKey + "\n");
  for (const SizeEntry& entry : entries) {
    window.write(fitToPPDLines("*" + option + " " + entry.key + "/" + entry.translation + ": \"" +
                        entry.dictionary + " setpagedevice\""));
  }
  dropTo(window, "*CloseUI: *" + option);
}

// Replaces the paper dimension entries and everything up to the output bin
// group with the size entries' paper dimensions and imageable areas.
void writeAreas(const std::vector<SizeEntry>& entries, Window& window,
                const std::string& defaultKey) {
  copyTo(window, "*DefaultPaperDimension:");
  window.write("*DefaultPaperDimension: " + defaultKey + "\n");
  for (const SizeEntry& entry : entries) {
    window.write("*PaperDimension " + entry.key + "/" + entry.translation + ": \"" + entry.sides +
          "\"\n");
  }
  dropTo(window, "*DefaultImageableArea");
  window.write(std::string(kRule) + kImageableAreaTitle + kRule);
  window.write("*DefaultImageableArea: " + defaultKey + "\n");
  for (const SizeEntry& entry : entries) {
    window.write("*ImageableArea " + entry.key + "/" + entry.translation + ": \"0 0 " + entry.sides +
          "\"\n");
  }
  window.write(std::string(kRule) + kOutputBinTitle + kRule);
  dropTo(window, "*OpenUI *OutputBin");
}

// Rewrites the media entries of a PPD cycle from the catalog.
void writeMediaEntries(CMediaCatalog* catalog, Window& window) {
  std::vector<SizeEntry> entries = sizeEntriesOf(catalog, tvx::catalog::sizeChoices(*catalog));
  copyTo(window, "*DefaultPageSize:");
  std::string defaultKey = defaultKeyOf(catalog, entries, window);
  writeSizeOption(entries, window, "PageSize", defaultKey);
  writeSizeOption(entries, window, "PageRegion", defaultKey);
  writeAreas(entries, window, defaultKey);
}

// The forward lines between the page selector and each value of `option`,
// then the backward lines; an empty `option` takes the values as whole
// "*Option Choice" texts.
void writeConstraintPairs(Window& window, const std::string& page, std::string_view option,
                          const std::vector<std::string_view>& values) {
  std::string prefix = option.empty() ? std::string() : std::string(option) + " ";
  for (std::string_view value : values) {
    window.write("*UIConstraints: " + page + " " + prefix + std::string(value) + "\n");
  }
  for (std::string_view value : values) {
    window.write("*UIConstraints: " + prefix + std::string(value) + " " + page + "\n");
  }
}

// The constraints of the page size `key` printed on `media`.
void writeConstraintsOf(Window& window, const std::string& key, const CMedia* media) {
  std::string page = "*PageSize " + key;
  bool longEdge = media->GetFeedEdge() == 2;
  if (!media->GetCanDuplex()) writeConstraintPairs(window, page, "*Duplex", duplexType);
  writeConstraintPairs(window, page, "*Punch",
                       !media->GetCanPunch() ? punchType
                       : longEdge            ? punchTypeLEF
                                             : punchTypeSEF);
  writeConstraintPairs(window, page, "*Staple",
                       !media->GetCanStaple() ? stapleType
                       : longEdge             ? stapleTypeLEF
                                              : stapleTypeSEF);
  if (media->GetFeedEdge() == 1) writeConstraintPairs(window, page, "", constraintLEF);
}

// A PPD of the model whose constraint block, when it has one, ends.
bool constraintLandmarksHold(std::string_view ppd) {
  tvx::bidi::LandmarkWalk walk(ppd);
  walk.copyTo(kConstraintsBegin);
  walk.passLine();
  walk.dropTo(kConstraintsEnd);
  return tvx::bidi::isModelPPD(ppd) && walk.safe();
}

// A PPD the media update can rewrite: the media groups and entries in the
// order of its pass, each default line inside its option, each drop ending
// where its section does, and the constraint block whole.
bool mediaLandmarksHold(std::string_view ppd) {
  tvx::bidi::LandmarkWalk walk(ppd);
  if (!walk.copyTo("*DefaultPageSize:")) return false;
  for (std::string option : {"PageSize", "PageRegion"}) {
    if (!walk.copyTo("*Default" + option + ":") || !walk.insideOption(option)) return false;
    walk.dropTo("*CloseUI: *" + option);
  }
  if (!walk.copyTo("*DefaultPaperDimension:")) return false;
  walk.dropTo("*DefaultImageableArea");
  walk.dropTo("*OpenUI *OutputBin");
  return walk.safe() && constraintLandmarksHold(ppd);
}

// One PPD cycle that replaces the constraint block with that of `catalog`.
UpdateStatus writeMediaConstraints(const char* queue, CMediaCatalog* catalog) {
  LOGPRINTA(LOG_FULL, "Update MediaConstraints BEGIN");
  return tvx::bidi::editPPD(queue, constraintLandmarksHold, [catalog](Window& window) {
    if (copyTo(window, kConstraintsBegin) != 0) return;
    window.takeHeldLine(0);
    dropTo(window, kConstraintsEnd);
    // A size choice is constrained as the first media of its size, on which
    // it prints unless the queue's default media has that size.
    for (const tvx::catalog::SizeChoice& choice : tvx::catalog::sizeChoices(*catalog)) {
      if (!choice.key.empty()) writeConstraintsOf(window, choice.key, choice.first);
    }
    for (const CMedia* media = catalog->GetAllMedias(); media != nullptr;
         media = media->GetNext()) {
      writeConstraintsOf(window, ppdKeyOf(media), media);
    }
  });
}

}  // namespace

UpdateStatus BiDi_UpdateMedia(unsigned char sessionID, const char* queue) {
  LOGPRINTA(LOG_FULL, "BiDi_UpdateMedia BEGIN");
  PTS_BiDiMedia head = nullptr;
  TE_BiDiStatus status = BiDi_GetMedia(sessionID, &head);
  tvx::bidi::MediaList list(head);
  if (status != en_BiDiSuccess) return UpdateStatus::kQueryFailed;
  if (!list) return UpdateStatus::kNoMedia;
  // A queue without a PPD this update can rewrite gets no catalog either,
  // which would disagree with whatever PPD the queue gets.
  if (!tvx::bidi::queuePPDPasses(queue, mediaLandmarksHold)) return UpdateStatus::kFileFailed;

  CMediaCatalog* catalog = CMediaCatalog::GetInstance(queue);
  if (!refillCatalog(catalog, list.get())) return UpdateStatus::kNoMedia;
  LOGPRINTA(LOG_LIGHT, "Manage the PPD");
  UpdateStatus written = tvx::bidi::editPPD(queue, mediaLandmarksHold, [catalog](Window& window) {
    writeMediaEntries(catalog, window);
  });
  if (written != UpdateStatus::kDone) return written;

  // The constraints follow the media now in the PPD even when the catalog
  // file could not be written.
  bool saved = catalog->SaveMedia();
  writeMediaConstraints(queue, catalog);
  return saved ? UpdateStatus::kDone : UpdateStatus::kFileFailed;
}

UpdateStatus UpdateMedia_Constraints(const char* queue) {
  return writeMediaConstraints(queue, CMediaCatalog::GetInstance(queue));
}
