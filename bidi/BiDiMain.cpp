// bidiupdate SWITCH QUEUE HOST: makes the PPD and media catalog of a CUPS
// queue match the printer. Prints nothing; the exit status is the answer.
#include <cstring>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/BiDiUtils.h"
#include "bidi/lib/BiDiSession.h"

namespace {

using tvx::bidi::kQueryFailed;
using tvx::bidi::kWrongCommandLine;

bool isWellFormed(int argc, char* argv[]) {
  return argc == 4 && std::strlen(argv[1]) == 2 && argv[1][0] == '-' && isPPDQueueName(argv[2]);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!isWellFormed(argc, argv)) return kWrongCommandLine;
  unsigned char session = 0;
  if (BiDi_InitSession(argv[3], &session) != en_BiDiSuccess) return kQueryFailed;
  int result = tvx::bidi::runUpdates(argv[1][1], session, argv[2]);
  BiDi_CloseSession(session);
  return result;
}
