// Runs the real bidiupdate (its test build) and cupstestppd as processes on
// a test root that holds a queue's PPD and the catalog folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/common/testroot.h"
#include "tests/support/simprinter.h"

namespace tvx::test {

// What a program run left behind.
struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit
  std::string out;  // standard output
  std::string err;  // standard error
};

// Starts `program` (found on PATH unless it holds a "/") with `args`,
// standard input from /dev/null and its standard output and error into
// `out` and `err`; returns its process id, or -1.
pid_t spawnProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& out, const std::string& err);

// Runs `program` with `args` and the caller's environment; its standard
// output and error are captured through files in `folder`.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& folder);

// The simulated printer of `scenario` (a folder of tests/printers), started
// on first use and stopped when the test program ends.
const SimPrinter& sharedPrinter(const std::string& scenario);

// A test root with the PPD folder, the log folder and the catalog folder.
class BidiupdateTest : public TestRoot {
 protected:
  void SetUp() override;

  std::string catalogFolder() const { return root_ + "/usr/bin/Tavorinex/"; }
  std::string catalogFile(const std::string& queue) const { return catalogFolder() + queue; }
  std::string ppdFile(const std::string& queue) const { return ppdFolder() + queue + ".ppd"; }

  // Copies `source` (relative to the source tree) as the PPD of `queue`.
  void installPPD(const std::string& queue, const std::string& source);
  std::string ppdOf(const std::string& queue) const { return readFile(ppdFile(queue)); }

  // Runs bidiupdate-testroot with `args`.
  RunResult bidiupdate(const std::vector<std::string>& args);

  // Exit status of "cupstestppd -W filters" on the PPD of `queue`; its
  // report goes into `report`.
  int cupstestppd(const std::string& queue, std::string* report);
};

// A file of the source tree.
std::string sourceFile(const std::string& relative);

}  // namespace tvx::test
