#include "filter/Ostrel3Stream.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "filter/Ostrel3Trace.h"

namespace {

void traceMarkerFound(const char* marker) {
  Trace("Found the string ");
  Trace(marker);
}

void traceEitherMarkerFound(const char* marker1, const char* marker2) {
  Trace("Found one of the string");
  Trace(marker1);
  Trace(marker2);
}

}  // namespace

namespace tvx::filter {

int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip) {
  return copyUntilMarker(marker, window, count, skip, traceMarkerFound);
}

int writeBufferToTempPSStreamUntilGivenString(const char* marker, PSWindow& window, int skip) {
  return window.copyUntilMarker(marker, skip, traceMarkerFound);
}

int writeBufferToTempPSStreamUntilGivenString_2(const char* marker1, const char* marker2,
                                                char* window, int* count, int skip) {
  return copyUntilEitherMarker(marker1, marker2, window, count, skip, traceEitherMarkerFound);
}

int writeBufferToTempPSStreamUntilGivenString_2(const char* marker1, const char* marker2,
                                                PSWindow& window, int skip) {
  return window.copyUntilEitherMarker(marker1, marker2, skip, traceEitherMarkerFound);
}

void featureOption(const char* line, char* option, std::size_t size) {
  copyIdentifier(line, 2, option, size);
}

int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size) {
  featureOption(line, identifier, size);
  return 0;
}

int copyUntilDscLine(std::initializer_list<const char*> markers, PSWindow& window, int skip) {
  std::uintmax_t depth = 0;  // embedded documents open around the line
  const char* found = nullptr;
  // Most lines start with none of these bytes: they are passed at one comparison.
  std::string firstBytes = "%";
  for (const char* marker : markers) firstBytes += marker[0];
  int stop = window.copyUntilLine(
      [&](std::string_view start) {
        if (start.empty() || firstBytes.find(start.front()) == std::string::npos) return -1;
        if (start.starts_with("%%BeginDocument")) {
          ++depth;
        } else if (start.starts_with("%%EndDocument")) {
          if (depth > 0) --depth;
        } else if (depth == 0) {
          int index = 0;
          for (const char* marker : markers) {
            if (start.starts_with(marker)) {
              found = marker;
              return index;
            }
            ++index;
          }
        }
        return -1;
      },
      skip);
  if (found != nullptr) traceMarkerFound(found);
  return stop;
}

}  // namespace tvx::filter
