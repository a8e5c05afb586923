#include "mediacatalog/mediacatalogutil.h"

#include <algorithm>
#include <cstdint>

#include "mediacatalog/media.h"

namespace tvx::catalog {

unsigned long clampSize(unsigned long thousandths) { return std::min(thousandths, kMaxSize); }

unsigned long sizeInPoints(unsigned long thousandths) {
  return thousandths / 1000 + (thousandths % 1000 >= 500 ? 1 : 0);
}

namespace {

// Offsets of the record layout.
enum Offset : std::size_t {
  kName = 0,
  kPpdKey = 32,
  kDescription = 64,
  kType = 1090,
  kColor = 1198,
  kUnit = 1306,
  kWeight = 1340,
  kAuxLong = 1344,
  kAuxFlag1 = 1348,
  kAuxFlag2 = 1349,
  kWidth = 1352,
  kLength = 1356,
  kFeedEdge = 1360,
  kFlags = 1362,
  kAuxBytes = 1373,
  kUUID = 1381,
  kTray = 1421,
  kAuxValue1 = 1464,
  kAuxValue2 = 1468,
  kDmSize = 1472,
  kCatalog = 1484,
};

template <std::size_t N>
void putText(MediaRecordImage& image, std::size_t at, const char (&field)[N]) {
  std::string_view text = fieldText(field);
  std::copy(text.begin(), text.end(), image.begin() + at);
}

template <std::size_t N>
void getText(const MediaRecordImage& image, std::size_t at, char (&field)[N]) {
  const char* raw = reinterpret_cast<const char*>(image.data() + at);
  setField(field, std::string_view(raw, ::strnlen(raw, N)));
}

void putU32(MediaRecordImage& image, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getU32(const MediaRecordImage& image, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{image[at + i]} << (8 * i);
  return value;
}

void putU16(MediaRecordImage& image, std::size_t at, std::uint16_t value) {
  image[at] = static_cast<unsigned char>(value);
  image[at + 1] = static_cast<unsigned char>(value >> 8);
}

std::uint16_t getU16(const MediaRecordImage& image, std::size_t at) {
  return static_cast<std::uint16_t>(image[at] | (image[at + 1] << 8));
}

// The eleven one-byte flags, in file order.
template <typename Media>
auto flagsOf(Media& media) {
  return std::array{&media.edgeSensitive, &media.sideSensitive, &media.canDuplex,
                    &media.canStaple,     &media.canPunch,      &media.canBookletStaple,
                    &media.canFold,       &media.canFlip,       &media.isFavorite,
                    &media.PrePrinted,    &media.defaultMedia};
}

}  // namespace

void encodeMediaRecord(const CMedia& media, MediaRecordImage& image) {
  image.fill(0);
  putText(image, kName, media.name);
  putText(image, kPpdKey, media.ppdKey);
  putText(image, kDescription, media.description);
  putText(image, kType, media.type);
  putText(image, kColor, media.color);
  putText(image, kUnit, media.unit);
  putU32(image, kWeight, static_cast<std::uint32_t>(media.weight));
  putU32(image, kAuxLong, static_cast<std::uint32_t>(media.auxLong));
  image[kAuxFlag1] = media.auxFlag1 ? 1 : 0;
  image[kAuxFlag2] = media.auxFlag2 ? 1 : 0;
  putU32(image, kWidth, static_cast<std::uint32_t>(clampSize(media.width)));
  putU32(image, kLength, static_cast<std::uint32_t>(clampSize(media.length)));
  putU16(image, kFeedEdge, static_cast<std::uint16_t>(media.feedEdge));
  auto flags = flagsOf(media);
  for (std::size_t i = 0; i < flags.size(); ++i) image[kFlags + i] = *flags[i];
  std::copy(std::begin(media.auxBytes), std::end(media.auxBytes), image.begin() + kAuxBytes);
  putText(image, kUUID, media.szUUID);
  putText(image, kTray, media.szTray);
  putU32(image, kAuxValue1, media.auxValue1);
  putU32(image, kAuxValue2, media.auxValue2);
  putU32(image, kDmSize, media.dmSize);
  putU32(image, kCatalog, media.catalog);
}

void decodeMediaRecord(const MediaRecordImage& image, CMedia& media) {
  getText(image, kName, media.name);
  getText(image, kPpdKey, media.ppdKey);
  getText(image, kDescription, media.description);
  getText(image, kType, media.type);
  getText(image, kColor, media.color);
  getText(image, kUnit, media.unit);
  media.weight = static_cast<std::int32_t>(getU32(image, kWeight));
  media.auxLong = static_cast<std::int32_t>(getU32(image, kAuxLong));
  media.auxFlag1 = image[kAuxFlag1] != 0;
  media.auxFlag2 = image[kAuxFlag2] != 0;
  media.width = getU32(image, kWidth);
  media.length = getU32(image, kLength);
  media.feedEdge = static_cast<std::int16_t>(getU16(image, kFeedEdge));
  auto flags = flagsOf(media);
  for (std::size_t i = 0; i < flags.size(); ++i) *flags[i] = image[kFlags + i];
  std::copy_n(image.begin() + kAuxBytes, sizeof media.auxBytes, media.auxBytes);
  getText(image, kUUID, media.szUUID);
  getText(image, kTray, media.szTray);
  media.auxValue1 = getU32(image, kAuxValue1);
  media.auxValue2 = getU32(image, kAuxValue2);
  media.dmSize = getU32(image, kDmSize);
  media.next = nullptr;
  media.prev = nullptr;
  media.catalog = static_cast<_CATALOG>(getU32(image, kCatalog));
}

}  // namespace tvx::catalog

namespace {

struct TypeRow {
  std::string_view printerType;
  std::string_view linuxType;
};

constexpr TypeRow kTypeTable[] = {
    {"Tab", "tab"},
    {"Tabstock", "tab"},
    {"TabStock", "tab"},
    {"Envelope", "envelope"},
    {"Plain", "plain"},
    {"Coat1", "coated1"},
    {"Coat 1", "coated1"},
    {"Coat2", "coated2"},
    {"Coat 2", "coated2"},
    {"Coat3", "coated3"},
    {"Coat 3", "coated3"},
    {"Special1", "special1"},
    {"Special 1", "special1"},
    {"Special2", "special2"},
    {"Special 2", "special2"},
    {"Special3", "special3"},
    {"Special 3", "special3"},
    {"Special4", "special4"},
    {"Special 4", "special4"},
    {"Special5", "special5"},
    {"Special 5", "special5"},
    {"Special6", "special6"},
    {"Special 6", "special6"},
};

constexpr std::size_t kTypeBufferSize = 100;

}  // namespace

char* getLinuxCorrectType(char* linuxType, const char* printerType) {
  std::string_view type = printerType != nullptr ? printerType : "";
  for (const TypeRow& row : kTypeTable) {
    if (row.printerType == type) {
      type = row.linuxType;
      break;
    }
  }
  tvx::text::copyField(linuxType, kTypeBufferSize, type);
  return linuxType;
}
