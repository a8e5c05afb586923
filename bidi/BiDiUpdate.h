// The updates that bidiupdate's switch selects, shared with tavorinex-query --diff
// so that both run the same chain.
#pragma once

#include <optional>

#include "bidi/BiDiExit.h"

namespace tvx::bidi {

// The overall time limit of bidiupdate and tavorinex-query
// (--time-limit SECONDS), its default and its largest value (a day).
inline constexpr unsigned kDefaultTimeLimit = 600;
inline constexpr unsigned kMaxTimeLimit = 86400;

// The seconds of a --time-limit argument: whole seconds from 1 to
// kMaxTimeLimit, digits only; nullopt for anything else (or null).
std::optional<unsigned> timeLimitOf(const char* text);

// Runs the updates that `letter` (A, M, C or O, either case) selects on
// `queue` with the printer of `session`; under A each one runs whatever the
// one before returned, and the last result counts. Another letter is
// UpdateStatus::kWrongCommandLine.
UpdateStatus runUpdates(char letter, unsigned char session, const char* queue);

}  // namespace tvx::bidi
