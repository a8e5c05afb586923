// Fixture of the PPD update tests: a test root whose queue "Q" holds a PPD
// given by the test, the texts the tests compare with, and cupstestppd.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "bidi/BiDiExit.h"
#include "tests/support/run.h"
#include "tests/support/testroot.h"

namespace tvx::bidi {

// A failed check shows an update's status as the exit status it maps to.
inline void PrintTo(UpdateStatus status, std::ostream* out) { *out << "status " << exitStatus(status); }

}  // namespace tvx::bidi

namespace tvx::test {

// A file of the source tree, by its path under the tree's root.
inline std::string sourceText(const std::string& path) { return readFile(sourceFile(path)); }

inline std::string modelPPD() { return sourceText("ppd/TavorinexArcM750XLS.ppd"); }
inline std::string hexLabelPPD() { return sourceText("tests/ppd/TavorinexArcM750XLS-hexlabels.ppd"); }
inline std::string expectedSection(const std::string& name) { return sourceText("tests/bidi/expected/" + name); }

// `text` with its first `from` replaced by `to`; fails the test when absent.
inline std::string replaced(std::string text, std::string_view from, std::string_view to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// `ppd` with the lines from the first that starts with `first` through the
// next that starts with `last` replaced by `section`.
inline std::string withSection(const std::string& ppd, std::string_view first, std::string_view last,
                               const std::string& section) {
  size_t begin = ppd.find("\n" + std::string(first));
  size_t end = begin == std::string::npos ? begin : ppd.find("\n" + std::string(last), begin + 1);
  if (end != std::string::npos) end = ppd.find('\n', end + 1);
  EXPECT_NE(end, std::string::npos) << first << " ... " << last;
  if (end == std::string::npos) return ppd;
  return ppd.substr(0, begin + 1) + section + ppd.substr(end + 1);
}

class PPDUpdate : public TestRoot {
 protected:
  static constexpr const char* kQueue = "Q";

  std::string ppdPath() const { return ppdFolder() + kQueue + ".ppd"; }
  void install(const std::string& ppd) const { writeFile(ppdPath(), ppd); }
  std::string result() const { return readFile(ppdPath()); }

  // True when cupstestppd passes the queue's PPD (the filter need not be installed).
  bool acceptedByCups() const {
    return run({.argv = {"cupstestppd", "-q", "-W", "filters", ppdPath()}}).status == 0;
  }
};

}  // namespace tvx::test
