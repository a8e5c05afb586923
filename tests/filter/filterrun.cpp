#include "tests/filter/filterrun.h"

#include <filesystem>
#include <system_error>

#include "tests/support/run.h"

namespace tvx::test {

pid_t startFilter(const std::string& program, const FilterCall& call) {
  Command command{.argv = {call.queue},
                  .program = program,
                  .environment = call.environment,
                  .inputPath = call.stdinPath,
                  .outputFd = call.stdoutFd,
                  .outputPath = call.stdoutPath,
                  .outputFlags = call.stdoutFlags,
                  .errorPath = call.stderrPath,
                  .fileSizeLimit = call.fileSizeLimit,
                  .user = call.user};
  command.argv.insert(command.argv.end(), call.arguments.begin(), call.arguments.end());
  return Process(command).release();
}

int waitFilter(pid_t pid) { return waitStatus(pid); }

std::vector<std::string> filesOpenIn(pid_t pid, const std::string& folder,
                                     std::vector<std::string>* entries) {
  std::vector<std::string> files;
  std::error_code error;
  const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
    std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (error || !target.starts_with(folder)) continue;
    files.push_back(target);
    if (entries != nullptr) entries->push_back(entry.path().string());
  }
  return files;
}

}  // namespace tvx::test
