// The colour profile update of the PPD.
#pragma once

#include "bidi/BiDiExit.h"
#include "bidi/lib/BiDiColor.h"

// Rewrites the eight colour profile options of the PPD of `queue` from the
// profiles that the printer on session `sessionID` reports, colour space by
// colour space (RGB, CMYK, gray, output), stopping at the first that does
// not return kDone. Returns kDone, kQueryFailed when a profile read failed,
// kFileFailed when the PPD was not opened or not replaced, kNoColorProfile
// for a colour space without profiles. Before anything is
// written the PPD must be a regular file of this model in which every
// option's pass finds what it edits and drops no more than the option's old
// choices (its "*Default" line whole, between the option's "*OpenUI" and
// "*CloseUI", the first "*End" after it inside the option); else kFileFailed
// and the PPD stays as it was.
tvx::bidi::UpdateStatus BiDi_UpdateColor(unsigned char sessionID, const char* queue);

// Rewrites the image and the text option of colour space `colorSpace` (1 RGB,
// 2 CMYK, 3 gray, 4 output), checking both options first. Returns as
// BiDi_UpdateColor; kNoColorProfile also for a number outside 1 to 4.
tvx::bidi::UpdateStatus BiDi_UpdateColorSimple(unsigned char sessionID, const char* queue, int colorSpace);

// One PPD cycle for the option `keyword`: keeps its default line when it
// names a profile of `profiles` (else sets it to "None"), keeps everything up
// to the option's first "*End", and replaces the choices after it with one
// choice per profile whose PostScript code selects the profile file through
// the key `psKey`. Names are written as PPD keyword, translation and
// PostScript string, so no name can add a line; a name that leaves no
// keyword is skipped. Returns kDone, or kFileFailed (also for a PPD refused
// as BiDi_UpdateColor refuses it).
tvx::bidi::UpdateStatus BiDi_UpdateColorImageOrText(const char* keyword, const char* psKey,
                                                    const char* queue,
                                                    const TS_ColorProfile* profiles);
