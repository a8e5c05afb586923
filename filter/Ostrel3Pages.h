// Editing the job on its way into the spool file: the job's own page size
// feature is taken out, and every page gets the media's page comment and
// set-up command, plus the tray command when the job selected a numbered
// tray. Both work on the caller's window (common/psstream.h), from its
// input to its output.
#pragma once

#include <functional>
#include <string>

#include "common/psstream.h"

// Size of the buffer that getInputTrayCommand fills.
constexpr int kTrayCommandSize = 1024;

// Writes the feature that selects tray `tray` into `command`
// (kTrayCommandSize bytes). Returns 1.
int getInputTrayCommand(int tray, char* command);

namespace tvx::filter {

// Page size keys have at most 31 characters, input slot keys at most 9.
constexpr int kPageSizeKeySize = 32;
constexpr int kInputSlotKeySize = 10;

// Decides, given the job's page size key, whether the filter writes the
// media itself (true: the job's own feature is dropped) or the job keeps its
// feature (false).
using PageSizeTaken = std::function<bool(const char* pageSizeKey)>;

// Copies the job's prolog and set-up, up to its first "%%Page:" line (the
// whole job when it has none). Its first page size or page region feature
// (at a line start, outside embedded documents) gives `taken` its option
// keyword (empty when longer than 31 characters); when `taken` returns
// true, the feature is dropped if its "%%EndFeature" lies within the window.
// Its input slot feature stays in the job and sets `inputTray` from the
// keyword ("Tray2" gives 2; 0 for Tray0 or when the fifth character is not a
// digit), whichever of the two features comes first.
void takePageSizeFeature(PSWindow& window, int& inputTray, const PageSizeTaken& taken);

// The texts that a page gets; an empty comment means no media was found.
struct PageTexts {
  std::string comment;
  std::string command;
  std::string trayCommand;
};

// The texts of the media that a page's own page size feature names, given
// its option keyword and the tray the page is fed from (0 for none).
using PageMediaTexts = std::function<PageTexts(const char* pageSizeKey, int tray)>;

// Copies the rest of the job. Behind every "%%Page:" line (at a line start,
// outside embedded documents) it writes the page comment and the set-up
// command: inside the page's own set-up when its "%%BeginPageSetup" follows
// the page's comment lines within the window, else in a set-up of its own
// right behind the "%%Page:" line, before anything the page draws.
// A page whose own set-up, within the window, holds a page size or page
// region feature at a line start chooses its own media: it gets
// `pageMedia`'s texts for that keyword instead of `jobTexts` (with the tray of
// its own input slot feature, else `jobTray`), and its feature is dropped;
// when `pageMedia` finds no media the page keeps its feature and gets no
// texts. Other pages get `jobTexts`, or nothing when its comment is empty.
// Returns the number of pages.
int editPages(PSWindow& window, const PageTexts& jobTexts, int jobTray,
               const PageMediaTexts& pageMedia);

}  // namespace tvx::filter
