#include "bidi/lib/BiDiMedia.h"

#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "bidi/lib/BiDiColumn.h"
#include "common/drvlog.h"
#include "common/printertext.h"

namespace {

using tvx::bidi::Column;

constexpr const char* kMediaTableOid = "1.3.6.1.4.1.46739.4.2.2.2.1";
// A flag column reports 3 for a set flag.
constexpr unsigned long kFlagSet = 3;

// Stores row `row` of a column into one field; a missing row stores the
// field's default (empty text, 0).
using Setter = void (*)(TS_BiDiMedia& media, const Column& column, int row);

template <auto Field>
void setText(TS_BiDiMedia& media, const Column& column, int row) {
  auto& field = media.*Field;
  tvx::text::copyField(field, sizeof field, column.text(row));
}

// The value is stored into the field's type unchanged, so negative values
// stay negative in int fields.
template <auto Field>
void setNumber(TS_BiDiMedia& media, const Column& column, int row) {
  using Target = std::remove_reference_t<decltype(media.*Field)>;
  media.*Field = static_cast<Target>(column.number(row).value_or(0));
}

template <auto Field>
void setFlag(TS_BiDiMedia& media, const Column& column, int row) {
  media.*Field = column.number(row) == kFlagSet ? 1 : 0;
}

struct MediaColumn {
  int number;
  Setter set;
};

// The columns in walk order; the name column comes first.
constexpr MediaColumn kColumns[] = {
    {2, setText<&TS_BiDiMedia::name>},
    {3, setText<&TS_BiDiMedia::description>},
    {4, setNumber<&TS_BiDiMedia::displayUnit>},
    {8, setText<&TS_BiDiMedia::type>},
    {9, setText<&TS_BiDiMedia::color>},
    {10, setNumber<&TS_BiDiMedia::ordered>},
    {7, setNumber<&TS_BiDiMedia::weight>},
    {5, setNumber<&TS_BiDiMedia::width>},
    {6, setNumber<&TS_BiDiMedia::length>},
    {11, setFlag<&TS_BiDiMedia::edgeSensitive>},
    {12, setFlag<&TS_BiDiMedia::sideSensitive>},
    {13, setFlag<&TS_BiDiMedia::canStaple>},
    {14, setFlag<&TS_BiDiMedia::canBookletStaple>},
    {15, setFlag<&TS_BiDiMedia::canDuplex>},
    {16, setFlag<&TS_BiDiMedia::canFlip>},
    {39, setNumber<&TS_BiDiMedia::timeCreated>},
    {40, setNumber<&TS_BiDiMedia::timeEdited>},
    {17, setText<&TS_BiDiMedia::outputFrontImage>},
    {18, setText<&TS_BiDiMedia::outputFrontText>},
    {19, setText<&TS_BiDiMedia::outputBackImage>},
    {20, setText<&TS_BiDiMedia::outputBackText>},
    {21, setText<&TS_BiDiMedia::cmykImage>},
    {22, setText<&TS_BiDiMedia::cmykText>},
    {23, setText<&TS_BiDiMedia::rgbImage>},
    {24, setText<&TS_BiDiMedia::rgbText>},
    {25, setText<&TS_BiDiMedia::grayImage>},
    {26, setText<&TS_BiDiMedia::grayText>},
    {27, setNumber<&TS_BiDiMedia::renderingIntentImage>},
    {28, setNumber<&TS_BiDiMedia::renderingIntentText>},
    {29, setNumber<&TS_BiDiMedia::shiftSimplexFeed>},
    {30, setNumber<&TS_BiDiMedia::shiftSimplexXFeed>},
    {31, setNumber<&TS_BiDiMedia::shiftDuplexFrontFeed>},
    {32, setNumber<&TS_BiDiMedia::shiftDuplexFrontXFeed>},
    {33, setNumber<&TS_BiDiMedia::shiftDuplexBackFeed>},
    {34, setNumber<&TS_BiDiMedia::shiftDuplexBackXFeed>},
    {35, setNumber<&TS_BiDiMedia::shiftDuplexTumbleFrontFeed>},
    {36, setNumber<&TS_BiDiMedia::shiftDuplexTumbleFrontXFeed>},
    {37, setNumber<&TS_BiDiMedia::shiftDuplexTumbleBackFeed>},
    {38, setNumber<&TS_BiDiMedia::shiftDuplexTumbleBackXFeed>},
    {42, setFlag<&TS_BiDiMedia::canSaddleStitch>},
    {43, setFlag<&TS_BiDiMedia::canRingBind>},
    {44, setFlag<&TS_BiDiMedia::canPerfectBind>},
    {45, setFlag<&TS_BiDiMedia::canFold>},
    {46, setFlag<&TS_BiDiMedia::canPunch>},
    {47, setFlag<&TS_BiDiMedia::defaultMedia>},
};

template <std::size_t... N>
void terminateFields(char (&... fields)[N]) {
  ((fields[N - 1] = '\0'), ...);
}

using Walks = std::vector<std::unique_ptr<Column>>;

// Walks every column in order and stops at the first failed walk, whose
// status it returns.
TE_BiDiStatus walkColumns(unsigned char sessionID, Walks& walks) {
  for (const MediaColumn& column : kColumns) {
    std::string oid = std::string(kMediaTableOid) + "." + std::to_string(column.number);
    walks.push_back(std::make_unique<Column>(oid, sessionID));
    if (!walks.back()->ok()) return walks.back()->status();
  }
  return en_BiDiSuccess;
}

}  // namespace

