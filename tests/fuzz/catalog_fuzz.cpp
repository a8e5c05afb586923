// Fuzzes the media catalog: the input is a queue's catalog file. Loading it,
// looking each media up, building its PostScript texts and saving the
// catalog again must keep every text inside its field and every PostScript
// text well formed.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::check;

constexpr const char* kQueue = "fuzzqueue";

template <std::size_t N>
bool terminated(const char (&field)[N]) {
  return ::strnlen(field, N) < N;
}

bool textsTerminated(const CMedia& media) {
  return terminated(media.name) && terminated(media.ppdKey) && terminated(media.description) &&
         terminated(media.type) && terminated(media.color) && terminated(media.unit) &&
         terminated(media.szUUID) && terminated(media.szTray);
}

// True when every "(" of `line` opens a PostScript string that closes on
// the line, and no ")" or "%" stands outside a string.
bool stringsClosed(std::string_view line) {
  int depth = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (depth > 0 && c == '\\') {
      ++i;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth-- == 0) return false;
    } else if (depth == 0 && c == '%') {
      return false;
    }
  }
  return depth == 0;
}

// Lines of `text`, each without its line feed; false when a control byte
// other than the line feeds is present or the text does not end a line.
bool splitLines(std::string_view text, std::vector<std::string_view>& lines) {
  if (!text.ends_with('\n')) return false;
  for (unsigned char c : text) {
    if ((c < 0x20 && c != '\n') || c == 0x7F) return false;
  }
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return true;
}

// Runs the two-call protocol of a PostScript text into a buffer of exactly
// the size asked for.
std::string psText(CMediaCatalog& catalog, int (CMediaCatalog::*text)(const CMedia*, char*),
                   const CMedia& media) {
  const int room = (catalog.*text)(&media, nullptr);
  check(room > 0 && room <= 1024, "a PostScript text outside 1 to 1023 characters");
  const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(room));
  check((catalog.*text)(&media, buffer.get()) == 0, "the fill call failed");
  check(std::strlen(buffer.get()) + 1 == static_cast<std::size_t>(room), "size query and text disagree");
  return buffer.get();
}

void checkPsTexts(CMediaCatalog& catalog, const CMedia& media) {
  std::vector<std::string_view> lines;
  const std::string comment = psText(catalog, &CMediaCatalog::GetPSComment, media);
  check(splitLines(comment, lines) && lines.size() == 1, "the page comment is not one line");
  check(comment.starts_with("%%PSPageMedia: "), "the page comment lost its keyword");
  lines.clear();
  const std::string command = psText(catalog, &CMediaCatalog::GetPSCommand, media);
  check(splitLines(command, lines) && lines.size() == 5, "the set-up command is not five lines");
  check(lines[0] == "[{" && lines[1].starts_with("%%BeginFeature: *PageSize ") &&
            lines[3] == "%%EndFeature" && lines[4] == "} stopped cleartomark",
        "the set-up command lost its frame");
  check(lines[2].starts_with("<< /PageSize [") && lines[2].ends_with(" >> setpagedevice"),
        "the set-up dictionary lost its frame");
  check(stringsClosed(lines[2]), "a PostScript string of the set-up is not closed");
}

void checkLookups(CMediaCatalog& catalog, CMedia& media) {
  const CMedia* byKey = catalog.GetMediaByPPDKey(media.ppdKey);
  check(byKey != nullptr && std::strcmp(byKey->ppdKey, media.ppdKey) == 0, "lookup by PPD key");
  const CMedia* byName = catalog.GetMedia(static_cast<const char*>(media.name));
  check(byName != nullptr && std::strcmp(byName->name, media.name) == 0, "lookup by name");
  const CMedia* bySize = catalog.GetMedia(media.width, media.length, media.szTray);
  check(bySize != nullptr, "lookup by size and tray");
  catalog.GetMedia(static_cast<unsigned short>(media.dmSize));
  char weight[16];
  catalog.GetWeightStr(media.weight, weight);
}

// Loads the catalog file and checks every record; returns the record count.
std::size_t checkCatalog(CMediaCatalog& catalog) {
  std::size_t count = 0;
  for (CMedia* media = catalog.GetAllMedias(); media != nullptr; media = media->GetNext()) {
    check(textsTerminated(*media), "a text runs past its field");
    check(media->GetNext() == nullptr || media->GetNext()->GetPrev() == media, "broken chain");
    checkLookups(catalog, *media);
    checkPsTexts(catalog, *media);
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = tvx::fuzz::testRoot() + "/usr/bin/Tavorinex/" + kQueue;
  tvx::fuzz::writeFile(file, tvx::fuzz::asText(data, size));
  std::string saved;
  {
    CMediaCatalog catalog(kQueue);
    const std::size_t count = checkCatalog(catalog);
    check(count == size / tvx::catalog::kMediaRecordSize, "records lost or invented");
    check(catalog.SaveMedia(), "the catalog could not be saved");
    saved = tvx::fuzz::readFile(file);
    check(saved.size() == count * tvx::catalog::kMediaRecordSize, "the saved file has the wrong size");
  }
  // What was saved loads and saves again to the same bytes.
  CMediaCatalog reloaded(kQueue);
  check(checkCatalog(reloaded) * tvx::catalog::kMediaRecordSize == saved.size(), "reload lost records");
  check(reloaded.SaveMedia() && tvx::fuzz::readFile(file) == saved, "save is not stable");
  return 0;
}
