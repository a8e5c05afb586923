// What an update checks before it rewrites a PPD: that the PPD is one of
// this printer model, and that the lines it edits around stand where its
// forward pass would drop only the section it rewrites.
#pragma once

#include <cstddef>
#include <string_view>

namespace tvx::bidi {

// True when the first "*ModelName:" line of `ppd` names this printer model.
bool isModelPPD(std::string_view ppd);

// An update's forward pass over a PPD, followed without writing anything:
// the copies and drops up to markers find what the stream primitives would
// find. It notes every drop that would remove text outside the section being
// rewritten: the rest of the PPD when its marker is missing, or a bound of
// an option group (OpenUI, CloseUI and the like) on the way to its marker.
class LandmarkWalk {
 public:
  explicit LandmarkWalk(std::string_view ppd) : ppd_(ppd) {}

  // Copies up to `marker`. False, with the rest of the PPD copied, when it is
  // missing.
  bool copyTo(std::string_view marker);

  // As copyTo; crossing the bound of an option group on the way is a fault,
  // since the edits that follow belong to the group left behind.
  bool copyWithinGroupTo(std::string_view marker);

  // Drops up to `marker`; a fault when that removes more than the section.
  void dropTo(std::string_view marker);

  // Takes the current line, its line feed included, when it has one.
  void passLine();

  // True when `prefix` is all that stands between the start of the current
  // line and the current position, and the line ends with a line feed: an
  // edit that replaces the line from here replaces it whole.
  bool onOwnLine(std::string_view prefix) const;

  // True when the current position lies inside the option `keyword`: the
  // nearest group bound before it is "*OpenUI *<keyword>" and the nearest
  // after it "*CloseUI: *<keyword>".
  bool insideOption(std::string_view keyword) const;

  // True while no step would lose text outside its section.
  bool safe() const { return safe_; }

 private:
  // Position of `marker` from the current one, or npos.
  std::size_t find(std::string_view marker) const { return ppd_.find(marker, at_); }

  std::string_view ppd_;
  std::size_t at_ = 0;
  bool safe_ = true;
};

}  // namespace tvx::bidi
