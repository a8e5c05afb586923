// Checks shared by the robustness suites: what a PPD or a media catalog
// written under attack may and may not contain, a filter call on a job
// file, and a file copy.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/testroot.h"

namespace tvx::test {

// The model PPD of the printer, relative to the source tree.
inline const std::string kModelPPD = "ppd/TavorinexArcM750XLS.ppd";

// Size of one media record in a catalog file.
inline constexpr std::size_t kCatalogRecordSize = 1488;

// The main keywords ("*Keyword") of a PPD's lines, comments left out.
std::set<std::string> mainKeywords(const std::string& ppd);

// What is wrong with a PPD written from printer data, compared with the
// PPD it started from: main keywords the start PPD lacks, "*cupsFilter"
// lines other than its own, lines longer than the 255 bytes a PPD line may
// have, and control bytes other than tab (a carriage return ends a PPD line
// too). Empty when none.
std::vector<std::string> ppdProblems(const std::string& ppd, const std::string& start);

// What is wrong with a catalog file: a size that is not a whole number of
// records, and text fields (name, PPD key, description, type, colour) that
// are not terminated inside the field or hold control bytes. Empty when none.
std::vector<std::string> catalogProblems(const std::string& catalog);

// A call of psfilter-testroot on `queue` with `arguments` (1 to 5), the job
// read from "<folder>/<name>.ps", its printer data and messages going to
// "<folder>/<name>.out" and "<folder>/<name>.err".
Command jobCall(const std::string& queue, std::vector<std::string> arguments,
                const std::string& folder, const std::string& name = "job");

// Copies `from` over `to` (the whole file, created when missing).
void copyFile(const std::string& from, const std::string& to);

}  // namespace tvx::test
