// One media as the printer's media table reports it, and the reader that
// builds a list of them from that table; the list is chained through `next`,
// and each text field is NUL-terminated.
#pragma once

#include "bidi/lib/BiDiList.h"
#include "bidi/lib/BiDiStatus.h"

typedef struct _TS_BiDiMedia {
  char name[33];
  char description[1024];
  char type[81];
  char color[81];
  int ordered;
  int weight;
  int displayUnit;
  unsigned long width;
  unsigned long length;
  unsigned char edgeSensitive;
  unsigned char sideSensitive;
  unsigned char canStaple;
  unsigned char canBookletStaple;
  unsigned char canDuplex;
  unsigned char canFlip;
  unsigned char defaultMedia;
  unsigned long timeCreated;
  unsigned long timeEdited;
  char outputFrontImage[81];
  char outputFrontText[81];
  char outputBackImage[81];
  char outputBackText[81];
  char cmykImage[81];
  char cmykText[81];
  char rgbImage[81];
  char rgbText[81];
  char grayImage[81];
  char grayText[81];
  int renderingIntentImage;
  int renderingIntentText;
  int shiftSimplexFeed;
  int shiftSimplexXFeed;
  int shiftDuplexFrontFeed;
  int shiftDuplexFrontXFeed;
  int shiftDuplexBackFeed;
  int shiftDuplexBackXFeed;
  int shiftDuplexTumbleFrontFeed;
  int shiftDuplexTumbleFrontXFeed;
  int shiftDuplexTumbleBackFeed;
  int shiftDuplexTumbleBackXFeed;
  unsigned char canSaddleStitch;
  unsigned char canRingBind;
  unsigned char canPerfectBind;
  unsigned char canFold;
  unsigned char canPunch;
  struct _TS_BiDiMedia* next;
} TS_BiDiMedia, *PTS_BiDiMedia;

// The most media taken from a printer: a PPD of 10,000 media would be some
// 30 MB, and cupsd reads the PPD for every job.
inline constexpr int kMaxPrinterMedia = 1000;

// Sets *lBiDiMedia to null, then fills it with one record per named row of
// the printer's media table (the first kMaxPrinterMedia named rows; the rest
// are left out and the count logged), last row first. Rows are paired across the 45
// columns by position; a column shorter than the name column gives empty
// texts and zeros. Returns en_BiDiSuccess (also for an empty table) or the
// status of the first failed column walk, with an empty list. The caller
// owns the list and frees it with BiDi_ClearMedia.
TE_BiDiStatus BiDi_GetMedia(unsigned char sessionID, PTS_BiDiMedia* lBiDiMedia);

// Frees every record of *lBiDiMedia from the head on; the head ends null.
// Always en_BiDiSuccess.
TE_BiDiStatus BiDi_ClearMedia(PTS_BiDiMedia* lBiDiMedia);

// Links a copy of `mediaData` in front of *lBiDiMedia. Returns
// en_BiDiSuccess, or en_BiDiNotEnoughMemory with the list unchanged.
TE_BiDiStatus addMedia(PTS_BiDiMedia* lBiDiMedia, TS_BiDiMedia mediaData);

// Sets *nodeBiDiMedia to a new record holding every field of `mediaData`
// but `next` (null), each text terminated within its field. Returns
// en_BiDiSuccess, or en_BiDiNotEnoughMemory with *nodeBiDiMedia null.
TE_BiDiStatus allocateAndCopyMedia(PTS_BiDiMedia* nodeBiDiMedia, TS_BiDiMedia mediaData);

// Kept for callers outside bidiupdate and tavorinex-query, which do not call
// it: defined in BiDiExtras.cpp (tvx_bidi_extras, linked by the tests only).

// Reads the printer's media time stamp into *mediaTimeStamp. Returns
// en_BiDiSuccess; the failed walk's status; en_BiDiSessionTimeOut when the
// object is missing or repeated; en_BiDiNotEnoughMemory for a null target.
TE_BiDiStatus BiDi_GetMediaTime(unsigned char sessionID, unsigned long* mediaTimeStamp);

namespace tvx::bidi {

// Owns a media list and frees it with BiDi_ClearMedia.
using MediaList = OwnedList<TS_BiDiMedia, BiDi_ClearMedia>;

}  // namespace tvx::bidi
