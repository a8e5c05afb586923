// The installable options update of the PPD.
#pragma once

#include "bidi/BiDiExit.h"

// The nine option categories, in category order.
inline constexpr const char* installOptions[9] = {"Tandum", "SH", "BY",     "LCT", "BK",
                                                  "CI",     "PU", "Binder", "SR"};

// The category (0 to 8) of an option code, by exact comparison; -1 for a
// code of no category.
int getTypeInstalled(const char* option);

// Rewrites the nine "*Default<category>: " lines that follow
// "InstallableOptions" in the PPD of `queue`, in category order, with the
// option code that the printer on session `sessionID` reports for the
// category, or "False". Returns kDone; kQueryFailed when the option read
// failed; kFileFailed when the PPD was not opened or not replaced, is not a
// regular file or not of this model, or lacks one of those lines (each
// whole, inside its own "*OpenUI" and "*CloseUI", in that order) or the
// landmarks of the input tray update that follows it (BiDi_UpdateInput):
// the PPD is then left as it was; kNoOptions when the printer reports none.
tvx::bidi::UpdateStatus BiDi_UpdateInstallableOptions(unsigned char sessionID, const char* queue);