TE_BiDiStatus BiDi_GetMedia(unsigned char sessionID, PTS_BiDiMedia* lBiDiMedia) {
  InitLog();
  // Made before the trace scope: the walks are released after the END line.
  Walks walks;
  tvx::log::Scope trace("BiDi_GetMedia");
  *lBiDiMedia = nullptr;
  if (TE_BiDiStatus status = walkColumns(sessionID, walks); status != en_BiDiSuccess) {
    return status;
  }
  const Column& names = *walks.front();
  TS_BiDiMedia record{};
  int named = 0;
  for (int row = 0; row < names.rows(); ++row) {
    if (names.text(row).empty() || ++named > kMaxPrinterMedia) continue;
    for (size_t i = 0; i < walks.size(); ++i) kColumns[i].set(record, *walks[i], row);
    record.next = nullptr;
    addMedia(lBiDiMedia, record);
  }
  if (named > kMaxPrinterMedia) {
    LOGPRINTA(LOG_LIGHT, "The printer reports %d media: the first %d are taken, %d left out", named,
              kMaxPrinterMedia, named - kMaxPrinterMedia);
  }
  for (PTS_BiDiMedia media = *lBiDiMedia; media != nullptr; media = media->next) {
    LOGPRINTA(LOG_FULL, "%s", media->name);
  }
  return en_BiDiSuccess;
}

TE_BiDiStatus BiDi_ClearMedia(PTS_BiDiMedia* lBiDiMedia) {
  tvx::log::Scope trace("BiDi_ClearMedia");
  tvx::bidi::releaseList(lBiDiMedia, [](auto* node) { delete node; });
  return en_BiDiSuccess;
}

TE_BiDiStatus addMedia(PTS_BiDiMedia* lBiDiMedia, TS_BiDiMedia mediaData) {
  LOGPRINTA(LOG_FULL, "BIDI: addMediaEntry =  %.*s", static_cast<int>(sizeof mediaData.name),
            mediaData.name);
  PTS_BiDiMedia node = nullptr;
  TE_BiDiStatus status = allocateAndCopyMedia(&node, mediaData);
  if (status == en_BiDiSuccess) tvx::bidi::pushFront(lBiDiMedia, node);
  return status;
}

TE_BiDiStatus allocateAndCopyMedia(PTS_BiDiMedia* nodeBiDiMedia, TS_BiDiMedia mediaData) {
  *nodeBiDiMedia = new (std::nothrow) TS_BiDiMedia(mediaData);
  if (*nodeBiDiMedia == nullptr) return en_BiDiNotEnoughMemory;
  PTS_BiDiMedia node = *nodeBiDiMedia;
  // The caller's texts need not be terminated; the copies always are.
  terminateFields(node->name, node->description, node->type, node->color, node->outputFrontImage,
                  node->outputFrontText, node->outputBackImage, node->outputBackText,
                  node->cmykImage, node->cmykText, node->rgbImage, node->rgbText, node->grayImage,
                  node->grayText);
  node->next = nullptr;
  return en_BiDiSuccess;
}
