// bidiupdate [--time-limit SECONDS] SWITCH QUEUE HOST: makes the PPD and
// media catalog of a CUPS queue match the printer. Prints nothing; the exit
// status is the answer.
// bidiupdate --snmp-peer DEVICE-URI: prints the HOST that a queue of that
// device URI is updated with.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "bidi/BiDiDeviceURI.h"
#include "bidi/BiDiExit.h"
#include "bidi/BiDiStage.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/PPDCycle.h"
#include "bidi/lib/BiDiSession.h"
#include "common/exitguard.h"

namespace {

using tvx::bidi::kFileFailed;
using tvx::bidi::kQueryFailed;
using tvx::bidi::kWrongCommandLine;

struct Arguments {
  unsigned timeLimit = tvx::bidi::kDefaultTimeLimit;
  char letter = 0;
  const char* queue = nullptr;
  const char* host = nullptr;
};

std::optional<Arguments> parse(int argc, char* argv[]) {
  Arguments arguments;
  int at = 1;
  if (argc > at && std::string_view(argv[at]) == "--time-limit") {
    std::optional<unsigned> seconds = tvx::bidi::timeLimitOf(argc > at + 1 ? argv[at + 1] : nullptr);
    if (!seconds) return std::nullopt;
    arguments.timeLimit = *seconds;
    at += 2;
  }
  if (argc - at != 3 || std::strlen(argv[at]) != 2 || argv[at][0] != '-' ||
      !isPPDQueueName(argv[at + 1])) {
    return std::nullopt;
  }
  arguments.letter = argv[at][1];
  arguments.queue = argv[at + 1];
  arguments.host = argv[at + 2];
  return arguments;
}

// bidiupdate --snmp-peer DEVICE-URI: 0 with the peer printed, 1 for a device
// that is no network printer, 2 for a network URI without a usable address.
int printPeer(const char* uri) {
  tvx::bidi::DevicePeer peer = tvx::bidi::snmpPeerOf(uri);
  switch (peer.kind) {
    case tvx::bidi::DevicePeer::Kind::kNetwork:
      std::printf("%s\n", peer.peer.c_str());
      return std::fflush(stdout) == 0 ? 0 : 2;
    case tvx::bidi::DevicePeer::Kind::kNotNetwork:
      return 1;
    case tvx::bidi::DevicePeer::Kind::kNoAddress:
      return 2;
  }
  return 2;
}

// Runs the updates on a stage and replaces the queue's files when they all
// ran within the time limit.
int update(const Arguments& arguments) {
  tvx::exitguard::install();
  tvx::bidi::removeStaleWorkFiles();
  // Past the limit the stage goes and nothing of the queue has changed.
  tvx::exitguard::startTimeLimit(arguments.timeLimit, kQueryFailed, "");
  unsigned char session = 0;
  if (BiDi_InitSession(arguments.host, &session) != en_BiDiSuccess) return kQueryFailed;
  std::unique_ptr<tvx::bidi::Stage> stage = tvx::bidi::Stage::open(arguments.queue, tvx::bidi::kStagePrefix);
  if (!stage) {
    BiDi_CloseSession(session);
    return kFileFailed;
  }
  stage->redirect();
  int result = tvx::bidi::exitStatus(tvx::bidi::runUpdates(arguments.letter, session, arguments.queue));
  BiDi_CloseSession(session);

  // From here no signal and no time limit stops the replacement half way.
  tvx::exitguard::Deferred hold;
  if (!tvx::exitguard::stopTimeLimit()) return kQueryFailed;
  bool committed = stage->commit();
  stage.reset();
  return committed ? result : kFileFailed;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::string_view(argv[1]) == "--snmp-peer") return printPeer(argv[2]);
  std::optional<Arguments> arguments = parse(argc, argv);
  if (!arguments) return kWrongCommandLine;
  return update(*arguments);
}
