// Runs the real bidiupdate (its test build) and cupstestppd as processes on
// a test root that holds a queue's PPD and the catalog folder.
#pragma once

#include <string>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/simprinter.h"
#include "tests/support/testroot.h"

namespace tvx::test {

// A test root with the PPD folder, the log folder, the catalog folder and
// the SNMP library's persistent folder.
class BidiupdateTest : public TestRoot {
 protected:
  void SetUp() override;

  std::string catalogFolder() const { return root_ + "/usr/bin/Tavorinex/"; }
  std::string snmpPersistentFolder() const { return root_ + "/var/lib/tavorinex/snmp"; }
  std::string catalogFile(const std::string& queue) const { return catalogFolder() + queue; }
  std::string ppdFile(const std::string& queue) const { return ppdFolder() + queue + ".ppd"; }

  // Copies `source` (relative to the source tree) as the PPD of `queue`.
  void installPPD(const std::string& queue, const std::string& source);
  std::string ppdOf(const std::string& queue) const { return readFile(ppdFile(queue)); }

  // Runs bidiupdate-testroot with `args`.
  Finished bidiupdate(const std::vector<std::string>& args);

  // Exit status of "cupstestppd -W filters" on the PPD of `queue`; its
  // report goes into `report`.
  int cupstestppd(const std::string& queue, std::string* report);
};

}  // namespace tvx::test
