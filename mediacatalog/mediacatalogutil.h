// Helpers of the media catalog: bounded text fields, the chain search, sizes, the media type
// mapping and the catalog file's record format.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/printertext.h"
#include "mediacatalog/media.h"

namespace tvx::catalog {

// The text held by a fixed char field, never reading past the field even
// when it lacks a terminator.
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) {
  return std::string_view(field, ::strnlen(field, N));
}

// Stores `text` into a fixed char field, cut to N-1 characters and always
// terminated. Returns false when the text had to be cut.
template <std::size_t N>
bool setField(char (&field)[N], std::string_view text) {
  tvx::text::copyField(field, N, text);
  return text.size() < N;
}

// The first record of the chain from `first` on that satisfies `match`; null when none.
template <typename Match>
CMedia* findMedia(CMedia* first, Match match) {
  for (CMedia* media = first; media != nullptr; media = media->next) {
    if (match(*media)) return media;
  }
  return nullptr;
}

// Largest size the catalog file holds; larger sizes are stored as this.
inline constexpr unsigned long kMaxSize = 0xFFFFFFFFul;
unsigned long clampSize(unsigned long thousandths);

// Thousandths of a point to whole points, halves rounded up; never overflows.
unsigned long sizeInPoints(unsigned long thousandths);

// The catalog file: records of 1488 bytes, little-endian, no header.
inline constexpr std::size_t kMediaRecordSize = 1488;
using MediaRecordImage = std::array<unsigned char, kMediaRecordSize>;

// Writes `media` field by field into `image`: texts zero-padded, the gap and
// link slots zero.
void encodeMediaRecord(const CMedia& media, MediaRecordImage& image);

// Overwrites every field of `media` from `image`; every text is terminated
// within its field whatever the image holds, and the links are null.
void decodeMediaRecord(const MediaRecordImage& image, CMedia& media);

}  // namespace tvx::catalog

// Writes into `linuxType` (100 bytes) the PostScript media type of the
// printer's type text, or the text itself (cut to 99 characters) when it has
// no mapping; a null text maps to "". Returns `linuxType`.
char* getLinuxCorrectType(char* linuxType, const char* printerType);
