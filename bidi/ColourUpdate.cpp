#include "bidi/ColourUpdate.h"

#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiLandmarks.h"
#include "bidi/PPDCycle.h"
#include "common/drvlog.h"
#include "common/printertext.h"
#include "jobchoices/optioncode.h"

namespace {

using tvx::bidi::UpdateStatus;
using tvx::bidi::logMarkerFound;

// The profile reader and the two options of a colour space.
struct ColorSpace {
  TE_BiDiStatus (*reader)(unsigned char, PTS_BiDiColorProfile*);
  const char* firstKeyword;
  const char* secondKeyword;
};

constexpr ColorSpace kColorSpaces[] = {
    {BiDi_GetColorProfile_RGB, "RGBInputImage", "RGBInputText"},
    {BiDi_GetColorProfile_CMYK, "CMYKInputImage", "CMYKInputText"},
    {BiDi_GetColorProfile_Gray, "GrayInputImage", "GrayInputText"},
    {BiDi_GetColorProfile_Output, "PrinterText", "PrinterImage"},
};

// The key of the option's profile inside "/DeviceRenderingInfo", from the
// option code table (a literal there, so NUL-terminated).
const char* profileKeyOf(const char* keyword) {
  return tvx::jobchoices::findOption(keyword)->profileKey.data();
}

// Whether the pass over option `keyword` finds what it edits and drops only
// the option's old choices: its default line whole and inside the option,
// then the first "*End" inside the option, then the option's "*CloseUI".
bool optionLandmarksHold(std::string_view ppd, std::string_view keyword) {
  tvx::bidi::LandmarkWalk walk(ppd);
  if (!walk.copyTo("*Default" + std::string(keyword)) || !walk.onOwnLine("") || !walk.insideOption(keyword)) {
    return false;
  }
  walk.passLine();
  if (!walk.copyWithinGroupTo("*End")) return false;
  walk.dropTo("*CloseUI");
  return walk.safe();
}

// A PPD of the model whose options of the colour spaces `first` to `last`
// (1 to 4) can all be rewritten, so that an update writes all or none.
bool spacesLandmarksHold(std::string_view ppd, int first, int last) {
  if (!tvx::bidi::isModelPPD(ppd)) return false;
  for (int colorSpace = first; colorSpace <= last; ++colorSpace) {
    const ColorSpace& space = kColorSpaces[colorSpace - 1];
    if (!optionLandmarksHold(ppd, space.firstKeyword) || !optionLandmarksHold(ppd, space.secondKeyword)) {
      return false;
    }
  }
  return true;
}

bool namesProfile(const TS_ColorProfile* profiles, const std::string& value) {
  for (; profiles != nullptr; profiles = profiles->next) {
    std::string choice = tvx::jobchoices::profileChoiceKeyword(profiles->name);
    if (!choice.empty() && choice == value) return true;
  }
  return false;
}

std::string profileChoice(const std::string& keyword, const std::string& psKey, const std::string& choice,
                          const TS_ColorProfile& profile) {
  return "*" + keyword + " " + choice + "/" + tvx::text::ppdTranslation(choice) + ": \"" +
         tvx::jobchoices::profileCode(psKey, profile.name) + "\"\n*End\n";
}

// Keeps the default line when it names a reported profile, else writes "None".
void rewriteDefault(const std::string& defaultKey, const TS_ColorProfile* profiles,
                    tvx::PSWindow& window) {
  window.copyUntilMarker(defaultKey.c_str(), 0, logMarkerFound);
  char value[33];
  tvx::bidi::entryOption(window.text(), value);
  bool keep = namesProfile(profiles, value);
  if (!keep) window.write(defaultKey + ": None\n");
  window.takeHeldLine(keep ? 0 : 1);
}

// The choice keyword of the option's entry at the front of the window, if it is one.
std::string firstChoice(const std::string& keyword, const tvx::PSWindow& window) {
  std::string_view held(window.text(), strnlen(window.text(), static_cast<std::size_t>(window.count())));
  std::string entry = "*" + keyword + " ";
  if (!held.starts_with(entry)) return {};
  held.remove_prefix(entry.size());
  return std::string(held.substr(0, held.find_first_of("/:\r\n")));
}

// Keeps the option's first choice and writes one choice per profile after
// it; a keyword that the option already has is not written twice, since
// CUPS refuses a PPD with a repeated choice.
void rewriteChoices(const std::string& keyword, const std::string& psKey, const TS_ColorProfile* profiles,
                    tvx::PSWindow& window) {
  std::set<std::string> written{firstChoice(keyword, window)};
  window.copyUntilMarker("*End", 0, logMarkerFound);
  window.write("*End\n");
  for (const TS_ColorProfile* profile = profiles; profile != nullptr; profile = profile->next) {
    LOGPRINTA(LOG_LIGHT, "Add the collor profile: %s", tvx::text::singleLine(profile->name).c_str());
    std::string choice = tvx::jobchoices::profileChoiceKeyword(profile->name);
    if (choice.empty() || !written.insert(choice).second) continue;
    window.write(profileChoice(keyword, psKey, choice, *profile));
  }
  window.copyUntilMarker("*CloseUI", 1, logMarkerFound);
}

}  // namespace

