#include "filter/Ostrel3Pages.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "common/psstream.h"
#include "filter/Ostrel3Stream.h"
#include "jobchoices/features.h"

namespace tvx::filter {

namespace {

constexpr char kFeatureStart[] = "[{\n";
constexpr char kPageSizeFeature[] = "[{\n%%BeginFeature: *PageSize ";
constexpr char kPageRegionFeature[] = "[{\n%%BeginFeature: *PageRegion ";
constexpr char kInputSlotFeature[] = "[{\n%%BeginFeature: *InputSlot ";
constexpr char kFeatureEnd[] = "%%EndFeature";
constexpr char kPageMarker[] = "%%Page:";
constexpr std::string_view kPageSetup = "%%BeginPageSetup";

// The "%%BeginFeature:" line of the feature at the front of the window.
const char* featureLine(const PSWindow& window) { return window.text() + (sizeof kFeatureStart - 1); }

// "Tray<digit>..." gives the digit; keys without a digit in the fifth place give 0.
int trayNumber(const char* slotKey) {
  if (std::strlen(slotKey) < 5) return 0;
  char digit = slotKey[4];
  return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

// Drops the feature at the front of the window: its body, the
// "%%EndFeature" line and the line after it. A feature whose end is not in
// sight stays, rather than the dropping running on through the rest of the job.
void dropFeature(PSWindow& window) {
  if (window.held().find(kFeatureEnd) == std::string_view::npos) return;
  writeBufferToTempPSStreamUntilGivenString(kFeatureEnd, window, 1);
  window.takeHeldLine(1);
  window.takeHeldLine(1);
}

// Where the page's own "%%BeginPageSetup" line starts in the window, which
// starts with the line after the page's "%%Page:" line: it must follow the
// page's comment lines directly. npos when the page has none in sight.
std::size_t ownPageSetup(std::string_view held) {
  std::size_t at = 0;
  while (at < held.size()) {
    std::string_view line = held.substr(at, held.find_first_of("\r\n", at) - at);
    if (at + line.size() == held.size()) return std::string_view::npos;  // not seen whole
    if (line == kPageSetup) return at;
    if (!line.starts_with('%') || line.starts_with(kPageMarker) ||
        line.starts_with("%%BeginDocument")) {
      return std::string_view::npos;
    }
    at += line.size() + 1;
    if (held.substr(at - 1, 2) == "\r\n") ++at;
  }
  return std::string_view::npos;
}

// A feature of the page's own set-up: where its "[{" line starts in the
// window and the option keyword of its "%%BeginFeature:" line.
struct SetupFeature {
  std::size_t at = std::string_view::npos;
  char key[kPageSizeKeySize] = {};
};

// The features of the page's own set-up that choose its media.
struct SetupFeatures {
  // Its page size feature, else its page region feature.
  SetupFeature size;
  SetupFeature slot;
};

// The first page size, page region and input slot features at a line start
// in the page set-up that starts at `setup`, found in one pass over the
// set-up. A feature counts when it and its "%%EndFeature" lie before the
// page's last "%%EndPageSetup" line within the window (CUPS's pstops closes
// a set-up of its own and passes the document's set-up lines on behind it),
// outside embedded documents.
SetupFeatures setupFeatures(const PSWindow& window, std::size_t setup) {
  enum { kPageSize, kPageRegion, kInputSlot, kKinds };
  constexpr std::string_view kMarkers[kKinds] = {kPageSizeFeature, kPageRegionFeature,
                                                 kInputSlotFeature};
  constexpr std::string_view kFeatureLine = "\n[{\n%%BeginFeature: *";
  constexpr std::size_t npos = std::string_view::npos;
  std::string_view held = window.held();
  SetupFeature found[kKinds];
  std::size_t end = held.rfind("\n%%EndPageSetup", held.find("\n%%Page:", setup));
  if (end == npos || end < setup) return {};
  std::size_t document = held.find("\n%%BeginDocument", setup);
  for (std::size_t at = held.find(kFeatureLine, setup); at < end;
       at = held.find(kFeatureLine, at + 1)) {
    for (int kind = 0; kind < kKinds; ++kind) {
      if (found[kind].at == npos && held.substr(at + 1).starts_with(kMarkers[kind])) {
        found[kind].at = at;
      }
    }
  }
  for (SetupFeature& feature : found) {
    // The feature must end inside the set-up too: dropping it runs to its end.
    if (feature.at == npos || held.find(kFeatureEnd, feature.at) >= end ||
        document < feature.at) {
      feature.at = npos;
      continue;
    }
    ++feature.at;
    featureOption(window.text() + feature.at + sizeof kFeatureStart - 1, feature.key);
  }
  return {found[kPageSize].at != npos ? found[kPageSize] : found[kPageRegion], found[kInputSlot]};
}

// Writes the comment of `texts` and the page's comment lines, and opens
// the page's set-up (its own when `setup` is not npos) with the set-up
// command and the tray command. Returns whether the set-up is the page's own.
bool openPageSetup(PSWindow& window, const PageTexts& texts, std::size_t setup) {
  window.write(texts.comment);
  bool ownSetup = setup != std::string_view::npos;
  if (ownSetup) {
    window.take(static_cast<int>(setup), 0);
    window.write("%%EndPageComments\n");
    window.takeLine(0);
  } else {
    window.write("%%EndPageComments\n");
    window.write("%%BeginPageSetup\n");
  }
  window.write(texts.command);
  if (!texts.trayCommand.empty()) window.write(texts.trayCommand);
  return ownSetup;
}

// Writes the texts of the page whose "%%Page:" line has just been copied.
void writePageTexts(PSWindow& window, const PageTexts& jobTexts, int jobTray,
                    const PageMediaTexts& pageMedia) {
  std::size_t setup = ownPageSetup(window.held());
  if (setup != std::string_view::npos) {
    SetupFeatures features = setupFeatures(window, setup);
    const SetupFeature& size = features.size;
    const SetupFeature& slot = features.slot;
    if (size.at != std::string_view::npos) {
      PageTexts texts =
          pageMedia(size.key, slot.at != std::string_view::npos ? trayNumber(slot.key) : jobTray);
      if (texts.comment.empty()) return;
      std::size_t lineAfterSetup = window.held().find('\n', setup) + 1;
      openPageSetup(window, texts, setup);
      window.take(static_cast<int>(size.at - lineAfterSetup), 0);
      dropFeature(window);
      return;
    }
  }
  if (jobTexts.comment.empty()) return;
  if (!openPageSetup(window, jobTexts, setup)) window.write("%%EndPageSetup\n");
}

}  // namespace

void takePageSizeFeature(PSWindow& window, int& inputTray, const PageSizeTaken& taken) {
  enum { kPageSize, kPageRegion, kInputSlot, kPage };
  bool sizeSeen = false;
  for (;;) {
    int found = copyUntilDscLine({kPageSizeFeature, kPageRegionFeature, kInputSlotFeature,
                                  kPageMarker},
                                 window, 0);
    if (found < 0 || found == kPage) return;
    if (found == kInputSlot) {
      char slotKey[kInputSlotKeySize] = {};
      featureOption(featureLine(window), slotKey);
      inputTray = trayNumber(slotKey);
    } else if (!sizeSeen) {
      sizeSeen = true;
      char pageSizeKey[kPageSizeKeySize] = {};
      featureOption(featureLine(window), pageSizeKey);
      if (taken(pageSizeKey)) {
        dropFeature(window);
        continue;
      }
    }
    window.takeLine(0);
  }
}

int editPages(PSWindow& window, const PageTexts& jobTexts, int jobTray,
               const PageMediaTexts& pageMedia) {
  int pages = 0;
  while (copyUntilDscLine({kPageMarker}, window, 0) == 0) {
    ++pages;
    window.takeLine(0);
    window.fill();
    writePageTexts(window, jobTexts, jobTray, pageMedia);
  }
  return pages;
}

}  // namespace tvx::filter

// The same block CUPS writes for the queue's InputSlot choice, from the one
// table of the printer's option code.
int getInputTrayCommand(int tray, char* command) {
  std::string block = tvx::jobchoices::featureBlock(
      {"InputSlot", "Tray" + std::to_string(tray), tvx::jobchoices::trayCode(tray)});
  std::snprintf(command, kTrayCommandSize, "%s", block.c_str());
  return 1;
}
