#include "bidi/BiDiLandmarks.h"

#include <algorithm>

namespace tvx::bidi {

namespace {

constexpr std::string_view kModelName = "\"Tavorinex Arc M750XLS\"";

// Lines that open or close an option or a group of options.
constexpr std::string_view kGroupBounds[] = {"*OpenUI",     "*CloseUI",       "*JCLOpenUI",
                                             "*JCLCloseUI", "*OpenGroup",     "*CloseGroup",
                                             "*OpenSubGroup", "*CloseSubGroup"};

bool crossesGroupBound(std::string_view text) {
  for (std::string_view bound : kGroupBounds) {
    if (text.find(bound) != std::string_view::npos) return true;
  }
  return false;
}

// Whether `text` at `at` is `keyword` as a whole word: nothing or a
// separator follows it.
bool namesKeyword(std::string_view text, std::size_t at, std::string_view keyword) {
  if (text.substr(at, keyword.size()) != keyword) return false;
  std::size_t after = at + keyword.size();
  return after == text.size() || std::string_view("/: \t\r\n").find(text[after]) != std::string_view::npos;
}

std::string_view trimmed(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end + 1 - begin);
}

}  // namespace

bool isModelPPD(std::string_view ppd) {
  constexpr std::string_view kKey = "*ModelName:";
  for (std::size_t start = 0; start < ppd.size();) {
    std::size_t end = ppd.find('\n', start);
    std::string_view line = ppd.substr(start, end == std::string_view::npos ? end : end - start);
    if (line.starts_with(kKey)) return trimmed(line.substr(kKey.size())) == kModelName;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

bool LandmarkWalk::copyTo(std::string_view marker) {
  std::size_t found = find(marker);
  at_ = found == std::string_view::npos ? ppd_.size() : found;
  return found != std::string_view::npos;
}

bool LandmarkWalk::copyWithinGroupTo(std::string_view marker) {
  std::size_t from = at_;
  if (!copyTo(marker)) return false;
  if (crossesGroupBound(ppd_.substr(from, at_ - from))) safe_ = false;
  return true;
}

void LandmarkWalk::dropTo(std::string_view marker) {
  std::size_t found = find(marker);
  std::string_view dropped = ppd_.substr(at_, found == std::string_view::npos ? found : found - at_);
  if (found == std::string_view::npos ? !dropped.empty() : crossesGroupBound(dropped)) safe_ = false;
  at_ = found == std::string_view::npos ? ppd_.size() : found;
}

void LandmarkWalk::passLine() {
  std::size_t lineFeed = ppd_.find('\n', at_);
  if (lineFeed != std::string_view::npos) at_ = lineFeed + 1;
}

bool LandmarkWalk::onOwnLine(std::string_view prefix) const {
  std::size_t lineFeed = at_ == 0 ? std::string_view::npos : ppd_.rfind('\n', at_ - 1);
  std::size_t lineStart = lineFeed == std::string_view::npos ? 0 : lineFeed + 1;
  return ppd_.substr(lineStart, at_ - lineStart) == prefix && ppd_.find('\n', at_) != std::string_view::npos;
}

bool LandmarkWalk::insideOption(std::string_view keyword) const {
  constexpr std::string_view kOpen = "*OpenUI *";
  constexpr std::string_view kClose = "*CloseUI: *";
  std::size_t before = std::string_view::npos;
  std::size_t after = std::string_view::npos;
  for (std::string_view bound : kGroupBounds) {
    std::size_t last = at_ == 0 ? std::string_view::npos : ppd_.rfind(bound, at_ - 1);
    if (last != std::string_view::npos && (before == std::string_view::npos || last > before)) before = last;
    after = std::min(after, ppd_.find(bound, at_));
  }
  return before != std::string_view::npos && after != std::string_view::npos &&
         ppd_.substr(before).starts_with(kOpen) && namesKeyword(ppd_, before + kOpen.size(), keyword) &&
         ppd_.substr(after).starts_with(kClose) && namesKeyword(ppd_, after + kClose.size(), keyword);
}

}  // namespace tvx::bidi
