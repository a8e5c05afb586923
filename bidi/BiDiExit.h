// The exit statuses of bidiupdate, which are also the return values of its
// PPD updates (BiDi_UpdateMedia, BiDi_UpdateColor,
// BiDi_UpdateInstallableOptions, BiDi_UpdateInput).
#pragma once

#include <array>
#include <string_view>

namespace tvx::bidi {

inline constexpr int kDone = 10;             // the last update run succeeded
inline constexpr int kWrongCommandLine = 11; // bad arguments, switch or queue name
inline constexpr int kQueryFailed = 12;      // no printer session, or a printer query failed
inline constexpr int kFileFailed = 13;       // PPD not opened, refused or not replaced; catalog not saved
inline constexpr int kNoTrays = 14;          // the printer reports no input trays
inline constexpr int kNoMedia = 15;          // the printer reports no media
inline constexpr int kNoOptions = 16;        // the printer reports no installable options
inline constexpr int kNoColorProfile = 17;   // no colour profile of one of the four kinds

// Words that the README's exit-status table and the refresh script's message
// both use for each status; a test keeps the three in step.
struct ExitWords {
  int status;
  std::string_view words;
};
inline constexpr std::array<ExitWords, 8> kExitWords = {{
    {kDone, "updated"},
    {kWrongCommandLine, "command line"},
    {kQueryFailed, "query failed"},
    {kFileFailed, "media catalog could not be"},
    {kNoTrays, "no input trays"},
    {kNoMedia, "no media"},
    {kNoOptions, "no installable options"},
    {kNoColorProfile, "no colour profile"},
}};

}  // namespace tvx::bidi
