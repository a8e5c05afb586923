// The input tray update of the PPD.
#pragma once

#include <string_view>

// Replaces the "*InputSlot" entries after the Tray0 entry of the PPD of
// `queue` with one entry per tray number 1 to 7 that the printer on session
// `sessionID` reports, worded like the PPD's first tray label (plain or
// hexadecimal). Returns 10 done (also when the PPD needed no change), 12
// tray read failed, 13 PPD not opened or not replaced, not a regular file,
// not of this model, or with no "*CloseUI" closing the entries after Tray0
// (the PPD then stays as it was), 14 no trays. A PPD without a Tray0 entry
// is copied unchanged.
int BiDi_UpdateInput(unsigned char sessionID, const char* queue);

// True when BiDi_UpdateInput can rewrite `ppd`: a PPD of this model whose
// Tray0 entry, when it has one, stands inside the InputSlot option with the
// option's "*CloseUI" closing the entries after it.
bool inputLandmarksHold(std::string_view ppd);
