#include "printerapp/printerreading.h"

#include <new>

#include "bidi/CatalogMedia.h"
#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "bidi/lib/BiDiSession.h"
#include "mediacatalog/mediacatalog.h"

namespace tvx::papp {

namespace {

// Closes the session when the reading ends, whichever way.
class Session {
 public:
  explicit Session(const std::string& peer)
      : open_(BiDi_InitSession(peer.c_str(), &id_) == en_BiDiSuccess) {}
  ~Session() {
    if (open_) BiDi_CloseSession(id_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool open() const { return open_; }
  unsigned char id() const { return id_; }

 private:
  unsigned char id_ = 0;
  bool open_;
};

}  // namespace

std::optional<PrinterReading> readPrinter(const std::string& peer) {
  Session session(peer);
  if (!session.open()) return std::nullopt;
  PTS_BiDiMedia media = nullptr;
  PTS_BiDiInput trays = nullptr;
  PTS_BiDiInstallableOption options = nullptr;
  PTS_BiDiColorProfile rgb = nullptr, cmyk = nullptr, gray = nullptr, output = nullptr;
  bool read = BiDi_GetMedia(session.id(), &media) == en_BiDiSuccess;
  tvx::bidi::MediaList mediaList(media);
  read = read && BiDi_GetInput(session.id(), &trays) == en_BiDiSuccess;
  tvx::bidi::InputList trayList(trays);
  read = read && BiDi_GetInstallableOption(session.id(), &options) == en_BiDiSuccess;
  tvx::bidi::OptionList optionList(options);
  read = read && BiDi_GetColorProfile_RGB(session.id(), &rgb) == en_BiDiSuccess;
  tvx::bidi::ProfileList rgbList(rgb);
  read = read && BiDi_GetColorProfile_CMYK(session.id(), &cmyk) == en_BiDiSuccess;
  tvx::bidi::ProfileList cmykList(cmyk);
  read = read && BiDi_GetColorProfile_Gray(session.id(), &gray) == en_BiDiSuccess;
  tvx::bidi::ProfileList grayList(gray);
  read = read && BiDi_GetColorProfile_Output(session.id(), &output) == en_BiDiSuccess;
  tvx::bidi::ProfileList outputList(output);
  if (!read) return std::nullopt;

  PrinterReading reading;
  reading.capabilities = capabilitiesFrom(media, trays, options, {rgb, cmyk, gray, output});
  for (const TS_BiDiMedia* row = media; row != nullptr; row = row->next) {
    reading.media.insert(reading.media.begin(), *row);
    reading.media.front().next = nullptr;
  }
  return reading;
}

std::unique_ptr<CMediaCatalog> catalogOf(const std::vector<TS_BiDiMedia>& media) {
  std::unique_ptr<CMediaCatalog> catalog(new (std::nothrow) CMediaCatalog(""));
  if (!catalog) return nullptr;
  catalog->DeleteAllMedias();
  for (const TS_BiDiMedia& row : media) {
    std::unique_ptr<CMedia> record = tvx::bidi::catalogMediaFrom(row);
    if (record && record->ppdKey[0] != '\0' &&
        catalog->GetMediaByPPDKey(record->ppdKey) == nullptr) {
      catalog->AddMedia(record.release());
    }
  }
  return catalog;
}

}  // namespace tvx::papp
