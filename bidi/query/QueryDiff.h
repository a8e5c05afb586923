// tavorinex-query --diff QUEUE HOST: what "bidiupdate -A QUEUE HOST" would
// change, found by running the same updates on private copies.
#pragma once

namespace tvx::query {

// Copies the queue's PPD and media catalog into a private folder (a stage,
// bidi/BiDiStage.h: mode 0700, removed on every return and by SIGINT,
// SIGTERM, SIGHUP and the time limit), points the updates at it, runs them
// as bidiupdate -A does and prints a unified diff of the PPD and the media
// the catalog would hold. No file of the queue changes. Returns kShown when
// nothing would change, kWouldChange when something would, kCannotWrite
// when standard output fails (bidi/BiDiExit.h), or bidiupdate's status for
// a failure (11 queue name, 12 printer or time limit, 13 files, 14 to 17
// printer data). The caller arms the time limit (common/exitguard.h).
int showDiff(const char* queue, const char* host);

}  // namespace tvx::query
