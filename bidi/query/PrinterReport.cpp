#include "bidi/query/PrinterReport.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "bidi/CatalogMedia.h"
#include "bidi/OptionsUpdate.h"
#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "bidi/lib/BiDiMedia.h"
#include "common/printertext.h"
#include "mediacatalog/media.h"
#include "mediacatalog/mediacatalogutil.h"

namespace tvx::query {

namespace {

constexpr const char* kModel = "Tavorinex Arc M750XLS";

// The readers push each row at the head: walking the list backwards gives
// the printer's row order.
template <typename Node, typename Take>
void inPrinterOrder(const Node* head, Take take) {
  std::vector<const Node*> rows;
  for (const Node* node = head; node != nullptr; node = node->next) rows.push_back(node);
  std::for_each(rows.rbegin(), rows.rend(), take);
}

// The printer text of a fixed field as one line, without control bytes.
template <std::size_t N>
std::string line(const char (&field)[N]) {
  return tvx::text::singleLine(tvx::catalog::fieldText(field));
}

bool readMedia(unsigned char session, PrinterReport& report) {
  PTS_BiDiMedia head = nullptr;
  TE_BiDiStatus status = BiDi_GetMedia(session, &head);
  tvx::bidi::MediaList list(head);
  if (status != en_BiDiSuccess) return false;
  bool built = true;
  inPrinterOrder(list.get(), [&](const TS_BiDiMedia* row) {
    // The sizes and key the catalog would hold.
    std::unique_ptr<CMedia> record = tvx::bidi::catalogMediaFrom(*row);
    if (!record) {
      built = false;
      return;
    }
    const CMedia& media = *record;
    MediaEntry entry;
    entry.name = line(media.name);
    entry.ppdKey = line(media.ppdKey);
    entry.description = line(row->description);
    entry.type = line(media.type);
    entry.color = line(media.color);
    entry.weight = row->weight;
    entry.width = media.width;
    entry.length = media.length;
    entry.canDuplex = row->canDuplex == 1;
    entry.canStaple = row->canStaple == 1;
    entry.canPunch = row->canPunch == 1;
    entry.readOnly = row->defaultMedia == 1;
    report.media.push_back(std::move(entry));
  });
  return built;
}

bool readTrays(unsigned char session, PrinterReport& report) {
  PTS_BiDiInput head = nullptr;
  TE_BiDiStatus status = BiDi_GetInput(session, &head);
  tvx::bidi::InputList list(head);
  if (status != en_BiDiSuccess) return false;
  inPrinterOrder(list.get(), [&](const TS_BiDiInput* row) {
    report.trays.push_back(
        {row->inputIdx, line(row->inputName), line(row->inputType), line(row->inputMedia)});
  });
  return true;
}

// Each option keyword with the code the PPD update would write for it.
bool readOptions(unsigned char session, PrinterReport& report) {
  PTS_BiDiInstallableOption head = nullptr;
  TE_BiDiStatus status = BiDi_GetInstallableOption(session, &head);
  tvx::bidi::OptionList list(head);
  if (status != en_BiDiSuccess) return false;
  for (int category = 0; category < static_cast<int>(std::size(installOptions)); ++category) {
    std::string value = "False";
    for (const TS_BiDiInstallableOption* o = list.get(); o != nullptr; o = o->next) {
      if (getTypeInstalled(o->strOption) == category) value = o->strOption;
    }
    report.options.push_back({installOptions[category], value});
  }
  return true;
}

bool readProfiles(unsigned char session, PrinterReport& report) {
  using Reader = TE_BiDiStatus (*)(unsigned char, PTS_BiDiColorProfile*);
  struct Kind {
    const char* name;
    Reader read;
  };
  static constexpr Kind kinds[] = {{"Gray", BiDi_GetColorProfile_Gray},
                                   {"RGB", BiDi_GetColorProfile_RGB},
                                   {"CMYK", BiDi_GetColorProfile_CMYK},
                                   {"Output", BiDi_GetColorProfile_Output}};
  for (const Kind& kind : kinds) {
    PTS_BiDiColorProfile head = nullptr;
    TE_BiDiStatus status = kind.read(session, &head);
    tvx::bidi::ProfileList list(head);
    if (status != en_BiDiSuccess) return false;
    ProfileKind profiles{kind.name, {}};
    // The PPD offers the names in list order; so does the report.
    for (const TS_ColorProfile* p = list.get(); p != nullptr; p = p->next) {
      profiles.names.push_back(line(p->name));
    }
    report.profiles.push_back(std::move(profiles));
  }
  return true;
}

}  // namespace

bool readPrinterReport(unsigned char session, PrinterReport& report) {
  report.model = kModel;
  return readMedia(session, report) && readTrays(session, report) && readOptions(session, report) &&
         readProfiles(session, report);
}

std::string sizeInMillimetres(unsigned long thousandths) {
  // 72000 thousandths of a point make 25.4 mm; tenths of a millimetre, rounded.
  unsigned long long tenths = (static_cast<unsigned long long>(thousandths) * 254 + 36000) / 72000;
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%llu", tenths / 10, tenths % 10);
  return text;
}

}  // namespace tvx::query
