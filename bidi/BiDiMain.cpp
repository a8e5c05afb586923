// bidiupdate SWITCH QUEUE HOST: makes the PPD and media catalog of a CUPS
// queue match the printer. Prints nothing; the exit status is the answer.
#include <cctype>
#include <cstring>

#include "bidi/BiDiColor.h"
#include "bidi/BiDiExit.h"
#include "bidi/BiDiInput.h"
#include "bidi/BiDiMedia.h"
#include "bidi/BiDiOptions.h"
#include "bidi/BiDiUtils.h"
#include "bidi/lib/BiDiSession.h"
#include "common/drvlog.h"

namespace {

using tvx::bidi::kDone;
using tvx::bidi::kQueryFailed;
using tvx::bidi::kWrongCommandLine;

bool isWellFormed(int argc, char* argv[]) {
  return argc == 4 && std::strlen(argv[1]) == 2 && argv[1][0] == '-' && isPPDQueueName(argv[2]);
}

// "BIDIMAIN Update <kind> BEGIN" and "BIDIMAIN Update <kind> END" around an update.
constexpr tvx::log::ScopeForm kUpdateForm{LOG_LIGHT, "BIDIMAIN Update ", " BEGIN",
                                          "BIDIMAIN Update ", " END"};

int updateMedia(unsigned char session, const char* queue) {
  tvx::log::Scope trace("Media", kUpdateForm);
  return BiDi_UpdateMedia(session, queue);
}

int updateColor(unsigned char session, const char* queue) {
  tvx::log::Scope trace("Color Profiles", kUpdateForm);
  return BiDi_UpdateColor(session, queue);
}

// The input trays follow only installable options that were updated.
int updateOptions(unsigned char session, const char* queue) {
  LOGPRINTA(LOG_LIGHT, "BIDIMAIN Update Installable options BEGIN");
  int result = BiDi_UpdateInstallableOptions(session, queue);
  if (result == kDone) result = BiDi_UpdateInput(session, queue);
  LOGPRINTA(LOG_LIGHT, "BIDIMAIN Update Input options result %d", result);
  return result;
}

// Runs the updates that `letter` selects; under A each one runs whatever the
// one before returned, and the last result counts.
int runUpdates(char letter, unsigned char session, const char* queue) {
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
      return kWrongCommandLine;
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!isWellFormed(argc, argv)) return kWrongCommandLine;
  unsigned char session = 0;
  if (BiDi_InitSession(argv[3], &session) != en_BiDiSuccess) return kQueryFailed;
  int result = runUpdates(argv[1][1], session, argv[2]);
  BiDi_CloseSession(session);
  return result;
}
