// The updates that bidiupdate's switch selects, shared with tavorinex-query --diff
// so that both run the same chain.
#pragma once

namespace tvx::bidi {

// Runs the updates that `letter` (A, M, C or O, either case) selects on
// `queue` with the printer of `session`; under A each one runs whatever the
// one before returned, and the last result counts. Another letter is
// kWrongCommandLine.
int runUpdates(char letter, unsigned char session, const char* queue);

}  // namespace tvx::bidi
