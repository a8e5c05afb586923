// The input tray update of the PPD.
#pragma once

#include <string_view>

#include "bidi/BiDiExit.h"

// Replaces the "*InputSlot" entries after the Tray0 entry of the PPD of
// `queue` with one entry per tray number 1 to 7 that the printer on session
// `sessionID` reports, worded like the PPD's first tray label (plain or
// hexadecimal). Returns kDone (also when the PPD needed no change);
// kQueryFailed when the tray read failed; kFileFailed when the PPD was not
// opened or not replaced, is not a regular file, not of this model, or has
// no "*CloseUI" closing the entries after Tray0 (the PPD then stays as it
// was); kNoTrays when the printer reports none. A PPD without a Tray0 entry
// is copied unchanged.
tvx::bidi::UpdateStatus BiDi_UpdateInput(unsigned char sessionID, const char* queue);

// True when BiDi_UpdateInput can rewrite `ppd`: a PPD of this model whose
// Tray0 entry, when it has one, stands inside the InputSlot option with the
// option's "*CloseUI" closing the entries after it.
bool inputLandmarksHold(std::string_view ppd);
