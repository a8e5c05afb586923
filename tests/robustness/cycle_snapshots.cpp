// Linked into a test build of bidiupdate: watches the atomic replacements
// of the queue's PPD and media catalog, and after each one copies the file
// into $TVX_SNAPSHOT_DIR as "ppd.<n>" or "catalog.<n>" (n from 1, in run
// order), so that a test knows every state a run leaves the two files in.
// The replacements on the run's stage (in the temp folder) are not the
// queue's and are left out.
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/paths.h"
#include "common/safefile.h"

namespace {

void snapshot(const std::string& target) {
  static int counts[2] = {0, 0};
  const char* folder = std::getenv("TVX_SNAPSHOT_DIR");
  if (folder == nullptr || target.starts_with(tvx::paths::tempFolder())) return;
  const bool ppd = tvx::folderOf(target) == tvx::paths::ppdFolder();
  int& count = counts[ppd ? 0 : 1];
  std::ifstream in(target, std::ios::binary);
  std::ofstream(std::string(folder) + "/" + (ppd ? "ppd." : "catalog.") + std::to_string(++count),
                std::ios::binary)
      << in.rdbuf();
}

[[maybe_unused]] const bool watching = (tvx::replacementObserver = snapshot, true);

}  // namespace
