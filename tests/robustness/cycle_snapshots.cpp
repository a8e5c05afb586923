// Linked into a test build of bidiupdate with the linker's --wrap, around
// the end of the PPD cycle and the catalog save: after each PPD replacement
// and each catalog save it copies the file into $TVX_SNAPSHOT_DIR as
// "ppd.<n>" or "catalog.<n>" (n from 1, in run order), so that a test knows
// every state a run leaves the two files in.
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/paths.h"

class CMediaCatalog;

extern "C" int __real__Z19updatePPDforPrinterPKc(const char* queue);
extern "C" bool __real__ZN13CMediaCatalog9SaveMediaEv(CMediaCatalog* catalog);

namespace {

std::string lastQueue;

void snapshot(const char* kind, const std::string& path) {
  static int counts[2] = {0, 0};
  const char* folder = std::getenv("TVX_SNAPSHOT_DIR");
  if (folder == nullptr) return;
  int& count = counts[std::string(kind) == "ppd" ? 0 : 1];
  std::ifstream in(path, std::ios::binary);
  std::ofstream(std::string(folder) + "/" + kind + "." + std::to_string(++count),
                std::ios::binary)
      << in.rdbuf();
}

}  // namespace

extern "C" int __wrap__Z19updatePPDforPrinterPKc(const char* queue) {
  int result = __real__Z19updatePPDforPrinterPKc(queue);
  lastQueue = queue != nullptr ? queue : "";
  if (result == 0) snapshot("ppd", tvx::paths::ppdFolder() + lastQueue + ".ppd");
  return result;
}

extern "C" bool __wrap__ZN13CMediaCatalog9SaveMediaEv(CMediaCatalog* catalog) {
  bool saved = __real__ZN13CMediaCatalog9SaveMediaEv(catalog);
  if (saved) snapshot("catalog", tvx::paths::applicationDataFolder() + "/Tavorinex/" + lastQueue);
  return saved;
}
