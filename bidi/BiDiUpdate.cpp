#include "bidi/BiDiUpdate.h"

#include <cctype>
#include <cstring>

#include "bidi/BiDiExit.h"
#include "bidi/ColourUpdate.h"
#include "bidi/MediaUpdate.h"
#include "bidi/OptionsUpdate.h"
#include "bidi/TrayUpdate.h"
#include "common/drvlog.h"

namespace tvx::bidi {

namespace {

// "BIDIMAIN Update <kind> BEGIN" and "BIDIMAIN Update <kind> END" around an update.
constexpr tvx::log::ScopeForm kUpdateForm{LOG_LIGHT, "BIDIMAIN Update ", " BEGIN",
                                          "BIDIMAIN Update ", " END"};

UpdateStatus updateMedia(unsigned char session, const char* queue) {
  tvx::log::Scope trace("Media", kUpdateForm);
  return BiDi_UpdateMedia(session, queue);
}

UpdateStatus updateColor(unsigned char session, const char* queue) {
  tvx::log::Scope trace("Color Profiles", kUpdateForm);
  return BiDi_UpdateColor(session, queue);
}

// The input trays follow only installable options that were updated.
UpdateStatus updateOptions(unsigned char session, const char* queue) {
  LOGPRINTA(LOG_LIGHT, "BIDIMAIN Update Installable options BEGIN");
  UpdateStatus result = BiDi_UpdateInstallableOptions(session, queue);
  if (result == UpdateStatus::kDone) result = BiDi_UpdateInput(session, queue);
  LOGPRINTA(LOG_LIGHT, "BIDIMAIN Update Input options result %d", exitStatus(result));
  return result;
}

}  // namespace

std::optional<unsigned> timeLimitOf(const char* text) {
  if (text == nullptr || *text == '\0' || std::strlen(text) > 6) return std::nullopt;
  unsigned long value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(*c - '0');
  }
  if (value < 1 || value > kMaxTimeLimit) return std::nullopt;
  return static_cast<unsigned>(value);
}

UpdateStatus runUpdates(char letter, unsigned char session, const char* queue) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'A':
      updateMedia(session, queue);
      updateColor(session, queue);
      return updateOptions(session, queue);
    case 'M':
      return updateMedia(session, queue);
    case 'C':
      return updateColor(session, queue);
    case 'O':
      return updateOptions(session, queue);
    default:
      return UpdateStatus::kWrongCommandLine;
  }
}

}  // namespace tvx::bidi
