#include "bidi/lib/BiDiInput.h"

#include <new>
#include <optional>
#include <string>

#include "bidi/lib/BiDiColumn.h"
#include "common/drvlog.h"
#include "common/printertext.h"

namespace {

constexpr const char* kInputNameOid = "1.3.6.1.2.1.43.8.2.1.13";
constexpr const char* kInputTypeOid = "1.3.6.1.2.1.43.8.2.1.2";
constexpr const char* kInputMediaOid = "1.3.6.1.2.1.43.8.2.1.12";

// The tray number that a prtInputIndex stands for.
int trayNumber(int prtInputIndex) {
  if (prtInputIndex >= 3 && prtInputIndex <= 7) return prtInputIndex - 1;
  if (prtInputIndex == 11) return 7;
  return prtInputIndex;
}

// A missing or non-integer type reads as "unknown".
const char* trayType(std::optional<unsigned long> prtInputType) {
  if (prtInputType == 3UL) return "sheetFeedAutoRemovableTray";
  if (prtInputType == 4UL) return "sheetFeedAutoNonRemovableTray";
  return "unknown";
}

}  // namespace

TE_BiDiStatus BiDi_GetInput(unsigned char sessionID, PTS_BiDiInput* lBiDiInput) {
  InitLog();
  // Made before the trace scope: the walks are released after the END line.
  std::optional<tvx::bidi::Column> names, types, media;
  tvx::log::Scope trace("BiDi_GetInput");
  *lBiDiInput = nullptr;
  names.emplace(kInputNameOid, sessionID);
  if (!names->ok()) return names->status();
  types.emplace(kInputTypeOid, sessionID);
  if (!types->ok()) return types->status();
  media.emplace(kInputMediaOid, sessionID);
  if (!media->ok()) return media->status();

  LOGPRINTA(LOG_LIGHT, "Number of inputs :%d", names->rows());
  for (int i = 0; i < names->rows(); ++i) {
    int tray = trayNumber(names->instance(i));
    LOGPRINTA(LOG_LIGHT, "Found tray number :%d", tray);
    std::string name(names->text(i));
    std::string mediaName(media->text(i));
    addInput(lBiDiInput, name.c_str(), trayType(types->number(i)), mediaName.c_str(), tray);
  }
  return en_BiDiSuccess;
}

TE_BiDiStatus BiDi_ClearInput(PTS_BiDiInput* lBiDiInput) {
  tvx::log::Scope trace("BiDi_ClearInput");
  tvx::bidi::releaseList(lBiDiInput, [](auto* node) { delete node; });
  return en_BiDiSuccess;
}

TE_BiDiStatus addInput(PTS_BiDiInput* lBiDiInput, const char* strInputName, const char* strInputType,
                       const char* strInputMedia, int inputIdx) {
  tvx::log::Scope trace("addInput");
  PTS_BiDiInput node = nullptr;
  TE_BiDiStatus status = allocateAndCopyInput(&node, strInputName, strInputType, strInputMedia, inputIdx);
  if (status == en_BiDiSuccess) tvx::bidi::pushFront(lBiDiInput, node);
  return status;
}

TE_BiDiStatus allocateAndCopyInput(PTS_BiDiInput* nodeBiDiInput, const char* strInputName,
                                   const char* strInputType, const char* strInputMedia, int inputIdx) {
  tvx::log::Scope trace("allocateAndCopyInput");
  PTS_BiDiInput node = new (std::nothrow) TS_BiDiInput{};
  if (node == nullptr) return en_BiDiNotEnoughMemory;
  tvx::text::copyField(node->inputName, sizeof node->inputName, strInputName);
  tvx::text::copyField(node->inputType, sizeof node->inputType, strInputType);
  tvx::text::copyField(node->inputMedia, sizeof node->inputMedia, strInputMedia);
  node->inputIdx = inputIdx;
  node->next = nullptr;
  *nodeBiDiInput = node;
  return en_BiDiSuccess;
}