UpdateStatus BiDi_UpdateColor(unsigned char sessionID, const char* queue) {
  LOGPRINTA(LOG_FULL, "LinuxBiDi_UpdateColor");
  auto allSpaces = [](std::string_view ppd) { return spacesLandmarksHold(ppd, 1, 4); };
  if (!tvx::bidi::queuePPDPasses(queue, allSpaces)) return UpdateStatus::kFileFailed;
  for (int colorSpace = 1; colorSpace <= 4; ++colorSpace) {
    UpdateStatus result = BiDi_UpdateColorSimple(sessionID, queue, colorSpace);
    if (result != UpdateStatus::kDone) return result;
  }
  return UpdateStatus::kDone;
}

UpdateStatus BiDi_UpdateColorSimple(unsigned char sessionID, const char* queue, int colorSpace) {
  LOGPRINTA(LOG_FULL, "Linux BiDi_UpdateColorSimple");
  if (colorSpace < 1 || colorSpace > 4) return UpdateStatus::kNoColorProfile;
  auto bothOptions = [colorSpace](std::string_view ppd) { return spacesLandmarksHold(ppd, colorSpace, colorSpace); };
  if (!tvx::bidi::queuePPDPasses(queue, bothOptions)) return UpdateStatus::kFileFailed;
  const ColorSpace& space = kColorSpaces[colorSpace - 1];
  PTS_BiDiColorProfile head = nullptr;
  TE_BiDiStatus status = space.reader(sessionID, &head);
  tvx::bidi::ProfileList profiles(head);
  if (status != en_BiDiSuccess) return UpdateStatus::kQueryFailed;
  if (!profiles) return UpdateStatus::kNoColorProfile;
  UpdateStatus result = BiDi_UpdateColorImageOrText(
      space.firstKeyword, profileKeyOf(space.firstKeyword), queue, profiles.get());
  if (result != UpdateStatus::kDone) return result;
  return BiDi_UpdateColorImageOrText(space.secondKeyword, profileKeyOf(space.secondKeyword), queue,
                                     profiles.get());
}

UpdateStatus BiDi_UpdateColorImageOrText(const char* keyword, const char* psKey, const char* queue,
                                const TS_ColorProfile* profiles) {
  LOGPRINTA(LOG_FULL, "Linux BiDi_UpdateColorImageOrText");
  auto landmarks = [keyword](std::string_view ppd) {
    return tvx::bidi::isModelPPD(ppd) && optionLandmarksHold(ppd, keyword);
  };
  return tvx::bidi::editPPD(queue, landmarks, [&](tvx::PSWindow& window) {
    rewriteDefault(std::string("*Default") + keyword, profiles, window);
    rewriteChoices(keyword, psKey, profiles, window);
  });
}
