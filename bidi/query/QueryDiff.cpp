#include "bidi/query/QueryDiff.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bidi/BiDiExit.h"
#include "bidi/BiDiStage.h"
#include "bidi/BiDiUpdate.h"
#include "bidi/PPDCycle.h"
#include "bidi/lib/BiDiSession.h"
#include "bidi/query/PrinterReport.h"
#include "common/exitguard.h"
#include "common/paths.h"
#include "common/printertext.h"
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

// Runs "diff -u" on the two files with the given labels and prints its
// output as terminal text (the PPD holds printer text); diff's exit status
// (0 same, 1 different), or 2.
int diffFiles(const std::string& before, const std::string& after, const std::string& labelBefore,
              const std::string& labelAfter) {
  std::vector<std::string> words{"diff", "-u", "--label", labelBefore, "--label", labelAfter, before, after};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return 2;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, "diff", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  std::string output;
  char block[65536];
  for (ssize_t got; spawned == 0 && (got = ::read(pipeEnds[0], block, sizeof block)) != 0;) {
    if (got > 0) output.append(block, static_cast<std::size_t>(got));
    else if (errno != EINTR) break;
  }
  ::close(pipeEnds[0]);
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 2;
  std::fputs(tvx::text::terminalText(output).c_str(), stdout);
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
    std::printf("  %s (PPD key %s), %s x %s mm, %lu x %lu pt\n", tvx::text::terminalText(name).c_str(),
                tvx::text::terminalText(key).c_str(),
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

  int result = exitStatus(tvx::bidi::runUpdates('A', session, queue));
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
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    return fail(kCannotWrite, queue, "cannot write the difference");
  }
  return changed == 1 || catalogChanged ? kWouldChange : kShown;
}

}  // namespace tvx::query
