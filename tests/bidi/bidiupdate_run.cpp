#include "tests/bidi/bidiupdate_run.h"

#include <sys/stat.h>

#include <filesystem>

namespace tvx::test {

void BidiupdateTest::SetUp() {
  TestRoot::SetUp();
  std::filesystem::create_directories(catalogFolder());
  // As installed; the programs, run as root, make what is missing of it.
  std::filesystem::create_directories(snmpPersistentFolder() + "/cert_indexes");
  for (const std::string& folder : {snmpPersistentFolder(), snmpPersistentFolder() + "/cert_indexes"}) {
    ::chmod(folder.c_str(), 0700);
  }
}

void BidiupdateTest::installPPD(const std::string& queue, const std::string& source) {
  writeFile(ppdFile(queue), readFile(sourceFile(source)));
}

Finished BidiupdateTest::bidiupdate(const std::vector<std::string>& args) {
  Command command{.argv = {BIDIUPDATE_PATH}};
  command.argv.insert(command.argv.end(), args.begin(), args.end());
  return run(command);
}

int BidiupdateTest::cupstestppd(const std::string& queue, std::string* report) {
  Finished result = run({.argv = {"cupstestppd", "-W", "filters", ppdFile(queue)}});
  *report = result.out + result.err;
  return result.status;
}

}  // namespace tvx::test
