// The job's header comment section: from its first line to "%%EndComments"
// or to the first line that is not a comment.
#pragma once

#include <optional>

#include "common/psstream.h"
#include "filter/Ostrel3Spool.h"

namespace tvx::filter {

// What the header scan found, and the header lines it had to read ahead.
struct JobHeader {
  // The count of "%RBINumCopies:", CUPS's mark of copies it made itself (by
  // NumCopies, or 1 when it repeated the pages); 0 without the mark.
  int copiesMadeByCups = 0;
  // Set when the section runs on past the window: the lines read so far,
  // which must reach the spool file before the window's bytes.
  std::optional<SpoolFile> readAhead;
};

// Looks for the copies mark in the header section; the window holds the
// job's first bytes. A section that ends within the window moves nothing. A
// longer one is read on, line by line, into a private holding file (so memory
// stays bounded) up to the mark or the section's end; the window's output is
// the same afterwards. The holding file belongs to the result. nullopt when
// the holding file cannot be created.
std::optional<JobHeader> scanJobHeader(PSWindow& window);

// Appends the header lines read ahead, if any, to the window's output and
// removes the holding file. False when the holding file could not be read
// back.
bool writeReadAhead(JobHeader& header, PSWindow& window);

}  // namespace tvx::filter
