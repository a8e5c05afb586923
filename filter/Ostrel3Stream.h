// The filter's variations of the stream primitives (common/psstream.h):
// marker finds are traced through the filter trace, a feature's option
// keyword follows the second space of its DSC line, and a copy can stop at
// either of two markers.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "common/psstream.h"

namespace tvx::filter {

// copyUntilMarker that traces "Found the string " and the marker on a find.
// Returns 0 if found, 1 if the input ran out.
int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip);

// The same on a window, from its input to its output.
int writeBufferToTempPSStreamUntilGivenString(const char* marker, PSWindow& window, int skip);

// copyUntilEitherMarker (marker 1 wins when both are held) that traces
// "Found one of the string", marker 1 and marker 2 on a find. Returns 0 if
// one was found, 1 if the input ran out.
int writeBufferToTempPSStreamUntilGivenString_2(const char* marker1, const char* marker2,
                                                char* window, int* count, int skip);
int writeBufferToTempPSStreamUntilGivenString_2(const char* marker1, const char* marker2,
                                                PSWindow& window, int skip);

// Copies the option keyword of the "%%BeginFeature: *Key Option" line
// `line` (the text behind its second space, up to the line's end) into
// `option` (`size` bytes; empty when absent or too long).
void featureOption(const char* line, char* option, std::size_t size);

// The same for an option array, whose size bounds the copy.
template <std::size_t N>
void featureOption(const char* line, char (&option)[N]) {
  featureOption(line, option, N);
}

// featureOption under the interface's name. Returns 0.
int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size);

// The same for an identifier array, whose size bounds the copy.
template <std::size_t N>
int getPageSizeIdentifier(const char* line, char (&identifier)[N]) {
  return getPageSizeIdentifier(line, identifier, N);
}

// Writes (or, with `skip`, drops) the job up to the first DSC line that
// starts with one of `markers` (a marker may run on over the following
// lines, as "[{\n%%BeginFeature: *PageSize " does). A DSC line counts only
// at a line start and outside embedded documents: the lines from a
// "%%BeginDocument" to its "%%EndDocument", nested, belong to that document
// and pass untouched. The front of the window must be a line start outside
// embedded documents. Traces "Found the string " and the marker on a find.
// Returns the marker's index, its line at the front of the window, or -1
// when the job ran out first.
int copyUntilDscLine(std::initializer_list<const char*> markers, PSWindow& window, int skip);

}  // namespace tvx::filter
