// CMedia: one media of a queue's media catalog.
//
// A plain record of fixed-size fields; the catalog chains records through
// `next` and `prev` and owns them (allocation: common/owned.h). Texts are always NUL-terminated within
// their field. Sizes are thousandths of a PostScript point and never exceed
// 32 bits, the range of the catalog file.
#pragma once

#include <cstdint>

// Catalog a media belongs to; stored, never interpreted.
enum _CATALOG : std::uint32_t { en_CatalogNone = 0, en_CatalogPrinter = 1 };

class CMedia {
 public:
  // A Letter media: 612000 by 792000, feed edge 1, weight -1, type "Plain",
  // colour "WHITE", unit "inches", the eight ability flags set.
  CMedia();

  // Every field from the arguments (null texts are empty, null auxBytes are
  // zeros; texts cut to their fields), with width and length ordered so that
  // width <= length, feed edge 2 when `width` was not smaller than `length`,
  // else 1.
  CMedia(const char* name, const char* unit, const char* description, const char* type,
         const char* color, int weight, unsigned long width, unsigned long length,
         unsigned char edgeSensitive, unsigned char sideSensitive, unsigned char canDuplex,
         unsigned char canStaple, unsigned char canPunch, unsigned char canBookletStaple,
         unsigned char canFold, unsigned char canFlip, unsigned char isFavorite,
         unsigned char PrePrinted, const unsigned char* auxBytes, const char* szTray,
         const char* szUUID, unsigned int auxValue1, unsigned int auxValue2, _CATALOG catalog,
         unsigned int dmSize, const char* ppdKey, char defaultMedia, long auxLong, bool auxFlag1,
         bool auxFlag2);

  CMedia(const CMedia&) = delete;
  CMedia& operator=(const CMedia&) = delete;

  // Copy the field with its terminator into `buffer` (32 bytes) and return `buffer`.
  char* GetName(char* buffer) const;
  char* GetPpdKey(char* buffer) const;

  unsigned long GetWidth() const { return width; }
  unsigned long GetLength() const { return length; }
  short GetFeedEdge() const { return feedEdge; }
  // True only when the flag holds exactly 1.
  bool GetCanDuplex() const { return canDuplex == 1; }
  bool GetCanStaple() const { return canStaple == 1; }
  bool GetCanPunch() const { return canPunch == 1; }
  CMedia* GetNext() const { return next; }
  // Number of records in the chain that holds this record (1 when alone).
  int GetCount() const;

  // Kept for callers outside bidiupdate and psfilter, which call neither:
  // defined in catalogextras.cpp (tvx_mediacatalog_extras, linked by the
  // tests only).

  // Copies the tray with its terminator into `buffer` (43 bytes) and returns `buffer`.
  char* GetTray(char* buffer) const;
  CMedia* GetPrev() const;

  char name[32] = {};
  char ppdKey[32] = {};
  char description[1026] = {};
  char type[108] = {};
  char color[108] = {};
  char unit[34] = {};
  int weight = 0;
  long auxLong = 0;
  bool auxFlag1 = false;
  bool auxFlag2 = false;
  unsigned long width = 0;
  unsigned long length = 0;
  short feedEdge = 0;
  unsigned char edgeSensitive = 0;
  unsigned char sideSensitive = 0;
  unsigned char canDuplex = 0;
  unsigned char canStaple = 0;
  unsigned char canPunch = 0;
  unsigned char canBookletStaple = 0;
  unsigned char canFold = 0;
  unsigned char canFlip = 0;
  unsigned char isFavorite = 0;
  unsigned char PrePrinted = 0;
  unsigned char defaultMedia = 0;
  unsigned char auxBytes[8] = {};
  char szUUID[40] = {};
  char szTray[43] = {};
  unsigned int auxValue1 = 0;
  unsigned int auxValue2 = 0;
  unsigned int dmSize = 0;
  CMedia* next = nullptr;
  CMedia* prev = nullptr;
  _CATALOG catalog = en_CatalogNone;

 private:
  void SetSize(unsigned long printerWidth, unsigned long printerLength);
};
