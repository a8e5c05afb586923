// Fuzzes the PPD updates with arbitrary PPD text, against a fake agent that
// answers from a simulated printer's objects. The input's first byte picks
// the printer (from 0x80 on the one with hostile media, tray and profile
// names, else the full printer) and, modulo 6, the updates: 0 all four in
// the order of bidiupdate -A, 1 media, 2 colour, 3 installable options and
// then input trays as bidiupdate -O runs them, 4 input trays, 5 the media
// constraints alone. The rest is the queue's PPD. Each update (and -O as a
// whole) must succeed, or fail with 13 and leave the PPD as it was; the
// catalog file must hold whole records.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/ColourUpdate.h"
#include "bidi/MediaUpdate.h"
#include "bidi/OptionsUpdate.h"
#include "bidi/TrayUpdate.h"
#include "bidi/lib/snmpcolumns.h"
#include "mediacatalog/mediacatalogutil.h"
#include "tests/fuzz/fakeagent.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::check;

constexpr const char* kQueue = "fuzzqueue";

struct Setting {
  std::string ppd;
  std::string catalog;
  tvx::fuzz::Responder full;
  tvx::fuzz::Responder hostile;
  unsigned char session = 0;
};

const Setting& setUp() {
  static const Setting setting = [] {
    const std::string& root = tvx::fuzz::testRoot();
    const std::string printers = TVX_PRINTERS_DIR;
    return Setting{root + "/etc/cups/ppd/" + kQueue + ".ppd", root + "/usr/bin/Tavorinex/" + kQueue,
                   tvx::fuzz::mibResponder(printers + "/full/vexhol.snmprec"),
                   tvx::fuzz::mibResponder(printers + "/hostile-names/vexhol.snmprec"),
                   tvx::fuzz::openAgentSession()};
  }();
  return setting;
}

// Runs one update; done, or refused with the PPD untouched.
template <typename Update>
void runUpdate(const Setting& setting, const char* name, Update update) {
  using tvx::bidi::UpdateStatus;
  const std::string before = tvx::fuzz::readFile(setting.ppd);
  const UpdateStatus result = update();
  if (result == UpdateStatus::kFileFailed) {
    check(tvx::fuzz::readFile(setting.ppd) == before, "a failed update changed the PPD");
  } else if (result != UpdateStatus::kDone) {
    std::fprintf(stderr, "%s returned %d\n", name, tvx::bidi::exitStatus(result));
    check(false, "an update failed on a printer that has everything");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Setting& setting = setUp();
  std::string_view input = tvx::fuzz::asText(data, size);
  const std::uint8_t selector = input.empty() ? 0 : static_cast<std::uint8_t>(input.front());
  if (!input.empty()) input.remove_prefix(1);
  const int updates = selector % 6;
  tvx::fuzz::setResponder(selector >= 0x80 ? setting.hostile : setting.full);
  tvx::fuzz::writeFile(setting.ppd, input);
  const unsigned char session = setting.session;
  if (updates == 0 || updates == 1) {
    runUpdate(setting, "BiDi_UpdateMedia", [&] { return BiDi_UpdateMedia(session, kQueue); });
    check(tvx::fuzz::readFile(setting.catalog).size() % tvx::catalog::kMediaRecordSize == 0,
          "the catalog holds a partial record");
  }
  if (updates == 0 || updates == 2) {
    runUpdate(setting, "BiDi_UpdateColor", [&] { return BiDi_UpdateColor(session, kQueue); });
  }
  if (updates == 0) {
    runUpdate(setting, "BiDi_UpdateInstallableOptions",
              [&] { return BiDi_UpdateInstallableOptions(session, kQueue); });
  }
  if (updates == 3) runUpdate(setting, "bidiupdate -O", [&] { return tvx::bidi::runUpdates('O', session, kQueue); });
  if (updates == 0 || updates == 4) {
    runUpdate(setting, "BiDi_UpdateInput", [&] { return BiDi_UpdateInput(session, kQueue); });
  }
  if (updates == 5) runUpdate(setting, "UpdateMedia_Constraints", [] { return UpdateMedia_Constraints(kQueue); });
  tvx::fuzz::setResponder(nullptr);
  // The session keeps the columns it walked; the next input may answer
  // from the other printer.
  snmpForgetColumns(session);
  return 0;
}
