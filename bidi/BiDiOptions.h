// The installable options update of the PPD.
#pragma once

// The nine option categories, in category order.
inline constexpr const char* installOptions[9] = {"Tandum", "SH", "BY",     "LCT", "BK",
                                                  "CI",     "PU", "Binder", "SR"};

// The category (0 to 8) of an option code, by exact comparison; -1 for a
// code of no category.
int getTypeInstalled(const char* option);

// Rewrites the nine "*Default<category>: " lines that follow
// "InstallableOptions" in the PPD of `queue`, in category order, with the
// option code that the printer on session `sessionID` reports for the
// category, or "False". Returns 10 done, 12 option read failed, 13 PPD not
// opened or not replaced, not a regular file or not of this model, or
// without one of those lines (each whole, inside its own "*OpenUI" and
// "*CloseUI", in that order) or the landmarks of the input tray update that
// follows it (BiDi_UpdateInput): the PPD is then left as it was; 16 no
// installable options.
int BiDi_UpdateInstallableOptions(unsigned char sessionID, const char* queue);
