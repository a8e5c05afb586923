// Editing the job on its way into the spool file: the job's own page size
// feature is taken out, and every page gets the media's page comment and
// set-up command, plus the tray command when the job selected a numbered
// tray. Both work on the caller's window (common/psstream.h), from
// inputPSStream to tempPSStream.
#pragma once

#include <string>

// Size of the buffer that getInputTrayCommand fills.
constexpr int kTrayCommandSize = 1024;

// Writes the feature that selects tray nrInputTray into `command`
// (kTrayCommandSize bytes). Returns 1.
int getInputTrayCommand(char* command);

namespace tvx::filter {

// Page size keys have at most 31 characters, input slot keys at most 9.
constexpr int kPageSizeKeySize = 32;
constexpr int kInputSlotKeySize = 10;

// Copies the job up to its page size feature (or, failing that, its page
// region feature), drops that feature (when its "%%EndFeature" lies within
// the window) and stores its option keyword in
// `pageSizeKey` (empty when longer than 31 characters). For a page region,
// it also copies on to the input slot feature, which stays in the job, and
// sets nrInputTray from its keyword ("Tray2" gives 2; 0 when the fifth
// character is not a digit). Returns true when the pages are to be edited:
// false when a feature was not found and the whole job has been copied.
bool takePageSizeFeature(char* window, int* count, char (&pageSizeKey)[kPageSizeKeySize]);

// The texts that every page gets; an empty comment means no media was found.
struct PageTexts {
  std::string comment;
  std::string command;
  std::string trayCommand;
};

// Copies the rest of the job. Behind every "%%Page:" line it writes the page
// comment and the set-up command (inside the page's own "%%BeginPageSetup",
// when that comes before the next page, else in a set-up of its own).
// Without a media, the rest is copied unchanged.
void editPages(char* window, int* count, const PageTexts& texts);

}  // namespace tvx::filter
