// One media as the printer's media table reports it; a list of these is
// chained through `next`, and each text field is NUL-terminated.
#pragma once

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
