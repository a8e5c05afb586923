// PDF jobs become PostScript through Ghostscript, run as a child of its own.
#pragma once

#include <chrono>
#include <string>

namespace tvx::papp {

// The pages to convert, counted from 1; 0 leaves that end open.
struct PageRange {
  unsigned first = 0;
  unsigned last = 0;
};

// Writes the PostScript of the PDF at `path` (the pages of `pages`) to the
// open file `outputFd`, and Ghostscript's messages to `messagesFd`, with `gs`
// from PATH, ended when it runs longer than `limit`. Returns an empty string
// on success, else why it failed.
std::string pdfToPostScript(const std::string& path, PageRange pages, int outputFd,
                            int messagesFd, std::chrono::seconds limit);

}  // namespace tvx::papp
