#include "printerapp/pdfconvert.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <vector>

namespace tvx::papp {

namespace {

constexpr int kExecFailed = 127;

}  // namespace

std::string pdfToPostScript(const std::string& path, PageRange pages, int outputFd,
                            int messagesFd, std::chrono::seconds limit) {
  // Without PDFSTOPONERROR Ghostscript makes up a blank page for a PDF whose
  // pages it cannot find; a damaged cross-reference table it still repairs.
  std::vector<std::string> args = {"gs",       "-q",           "-dSAFER",
                                   "-dBATCH",  "-dNOPAUSE",    "-dPDFSTOPONERROR",
                                   "-sstdout=%stderr",         "-sDEVICE=ps2write",
                                   "-sOutputFile=-"};
  if (pages.first > 0) args.push_back("-dFirstPage=" + std::to_string(pages.first));
  if (pages.last > 0) args.push_back("-dLastPage=" + std::to_string(pages.last));
  args.push_back("-f");
  args.push_back(path);
  // Built before the fork: the child of a threaded server may not allocate.
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  unsigned seconds = static_cast<unsigned>(limit.count());

  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return "Ghostscript could not be started";
  if (child == 0) {
    int input = open("/dev/null", O_RDONLY);
    if (input < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(outputFd, STDOUT_FILENO) < 0 ||
        dup2(messagesFd, STDERR_FILENO) < 0) {
      _exit(kExecFailed);
    }
    // The server's sockets and files are none of Ghostscript's business.
    close_range(STDERR_FILENO + 1, ~0U, 0);
    std::signal(SIGPIPE, SIG_DFL);
    std::signal(SIGALRM, SIG_DFL);
    alarm(seconds);  // kept across exec: a PDF that never ends kills Ghostscript
    execvp(argv[0], argv.data());
    _exit(kExecFailed);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return "Ghostscript was lost";
  }
  if (WIFSIGNALED(status)) {
    return WTERMSIG(status) == SIGALRM
               ? "Ghostscript took longer than " + std::to_string(seconds) + " s on the PDF"
               : "Ghostscript ended on signal " + std::to_string(WTERMSIG(status));
  }
  if (WEXITSTATUS(status) == kExecFailed) return "Ghostscript (gs) could not be run";
  if (WEXITSTATUS(status) != 0) {
    return "Ghostscript could not read the PDF (exit status " +
           std::to_string(WEXITSTATUS(status)) + ")";
  }
  return "";
}

}  // namespace tvx::papp
