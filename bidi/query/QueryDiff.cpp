#include "bidi/query/QueryDiff.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiStage.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/BiDiUtils.h"
#include "bidi/lib/BiDiSession.h"
#include "bidi/query/PrinterReport.h"
#include "common/exitguard.h"
#include "common/paths.h"
#include "mediacatalog/mediacatalog.h"
#include "mediacatalog/mediacatalogutil.h"

extern char** environ;

namespace tvx::query {

namespace {

using namespace tvx::bidi;

bool writeWhole(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

// Runs "diff -u" on the two files with the given labels, its output on our
// standard output; diff's exit status (0 same, 1 different), or 2.
int diffFiles(const std::string& before, const std::string& after, const std::string& labelBefore,
              const std::string& labelAfter) {
  std::fflush(stdout);
  std::vector<std::string> words{"diff", "-u", "--label", labelBefore, "--label", labelAfter, before, after};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "diff", nullptr, nullptr, argv.data(), environ) != 0) return 2;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 2;
  return WEXITSTATUS(status) <= 1 ? WEXITSTATUS(status) : 2;
}

void printCatalog(const char* queue, bool changed) {
  CMediaCatalog* catalog = CMediaCatalog::GetInstance(queue);
  CMedia* first = catalog->GetAllMedias();
  int count = first != nullptr ? first->GetCount() : 0;
  std::printf("\nMedia catalog of %s after the update (%d media, %s):\n", queue, count,
              changed ? "changed" : "unchanged");
  for (const CMedia* media = first; media != nullptr; media = media->GetNext()) {
    char name[sizeof media->name];
    char key[sizeof media->ppdKey];
    media->GetName(name);
    media->GetPpdKey(key);
    std::printf("  %s (PPD key %s), %s x %s mm, %lu x %lu pt\n", name, key,
                sizeInMillimetres(media->GetWidth()).c_str(), sizeInMillimetres(media->GetLength()).c_str(),
                tvx::catalog::sizeInPoints(media->GetWidth()), tvx::catalog::sizeInPoints(media->GetLength()));
  }
}

int fail(int status, const char* queue, const char* what) {
  std::fprintf(stderr, "tavorinex-query: %s: %s\n", queue, what);
  return status;
}

}  // namespace

int showDiff(const char* queue, const char* host) {
  if (!isPPDQueueName(queue)) return fail(kWrongCommandLine, queue, "not a usable queue name (command line)");
  unsigned char session = 0;
  if (BiDi_InitSession(host, &session) != en_BiDiSuccess) {
    std::fprintf(stderr,
                 "tavorinex-query: %s: printer not reached, not a Tavorinex Arc M750XLS, or a printer "
                 "query failed\n",
                 host);
    return kQueryFailed;
  }
  // Closes the session on every return from here on.
  struct Session {
    unsigned char id;
    ~Session() { BiDi_CloseSession(id); }
  } open{session};

  const std::string ppdLabel = tvx::paths::ppdFolder() + queue + ".ppd";
  std::unique_ptr<Stage> stage = Stage::open(queue, "tavorinex-query");
  if (!stage) return fail(kFileFailed, queue, "no private temp folder");
  if (!stage->ppdBefore()) return fail(kFileFailed, queue, "the PPD could not be read");
  const std::string before = stage->folder() + "/before.ppd";
  const std::string after = stage->folder() + "/ppd/" + queue + ".ppd";
  if (!writeWhole(before, *stage->ppdBefore())) {
    return fail(kFileFailed, queue, "the private copies could not be written");
  }
  stage->redirect();

  int result = tvx::bidi::runUpdates('A', session, queue);
  {
    tvx::exitguard::Deferred hold;
    if (!tvx::exitguard::stopTimeLimit()) return kQueryFailed;
  }
  if (result != kDone) {
    std::fprintf(stderr, "tavorinex-query: %s: bidiupdate -A would end with status %d\n", queue, result);
    return result;
  }
  int changed = diffFiles(before, after, ppdLabel, ppdLabel + " after bidiupdate -A");
  if (changed > 1) return fail(kFileFailed, queue, "diff failed");
  bool catalogChanged = stage->catalogNow() != stage->catalogBefore();
  printCatalog(queue, catalogChanged);
  std::fflush(stdout);
  return changed == 1 || catalogChanged ? 1 : 0;
}

}  // namespace tvx::query
