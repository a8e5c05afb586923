#include "filter/Ostrel3Stream.h"

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

int writeBufferToTempPSStreamUntilGivenString(const char* marker, char* window, int* count,
                                              int skip) {
  return tvx::copyUntilMarker(marker, window, count, skip, traceMarkerFound);
}

int writeBufferToTempPSStreamUntilGivenString_2(const char* marker1, const char* marker2,
                                                char* window, int* count, int skip) {
  return tvx::copyUntilEitherMarker(marker1, marker2, window, count, skip,
                                    traceEitherMarkerFound);
}

int getPageSizeIdentifier(const char* line, char* identifier, std::size_t size) {
  tvx::copyIdentifier(line, 2, identifier, size);
  return 0;
}
