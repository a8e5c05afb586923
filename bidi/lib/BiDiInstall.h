// The printer's installable options, derived from its finisher devices,
// their attributes and its input trays, as option codes ("XH7100EU", ...).
#pragma once

#include "bidi/lib/BiDiList.h"
#include "bidi/lib/BiDiStatus.h"

// One installed option.
typedef struct _TS_BiDiInstallableOption {
  char* strOption;  // option code, a heap copy owned by the record
  struct _TS_BiDiInstallableOption* next;
} TS_BiDiInstallableOption, *PTS_BiDiInstallableOption;

// Sets *lBiDiInstallableOption to null, then fills it with the codes of the
// installed options, each once, the last found first. Returns
// en_BiDiSuccess, or the status of a failed device or attribute walk (the
// codes found before a failed attribute walk stay in the list). The caller
// owns the list and frees it with BiDi_ClearInstallableOption.
TE_BiDiStatus BiDi_GetInstallableOption(unsigned char sessionID,
                                        PTS_BiDiInstallableOption* lBiDiInstallableOption);

// Frees every record of the list from the head on; the head ends null.
// Always en_BiDiSuccess.
TE_BiDiStatus BiDi_ClearInstallableOption(PTS_BiDiInstallableOption* lBiDiInstallableOption);

// Frees the code and the record *nodeBiDiInstallableOption. Always en_BiDiSuccess.
TE_BiDiStatus freeInstallableOption(PTS_BiDiInstallableOption* nodeBiDiInstallableOption);

// Links a record with a copy of `strInstallableOption` in front of the
// list, unless an equal code is already in it (then en_BiDiSuccess and
// nothing added). Returns en_BiDiSuccess, or en_BiDiNotEnoughMemory with the
// list unchanged.
TE_BiDiStatus addInstallableOption(PTS_BiDiInstallableOption* lBiDiInstallableOption,
                                   const char* strInstallableOption);

// Allocates a record holding a heap copy of the code, with next null, and
// stores it (null on failure) in *nodeBiDiInstallableOption. Returns
// en_BiDiSuccess or en_BiDiNotEnoughMemory.
TE_BiDiStatus allocateAndCopyInstallableOption(PTS_BiDiInstallableOption* nodeBiDiInstallableOption,
                                               const char* strInstallableOption);

namespace tvx::bidi {

// Owns an option list and frees it with BiDi_ClearInstallableOption.
using OptionList = OwnedList<TS_BiDiInstallableOption, BiDi_ClearInstallableOption>;

}  // namespace tvx::bidi
