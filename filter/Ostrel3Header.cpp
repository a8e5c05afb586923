#include "filter/Ostrel3Header.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

#include "common/psstream.h"

namespace tvx::filter {

namespace {

constexpr std::string_view kCopiesMark = "%RBINumCopies:";
constexpr std::string_view kEndComments = "%%EndComments";
constexpr std::size_t kCopyBlock = 16 * 1024;

enum Verdict { kGoOn = -1, kMarked = 0, kEnded = 1 };

// What the line that starts `start` says about the header.
int lineVerdict(std::string_view start) {
  if (start.starts_with(kCopiesMark)) return kMarked;
  if (!start.starts_with('%') || start.starts_with(kEndComments)) return kEnded;
  return kGoOn;
}

// The verdict on the header from the held bytes alone, and where the line
// that gave it starts; kGoOn when every line held is a header line and more
// may follow.
int verdictInWindow(std::string_view held, bool whole, std::size_t& line) {
  std::size_t at = 0;
  while (at < held.size()) {
    int verdict = lineVerdict(held.substr(at));
    std::size_t end = held.find_first_of("\r\n", at);
    // A line start is judged only once its first bytes are all there, the
    // mark only with its count.
    bool seen = verdict == kMarked ? end != std::string_view::npos
                                   : held.size() - at >= kCopiesMark.size();
    if (verdict != kGoOn && (whole || seen)) {
      line = at;
      return verdict;
    }
    if (end == std::string_view::npos) break;
    at = end + (held.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  return whole ? kEnded : kGoOn;
}

// The count of the copies mark at the front of `line`; at least 1, as the
// mark itself says CUPS made the copies.
int markedCopies(std::string_view line) {
  line.remove_prefix(kCopiesMark.size());
  line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
  int copies = 0;
  std::from_chars(line.data(), line.data() + line.size(), copies);
  return copies > 0 ? copies : 1;
}

}  // namespace

std::optional<JobHeader> scanJobHeader(PSWindow& window) {
  JobHeader header;
  std::size_t line = 0;
  int verdict = verdictInWindow(window.held(), window.count() < kPSWindowSize, line);
  if (verdict != kGoOn) {
    if (verdict == kMarked) header.copiesMadeByCups = markedCopies(window.held().substr(line));
    return header;
  }
  header.readAhead = SpoolFile::create("TavorinexTempPSHeader");
  if (!header.readAhead) return std::nullopt;
  FILE* spool = window.output();
  window.setOutput(header.readAhead->stream());
  if (window.copyUntilLine(lineVerdict, 0) == kMarked) {
    header.copiesMadeByCups = markedCopies(window.held());
  }
  window.setOutput(spool);
  return header;
}

bool writeReadAhead(JobHeader& header, PSWindow& window) {
  if (!header.readAhead) return true;
  FILE* held = header.readAhead->stream();
  bool whole = std::fflush(held) == 0 && std::fseek(held, 0, SEEK_SET) == 0;
  if (whole) {
    std::vector<char> block(kCopyBlock);
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), held)) > 0) {
      window.write({block.data(), got});
    }
    whole = !std::ferror(held);
  }
  header.readAhead.reset();
  return whole;
}

}  // namespace tvx::filter
