// What bidiupdate's PPD updates return (BiDi_UpdateMedia, BiDi_UpdateColor,
// BiDi_UpdateInstallableOptions, BiDi_UpdateInput and their parts), and the
// exit statuses of bidiupdate that they map to.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tvx::bidi {

enum class UpdateStatus {
  kDone,             // the last update run succeeded
  kWrongCommandLine, // bad arguments, switch or queue name
  kQueryFailed,      // no printer session, or a printer query failed
  kFileFailed,       // PPD not opened, refused or not replaced; catalog not saved
  kNoTrays,          // the printer reports no input trays
  kNoMedia,          // the printer reports no media
  kNoOptions,        // the printer reports no installable options
  kNoColorProfile,   // no colour profile of one of the four kinds
};

// The exit status of each update status, and words that the README's
// exit-status table and the refresh script's message both use for it; a
// test keeps the three in step. In the order of UpdateStatus.
struct ExitWords {
  UpdateStatus update;
  int status;
  std::string_view words;
};
inline constexpr std::array<ExitWords, 8> kExitWords = {{
    {UpdateStatus::kDone, 10, "updated"},
    {UpdateStatus::kWrongCommandLine, 11, "command line"},
    {UpdateStatus::kQueryFailed, 12, "query failed"},
    {UpdateStatus::kFileFailed, 13, "media catalog could not be"},
    {UpdateStatus::kNoTrays, 14, "no input trays"},
    {UpdateStatus::kNoMedia, 15, "no media"},
    {UpdateStatus::kNoOptions, 16, "no installable options"},
    {UpdateStatus::kNoColorProfile, 17, "no colour profile"},
}};

// The exit status of bidiupdate for `update`.
constexpr int exitStatus(UpdateStatus update) {
  return kExitWords[static_cast<std::size_t>(update)].status;
}

constexpr bool tableFollowsTheStatuses() {
  for (std::size_t at = 0; at < kExitWords.size(); ++at) {
    if (static_cast<std::size_t>(kExitWords[at].update) != at) return false;
  }
  return true;
}
static_assert(tableFollowsTheStatuses(), "kExitWords lists the update statuses in their order");

// The exit statuses by name, for the programs' own failures and their tests.
inline constexpr int kDone = exitStatus(UpdateStatus::kDone);
inline constexpr int kWrongCommandLine = exitStatus(UpdateStatus::kWrongCommandLine);
inline constexpr int kQueryFailed = exitStatus(UpdateStatus::kQueryFailed);
inline constexpr int kFileFailed = exitStatus(UpdateStatus::kFileFailed);
inline constexpr int kNoTrays = exitStatus(UpdateStatus::kNoTrays);
inline constexpr int kNoMedia = exitStatus(UpdateStatus::kNoMedia);
inline constexpr int kNoOptions = exitStatus(UpdateStatus::kNoOptions);
inline constexpr int kNoColorProfile = exitStatus(UpdateStatus::kNoColorProfile);

}  // namespace tvx::bidi

namespace tvx::query {

// tavorinex-query's own exit statuses; it fails with bidiupdate's above.
inline constexpr int kShown = 0;        // the report was written; --diff: nothing would change
inline constexpr int kWouldChange = 1;  // --diff: the update would change the PPD or the catalog
inline constexpr int kCannotWrite = 2;  // standard output took not every byte

}  // namespace tvx::query
