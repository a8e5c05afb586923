// The media update of the queue's PPD and media catalog, and the media
// constraints of the PPD.
#pragma once

#include "bidi/BiDiExit.h"

// Reads the printer's media, refills the media catalog of `queue` with them
// (media whose PPD key comes out empty or repeats an earlier one, and media
// with a side under a point or over 100 inches, are left out), rewrites the
// PPD's PageSize and PageRegion choices, paper dimensions and imageable
// areas from the catalog, saves the catalog and rewrites the media
// constraints. Returns kDone when done; kQueryFailed when the printer query
// failed; kFileFailed when the PPD could not be opened or replaced, is not a
// regular file or not of this model, or has its media entries or constraint
// block where the update would drop more than them (catalog not touched, PPD
// byte for byte as it was), or when the catalog could not be saved (the
// constraints are still written, for the media now in the PPD); kNoMedia
// when the printer reported no usable media (PPD untouched).
tvx::bidi::UpdateStatus BiDi_UpdateMedia(unsigned char sessionID, const char* queue);

// Replaces the lines between "*% Media Constraints BEGIN" and
// "*% Media Constraints END" of the PPD of `queue` with the constraints of
// the media of the queue's catalog; a PPD without the BEGIN line is written
// back unchanged. Returns kDone when the PPD was replaced, kFileFailed when
// it could not be opened or replaced, or is not of this model, or has a
// BEGIN line without an END line after it (the PPD then stays as it was).
tvx::bidi::UpdateStatus UpdateMedia_Constraints(const char* queue);
