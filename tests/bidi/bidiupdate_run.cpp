#include "tests/bidi/bidiupdate_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

extern char** environ;

namespace tvx::test {

std::string sourceFile(const std::string& relative) {
  const char* source = std::getenv("TVX_SOURCE_DIR");
  return std::string(source != nullptr ? source : ".") + "/" + relative;
}

pid_t spawnProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& folder) {
  const std::string out = folder + "/run.stdout";
  const std::string err = folder + "/run.stderr";
  RunResult result;
  pid_t pid = spawnProgram(program, args, out, err);
  if (pid < 0) return result;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = readFile(out);
  result.err = readFile(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

const SimPrinter& sharedPrinter(const std::string& scenario) {
  static std::map<std::string, std::unique_ptr<SimPrinter>> printers;
  std::unique_ptr<SimPrinter>& printer = printers[scenario];
  if (!printer) printer = std::make_unique<SimPrinter>(scenario);
  return *printer;
}

void BidiupdateTest::SetUp() {
  TestRoot::SetUp();
  std::filesystem::create_directories(catalogFolder());
}

void BidiupdateTest::installPPD(const std::string& queue, const std::string& source) {
  writeFile(ppdFile(queue), readFile(sourceFile(source)));
}

RunResult BidiupdateTest::bidiupdate(const std::vector<std::string>& args) {
  return runProgram(BIDIUPDATE_PATH, args, tmpFolder());
}

int BidiupdateTest::cupstestppd(const std::string& queue, std::string* report) {
  RunResult result = runProgram("cupstestppd", {"-W", "filters", ppdFile(queue)}, tmpFolder());
  *report = result.out + result.err;
  return result.status;
}

}  // namespace tvx::test
