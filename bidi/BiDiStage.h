// The stage: private copies of a queue's PPD and media catalog on which
// bidiupdate and tavorinex-query --diff run their updates.
//
// bidiupdate runs every update of its switch on the stage and replaces the
// queue's own files only at the end, when the run finished within its time
// limit: so a run that is stopped (time limit, a signal, a kill) changes
// nothing, and the queue's files change once per run. tavorinex-query --diff
// runs the same updates on a stage and shows the difference.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tvx::bidi {

class Stage {
 public:
  // Makes the private folder "<temp folder><prefix>.XXXXXX" (mode 0700,
  // locked with flock while this object lives, removed by the signal
  // handlers of common/exitguard.h) holding "ppd/" and "data/Tavorinex/",
  // and copies into it the queue's PPD (when it is a regular file, not a
  // link) and its media catalog (when it has one). Null when the folder or a
  // copy cannot be made. Call before redirect(), with the queue files
  // pointing at the system's folders.
  static std::unique_ptr<Stage> open(const char* queue, const std::string& prefix);

  // Removes the folder with everything in it.
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // Points the queue files (tvx::paths) at the stage for the rest of the
  // process, or until commit().
  void redirect();

  const std::string& folder() const { return folder_; }
  // The queue's PPD and catalog as they were when the stage was made;
  // nullopt for a file that was missing or could not be read.
  const std::optional<std::string>& ppdBefore() const { return ppdBefore_; }
  const std::optional<std::string>& catalogBefore() const { return catalogBefore_; }
  // The stage's PPD and catalog now.
  std::optional<std::string> ppdNow() const;
  std::optional<std::string> catalogNow() const;

  // Points the queue files back at the system's folders and replaces the
  // queue's PPD, then its catalog, with the stage's, each only when the
  // stage's differs from what the queue had. A file of the queue that
  // changed since the stage was made is not overwritten. Returns true when
  // every file that differed was replaced; false leaves the catalog as it
  // was (and the PPD as well, unless only the catalog failed).
  bool commit();

 private:
  Stage(std::string queue, std::string folder);

  std::string queue_;
  std::string folder_;
  int lock_ = -1;
  std::optional<std::string> ppdBefore_;
  std::optional<std::string> catalogBefore_;
};

// The prefix of bidiupdate's stage folders in the temp folder.
inline constexpr const char* kStagePrefix = "bidiupdate";

// Removes what runs of bidiupdate that were killed left behind, and nothing
// else: in the PPD folder, regular files named "TavorinexTempPPD.ps."
// and six letters or digits; in the catalog folder, ".catalog-" and six;
// in the temp folder, stage folders "bidiupdate." and six that no run holds.
// Each only when it is the caller's, has no second name, and was last
// changed more than a minute ago (a running bidiupdate's work file is
// younger).
void removeStaleWorkFiles();

}  // namespace tvx::bidi
