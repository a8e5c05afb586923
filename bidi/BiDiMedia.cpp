#include "bidi/BiDiMedia.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiLandmarks.h"
#include "bidi/BiDiUtils.h"
#include "bidi/BiDiWindow.h"
#include "bidi/lib/BiDiMedia.h"
#include "common/drvlog.h"
#include "common/printertext.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::bidi::writeBufferToTempPSStreamUntilGivenString;
using tvx::bidi::getPageSizeIdentifier;

namespace {

using tvx::bidi::kDone;
using tvx::bidi::kFileFailed;
using tvx::bidi::kNoMedia;
using tvx::bidi::kQueryFailed;

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

using Window = tvx::bidi::PPDWindow;

int copyTo(Window& window, const std::string& marker) {
  return writeBufferToTempPSStreamUntilGivenString(marker.c_str(), window.text, &window.count, 0);
}

int dropTo(Window& window, const std::string& marker) {
  return writeBufferToTempPSStreamUntilGivenString(marker.c_str(), window.text, &window.count, 1);
}

void write(const std::string& text) { writeLineToTempPSStream(text.c_str()); }

std::string ppdKeyOf(const CMedia* media) {
  char key[kKeySize];
  return media->GetPpdKey(key);
}

// The media name as a PPD translation.
std::string translationOf(const CMedia* media) {
  char name[kKeySize];
  return tvx::text::ppdTranslation(media->GetName(name));
}

std::string pointsOf(const CMedia* media) {
  return std::to_string(tvx::catalog::sizeInPoints(media->GetWidth())) + " " +
         std::to_string(tvx::catalog::sizeInPoints(media->GetLength()));
}

// The "<< ... >>" dictionary of the media's set-up command. The end is the
// last ">>": the colour and type strings before it may hold ">>" themselves.
std::string dictionaryOf(CMediaCatalog* catalog, const CMedia* media) {
  int size = catalog->GetPSCommand(media, nullptr);
  if (size <= 0) return {};
  std::string command(static_cast<size_t>(size), '\0');
  catalog->GetPSCommand(media, command.data());
  command.resize(std::strlen(command.c_str()));
  size_t begin = command.find("<<");
  size_t end = command.rfind(">>");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return {};
  return command.substr(begin, end + 2 - begin);
}

// Whether a media can be a PPD choice: it needs a keyword that no earlier
// media has (a choice may occur only once) and sides from a point (a PPD may
// not give a page size of 0) to 100 inches (beyond that it is no size a
// printer has).
bool isUsable(CMediaCatalog* catalog, CMedia* media) {
  return media->ppdKey[0] != '\0' && catalog->GetMediaByPPDKey(media->ppdKey) == nullptr &&
         media->GetWidth() >= kMinSide && media->GetLength() <= kMaxSide;
}

// Empties the catalog and adds one record per usable printer media.
// Returns whether any was added.
bool refillCatalog(CMediaCatalog* catalog, const TS_BiDiMedia* list) {
  catalog->DeleteAllMedias();
  LOGPRINTA(LOG_LIGHT, "Add all the medias in media catalog");
  for (const TS_BiDiMedia* media = list; media != nullptr; media = media->next) {
    std::unique_ptr<CMedia> record(new (std::nothrow) CMedia(media));
    if (record && isUsable(catalog, record.get())) catalog->AddMedia(record.release());
  }
  return catalog->GetAllMedias() != nullptr;
}

// The PPD's default page size when the catalog has it, else the key of the
// catalog's first media. The window starts with the "*DefaultPageSize:" line.
std::string defaultKeyOf(CMediaCatalog* catalog, const Window& window) {
  char identifier[kKeySize] = {};
  getPageSizeIdentifier(window.text, identifier);
  if (identifier[0] != '\0' && catalog->GetMediaByPPDKey(identifier) != nullptr) {
    return identifier;
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
// option with the catalog's media.
void writeSizeOption(CMediaCatalog* catalog, Window& window, const std::string& option,
                     const std::string& defaultKey) {
  copyTo(window, "*Default" + option + ":");
  write("*Default" + option + ": " + defaultKey + "\n");
  for (const CMedia* media = catalog->GetAllMedias(); media != nullptr; media = media->GetNext()) {
    write(fitToPPDLines("*" + option + " " + ppdKeyOf(media) + "/" + translationOf(media) +
                        ": \"" + dictionaryOf(catalog, media) + " setpagedevice\""));
  }
  dropTo(window, "*CloseUI: *" + option);
}

// Replaces the paper dimension entries and everything up to the output bin
// group with the catalog's paper dimensions and imageable areas.
void writeAreas(CMediaCatalog* catalog, Window& window, const std::string& defaultKey) {
  copyTo(window, "*DefaultPaperDimension:");
  write("*DefaultPaperDimension: " + defaultKey + "\n");
  for (const CMedia* media = catalog->GetAllMedias(); media != nullptr; media = media->GetNext()) {
    write("*PaperDimension " + ppdKeyOf(media) + "/" + translationOf(media) + ": \"" +
          pointsOf(media) + "\"\n");
  }
  dropTo(window, "*DefaultImageableArea");
  write(std::string(kRule) + kImageableAreaTitle + kRule);
  write("*DefaultImageableArea: " + defaultKey + "\n");
  for (const CMedia* media = catalog->GetAllMedias(); media != nullptr; media = media->GetNext()) {
    write("*ImageableArea " + ppdKeyOf(media) + "/" + translationOf(media) + ": \"0 0 " +
          pointsOf(media) + "\"\n");
  }
  write(std::string(kRule) + kOutputBinTitle + kRule);
  dropTo(window, "*OpenUI *OutputBin");
}

// Rewrites the media entries of a PPD cycle from the catalog.
void writeMediaEntries(CMediaCatalog* catalog, Window& window) {
  copyTo(window, "*DefaultPageSize:");
  std::string defaultKey = defaultKeyOf(catalog, window);
  writeSizeOption(catalog, window, "PageSize", defaultKey);
  writeSizeOption(catalog, window, "PageRegion", defaultKey);
  writeAreas(catalog, window, defaultKey);
}

// The forward lines between the page selector and each value of `option`,
// then the backward lines; an empty `option` takes the values as whole
// "*Option Choice" texts.
void writeConstraintPairs(const std::string& page, std::string_view option,
                          const std::vector<std::string_view>& values) {
  std::string prefix = option.empty() ? std::string() : std::string(option) + " ";
  for (std::string_view value : values) {
    write("*UIConstraints: " + page + " " + prefix + std::string(value) + "\n");
  }
  for (std::string_view value : values) {
    write("*UIConstraints: " + prefix + std::string(value) + " " + page + "\n");
  }
}

void writeConstraintsOf(const CMedia* media) {
  std::string page = "*PageSize " + ppdKeyOf(media);
  bool longEdge = media->GetFeedEdge() == 2;
  if (!media->GetCanDuplex()) writeConstraintPairs(page, "*Duplex", duplexType);
  writeConstraintPairs(page, "*Punch",
                       !media->GetCanPunch() ? punchType
                       : longEdge            ? punchTypeLEF
                                             : punchTypeSEF);
  writeConstraintPairs(page, "*Staple",
                       !media->GetCanStaple() ? stapleType
                       : longEdge             ? stapleTypeLEF
                                              : stapleTypeSEF);
  if (media->GetFeedEdge() == 1) writeConstraintPairs(page, "", constraintLEF);
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
int writeMediaConstraints(const char* queue, CMediaCatalog* catalog) {
  LOGPRINTA(LOG_FULL, "Update MediaConstraints BEGIN");
  return tvx::bidi::editPPD(queue, constraintLandmarksHold, [catalog](Window& window) {
    if (copyTo(window, kConstraintsBegin) != 0) return;
    writeLineFromBufferToTempPSStream(window.text, &window.count, 0);
    dropTo(window, kConstraintsEnd);
    for (const CMedia* media = catalog->GetAllMedias(); media != nullptr;
         media = media->GetNext()) {
      writeConstraintsOf(media);
    }
  });
}

}  // namespace

int BiDi_UpdateMedia(unsigned char sessionID, const char* queue) {
  LOGPRINTA(LOG_FULL, "BiDi_UpdateMedia BEGIN");
  PTS_BiDiMedia head = nullptr;
  TE_BiDiStatus status = BiDi_GetMedia(sessionID, &head);
  tvx::bidi::MediaList list(head);
  if (status != en_BiDiSuccess) return kQueryFailed;
  if (!list) return kNoMedia;
  // A queue without a PPD this update can rewrite gets no catalog either,
  // which would disagree with whatever PPD the queue gets.
  if (!tvx::bidi::queuePPDPasses(queue, mediaLandmarksHold)) return kFileFailed;

  CMediaCatalog* catalog = CMediaCatalog::GetInstance(queue);
  if (!refillCatalog(catalog, list.get())) return kNoMedia;
  LOGPRINTA(LOG_LIGHT, "Manage the PPD");
  int written = tvx::bidi::editPPD(queue, mediaLandmarksHold, [catalog](Window& window) {
    writeMediaEntries(catalog, window);
  });
  if (written != kDone) return written;

  // The constraints follow the media now in the PPD even when the catalog
  // file could not be written.
  bool saved = catalog->SaveMedia();
  writeMediaConstraints(queue, catalog);
  return saved ? kDone : kFileFailed;
}

int UpdateMedia_Constraints(const char* queue) {
  return writeMediaConstraints(queue, CMediaCatalog::GetInstance(queue));
}
