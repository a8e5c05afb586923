// The options of the model PPD as the tests read them, independent of the
// code under test.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/testroot.h"

namespace tvx::test {

struct PPDOption {
  std::string defaultChoice;
  double order = 0;
  // Choice keyword to code, in the PPD's order.
  std::vector<std::pair<std::string, std::string>> choices;
  std::map<std::string, std::string> translations;
};

struct ModelPPD {
  std::map<std::string, PPDOption> options;
  // "*cupsIPPFinishings N/...: "*Option Choice"" as N to "Option Choice".
  std::map<int, std::string> finishings;
};

// Reads the options of the PPD, independent of the code under test: an
// option runs from "*OpenUI *Key" to "*CloseUI: *Key"; a choice's quoted
// code may span lines.
inline ModelPPD readModelPPD() {
  std::string text = tvx::test::readFile(tvx::test::sourceFile("ppd/TavorinexArcM750XLS.ppd"));
  ModelPPD ppd;
  std::string open;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lineStart = pos;
    std::size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    if (line.starts_with("*OpenUI *")) {
      open = line.substr(9, line.find_first_of("/:") - 9);
      ppd.options[open];
    } else if (line.starts_with("*CloseUI:")) {
      open.clear();
    } else if (line.starts_with("*cupsIPPFinishings ")) {
      std::size_t quote = line.find('"');
      ppd.finishings[std::stoi(line.substr(19))] =
          line.substr(quote + 2, line.rfind('"') - quote - 2);
    } else if (open.empty()) {
      continue;
    } else if (line.starts_with("*OrderDependency: ")) {
      ppd.options[open].order = std::stod(line.substr(18));
    } else if (line.starts_with("*Default" + open + ": ")) {
      ppd.options[open].defaultChoice = line.substr(open.size() + 10);
    } else if (line.starts_with("*" + open + " ")) {
      std::size_t slash = line.find('/');
      std::size_t colon = line.find(':', slash);
      std::string keyword = line.substr(open.size() + 2, slash - open.size() - 2);
      std::size_t begin = text.find('"', lineStart) + 1;
      std::size_t close = text.find('"', begin);
      ppd.options[open].choices.emplace_back(keyword, text.substr(begin, close - begin));
      ppd.options[open].translations[keyword] = line.substr(slash + 1, colon - slash - 1);
      pos = text.find('\n', close) + 1;
    }
  }
  return ppd;
}

}  // namespace tvx::test
