#include "tests/robustness/robustness.h"

#include <fstream>
#include <utility>

namespace tvx::test {

namespace {

constexpr std::size_t kMaxPPDLine = 255;

struct TextField {
  const char* name;
  std::size_t offset;
  std::size_t size;
};

constexpr TextField kTextFields[] = {
    {"name", 0, 32}, {"ppdKey", 32, 32}, {"description", 64, 1026},
    {"type", 1090, 108}, {"color", 1198, 108}, {"unit", 1306, 34}};

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string fieldProblem(std::string_view record, const TextField& field) {
  std::string_view text = record.substr(field.offset, field.size);
  std::size_t end = text.find('\0');
  if (end == std::string_view::npos) return std::string(field.name) + " not terminated";
  for (unsigned char c : text.substr(0, end)) {
    if (isControl(c)) return std::string(field.name) + " holds control byte " + std::to_string(c);
  }
  return {};
}

}  // namespace

std::set<std::string> mainKeywords(const std::string& ppd) {
  std::set<std::string> keywords;
  for (const std::string& line : linesOf(ppd)) {
    if (line.starts_with("*") && !line.starts_with("*%")) {
      keywords.insert(line.substr(0, line.find_first_of(" :\t")));
    }
  }
  return keywords;
}

std::vector<std::string> ppdProblems(const std::string& ppd, const std::string& start) {
  std::vector<std::string> problems;
  const std::set<std::string> known = mainKeywords(start);
  for (const std::string& keyword : mainKeywords(ppd)) {
    if (!known.contains(keyword)) problems.push_back("new main keyword " + keyword);
  }
  std::vector<std::string> filters, startFilters;
  for (const std::string& line : linesOf(start)) {
    if (line.starts_with("*cupsFilter")) startFilters.push_back(line);
  }
  std::size_t number = 0;
  for (const std::string& line : linesOf(ppd)) {
    ++number;
    if (line.starts_with("*cupsFilter")) filters.push_back(line);
    if (line.size() > kMaxPPDLine) {
      problems.push_back("line " + std::to_string(number) + " has " + std::to_string(line.size()) +
                         " bytes: " + line.substr(0, 60));
    }
    for (unsigned char c : line) {
      if (isControl(c) && c != '\t') {
        problems.push_back("line " + std::to_string(number) + " holds control byte " +
                           std::to_string(c));
        break;
      }
    }
  }
  if (filters != startFilters) problems.push_back("filter lines changed");
  return problems;
}

std::vector<std::string> catalogProblems(const std::string& catalog) {
  std::vector<std::string> problems;
  if (catalog.size() % kCatalogRecordSize != 0) {
    problems.push_back("size " + std::to_string(catalog.size()) + " is not whole records");
    return problems;
  }
  std::string_view all(catalog);
  for (std::size_t at = 0; at < all.size(); at += kCatalogRecordSize) {
    for (const TextField& field : kTextFields) {
      std::string problem = fieldProblem(all.substr(at, kCatalogRecordSize), field);
      if (!problem.empty()) {
        problems.push_back("record " + std::to_string(at / kCatalogRecordSize) + ": " + problem);
      }
    }
  }
  return problems;
}

Command jobCall(const std::string& queue, std::vector<std::string> arguments,
                const std::string& folder, const std::string& name) {
  Command call{.argv = {queue},
               .program = PSFILTER_PROGRAM,
               .inputPath = folder + "/" + name + ".ps",
               .outputPath = folder + "/" + name + ".out",
               .errorPath = folder + "/" + name + ".err"};
  call.argv.insert(call.argv.end(), arguments.begin(), arguments.end());
  return call;
}

void copyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
}

}  // namespace tvx::test
