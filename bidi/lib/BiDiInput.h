// The printer's input trays, read from the Printer-MIB input table.
#pragma once

#include "bidi/lib/BiDiList.h"
#include "bidi/lib/BiDiStatus.h"

// One input tray.
typedef struct _TS_BiDiInput {
  char inputName[33];   // prtInputName, cut to 32 characters
  char inputType[81];   // "sheetFeedAutoRemovableTray", "sheetFeedAutoNonRemovableTray" or "unknown"
  char inputMedia[33];  // prtInputMediaName, cut to 32 characters
  int inputIdx;         // tray number derived from prtInputIndex
  struct _TS_BiDiInput* next;
} TS_BiDiInput, *PTS_BiDiInput;

// Sets *lBiDiInput to null, then fills it with one record per row of the
// input table, last row first. Returns en_BiDiSuccess (also for an empty
// table) or the status of the first failed column walk, with an empty list.
// The caller owns the list and frees it with BiDi_ClearInput.
TE_BiDiStatus BiDi_GetInput(unsigned char sessionID, PTS_BiDiInput* lBiDiInput);

// Frees every record of *lBiDiInput from the head on; the head ends null.
// Always en_BiDiSuccess.
TE_BiDiStatus BiDi_ClearInput(PTS_BiDiInput* lBiDiInput);

// Links a new record in front of *lBiDiInput. Returns en_BiDiSuccess, or
// en_BiDiNotEnoughMemory with the list unchanged.
TE_BiDiStatus addInput(PTS_BiDiInput* lBiDiInput, const char* strInputName, const char* strInputType,
                       const char* strInputMedia, int inputIdx);

// Allocates one record holding copies of the texts (each cut to its field)
// and inputIdx, with next null, and stores it in *nodeBiDiInput. Returns
// en_BiDiSuccess, or en_BiDiNotEnoughMemory leaving *nodeBiDiInput as it was.
TE_BiDiStatus allocateAndCopyInput(PTS_BiDiInput* nodeBiDiInput, const char* strInputName,
                                   const char* strInputType, const char* strInputMedia, int inputIdx);

namespace tvx::bidi {

// Owns a tray list and frees it with BiDi_ClearInput.
using InputList = OwnedList<TS_BiDiInput, BiDi_ClearInput>;

}  // namespace tvx::bidi
