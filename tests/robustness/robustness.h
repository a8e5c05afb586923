// Checks shared by the robustness suites: what a PPD or a media catalog
// written under attack may and may not contain, and small process helpers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tvx::test {

// The model PPD of the printer, relative to the source tree.
inline const std::string kModelPPD = "ppd/TavorinexArcM750XLS.ppd";

// Size of one media record in a catalog file.
inline constexpr std::size_t kCatalogRecordSize = 1488;

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

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

// Copies `from` over `to` (the whole file, created when missing).
void copyFile(const std::string& from, const std::string& to);

// Waits for `pid`; its exit status, or -1 when a signal ended it.
int exitStatusOf(pid_t pid);

}  // namespace tvx::test
