#include "filter/Ostrel3Pages.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/psstream.h"
#include "filter/Ostrel3Job.h"
#include "filter/Ostrel3Stream.h"

namespace {

constexpr char kFeatureStart[] = "[{\n";
constexpr char kPageSizeFeature[] = "[{\n%%BeginFeature: *PageSize";
constexpr char kPageRegionFeature[] = "[{\n%%BeginFeature: *PageRegion";
constexpr char kInputSlotFeature[] = "[{\n%%BeginFeature: *InputSlot";
constexpr char kFeatureEnd[] = "%%EndFeature";
constexpr char kPageMarker[] = "%%Page:";
constexpr char kPageSetupMarker[] = "%%BeginPageSetup\n";

std::string_view heldText(const char* window, const int* count) {
  return std::string_view(window, static_cast<std::size_t>(*count));
}

// The "%%BeginFeature:" line of the feature at the front of the window.
const char* featureLine(const char* window) { return window + (sizeof kFeatureStart - 1); }

// "Tray<digit>..." gives the digit; keys without a digit in the fifth place give 0.
int trayNumber(const char* slotKey) {
  if (std::strlen(slotKey) < 5) return 0;
  char digit = slotKey[4];
  return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

// Copies the window's first line with its line feed, even when the line is
// longer than the window.
void copyLine(char* window, int* count) {
  while (heldText(window, count).find('\n') == std::string_view::npos) {
    writeBufferToTempPSStream(window, count, *count, 0);
    if (getBufferFromInputPSStream(window, count) != 0) return;
  }
  writeLineFromBufferToTempPSStream(window, count, 0);
}

// Writes the texts of the page whose "%%Page:" line has just been copied.
void writePageTexts(char* window, int* count, const tvx::filter::PageTexts& texts) {
  writeLineToTempPSStream(texts.comment.c_str());
  std::string_view held = heldText(window, count);
  std::string_view thisPage = held.substr(0, held.find(kPageMarker));
  bool ownSetup = thisPage.find(kPageSetupMarker) != std::string_view::npos;
  if (ownSetup) {
    writeBufferToTempPSStreamUntilGivenString(kPageSetupMarker, window, count, 0);
    writeLineToTempPSStream("%%EndPageComments\n");
    writeLineFromBufferToTempPSStream(window, count, 0);
  } else {
    writeLineToTempPSStream("%%EndPageComments\n");
    writeLineToTempPSStream("%%BeginPageSetup\n");
  }
  writeLineToTempPSStream(texts.command.c_str());
  if (!texts.trayCommand.empty()) writeLineToTempPSStream(texts.trayCommand.c_str());
  if (!ownSetup) writeLineToTempPSStream("%%EndPageSetup\n");
}

}  // namespace

int getInputTrayCommand(char* command) {
  std::snprintf(command, kTrayCommandSize,
                "[{\n%%%%BeginFeature: *InputSlot Tray%d\n<< /MediaPosition %d >> "
                "setpagedevice\n%%%%EndFeature\n} stopped cleartomark\n",
                nrInputTray, nrInputTray);
  return 1;
}

namespace tvx::filter {

bool takePageSizeFeature(char* window, int* count, char (&pageSizeKey)[kPageSizeKeySize]) {
  pageSizeKey[0] = '\0';
  if (writeBufferToTempPSStreamUntilGivenString_2(kPageSizeFeature, kPageRegionFeature, window,
                                                  count, 0) != 0) {
    return false;
  }
  bool pageRegion = heldText(window, count).find(kPageRegionFeature) != std::string_view::npos;
  getPageSizeIdentifier(featureLine(window), pageSizeKey);
  // Drop the feature: its body, the "%%EndFeature" line and the line after
  // it. A feature whose end is not in sight stays, rather than the dropping
  // running on through the rest of the job.
  if (heldText(window, count).find(kFeatureEnd) != std::string_view::npos) {
    writeBufferToTempPSStreamUntilGivenString(kFeatureEnd, window, count, 1);
    writeLineFromBufferToTempPSStream(window, count, 1);
    writeLineFromBufferToTempPSStream(window, count, 1);
  }
  if (!pageRegion) return true;
  if (writeBufferToTempPSStreamUntilGivenString(kInputSlotFeature, window, count, 0) != 0) {
    return false;
  }
  char slotKey[kInputSlotKeySize] = {};
  getPageSizeIdentifier(featureLine(window), slotKey);
  nrInputTray = trayNumber(slotKey);
  return true;
}

void editPages(char* window, int* count, const PageTexts& texts) {
  while (writeBufferToTempPSStreamUntilGivenString(kPageMarker, window, count, 0) == 0) {
    copyLine(window, count);
    getBufferFromInputPSStream(window, count);
    if (!texts.comment.empty()) writePageTexts(window, count, texts);
  }
}

}  // namespace tvx::filter
