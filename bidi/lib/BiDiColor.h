// The printer's colour profiles, read from the maker's profile table, one
// list per colour space.
#pragma once

#include "bidi/lib/BiDiList.h"
#include "bidi/lib/BiDiStatus.h"

// One colour profile.
typedef struct _TS_ColorProfile {
  char name[33];  // profile file name, at most 32 characters
  struct _TS_ColorProfile* next;
} TS_ColorProfile, *PTS_BiDiColorProfile;

// Each sets *lBiDiColorProfile to null and fills it with the names of the
// profiles of its colour space (a name longer than 32 characters, which the
// record cannot hold, is left out): gray types 3 and 6, RGB 4 and 7, CMYK 5 and
// 8, output 9. Within a type the last row comes first, and the second type's
// names come before the first type's. Returns en_BiDiSuccess or the status
// of a failed walk (the names of the first type then stay in the list). The
// caller owns the list and frees it with BiDi_ClearColorProfiles.
TE_BiDiStatus BiDi_GetColorProfile_Gray(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile);
TE_BiDiStatus BiDi_GetColorProfile_RGB(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile);
TE_BiDiStatus BiDi_GetColorProfile_CMYK(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile);
TE_BiDiStatus BiDi_GetColorProfile_Output(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile);

// Adds the names of all profiles of type `colorProfileType` (but those
// longer than 32 characters) in front of what
// *lBiDiColorProfile holds. Returns en_BiDiSuccess or the status of a
// failed walk, having added nothing.
TE_BiDiStatus BiDi_GetColorProfile_ByType(unsigned char sessionID, PTS_BiDiColorProfile* lBiDiColorProfile,
                                          int colorProfileType);

// Frees every record of the list from the head on; the head ends null.
// Always en_BiDiSuccess.
TE_BiDiStatus BiDi_ClearColorProfiles(PTS_BiDiColorProfile* lBiDiColorProfile);

// Links a record holding the name in front of the list. Returns
// en_BiDiSuccess, or en_BiDiNotEnoughMemory with the list unchanged.
TE_BiDiStatus addColorProfile(PTS_BiDiColorProfile* lBiDiColorProfile, const char* strColorProfile);

// Allocates a record holding the name (cut to 32 characters), with next
// null, and stores it in *nodeBiDiColorProfile. Returns en_BiDiSuccess, or
// en_BiDiNotEnoughMemory leaving *nodeBiDiColorProfile as it was.
TE_BiDiStatus allocateAndCopyColorProfile(PTS_BiDiColorProfile* nodeBiDiColorProfile,
                                          const char* strColorProfile);

namespace tvx::bidi {

// Owns a profile list and frees it with BiDi_ClearColorProfiles.
using ProfileList = OwnedList<TS_ColorProfile, BiDi_ClearColorProfiles>;

}  // namespace tvx::bidi
