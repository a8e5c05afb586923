// Fixture of the media catalog tests: a test root whose catalog folder
// exists, media of the printer, and a record image built by hand from the
// catalog file's layout (independent of the code under test).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mediacatalog/mediacatalog.h"
#include "tests/mediacatalog/reportedmedia.h"
#include "tests/support/testroot.h"

namespace tvx::test {

class CatalogTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    std::filesystem::create_directories(catalogFolder());
  }

  std::string catalogFolder() const { return root_ + "/usr/bin/Tavorinex/"; }
  std::string catalogFile(const std::string& queue) const { return catalogFolder() + queue; }
};

// A pointer as the catalog's trace lines write it ("%p").
inline std::string pointerText(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

// The log messages of the catalog's trace lines: each line ends in its own
// line feed, which leaves an empty message behind it.
inline std::vector<std::string> traceLines(const std::vector<std::string>& lines) {
  std::vector<std::string> messages;
  for (const std::string& line : lines) {
    messages.push_back(line);
    messages.emplace_back();
  }
  return messages;
}

// The catalog's entry line of `step` with its arguments ("name = value; "
// each), and its exit line with what it returns ("returns 1 : ", ": ").
inline std::string entryLine(std::string_view step, std::string_view arguments = "") {
  return "---> CMediaCatalog::" + std::string(step) + " entry : " + std::string(arguments) +
         "GetLastError = 0";
}
inline std::string exitLine(std::string_view step, std::string_view result = ": ") {
  return "<--- CMediaCatalog::" + std::string(step) + " exit " + std::string(result) +
         "GetLastError = 0";
}

// A plain white media of 90 g as the printer reports it.
inline std::unique_ptr<CMedia> printerMedia(std::string_view name, unsigned long width,
                                            unsigned long length) {
  return reportedMedia(name, width, length, "Plain", "white", 90);
}

// One catalog file record, written field by field at the layout's offsets.
class RecordBytes {
 public:
  RecordBytes() : bytes_(1488, '\0') {}
  RecordBytes& text(size_t offset, std::string_view value) {
    bytes_.replace(offset, value.size(), value);
    return *this;
  }
  RecordBytes& u32(size_t offset, std::uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<char>(value >> (8 * i));
    return *this;
  }
  RecordBytes& u16(size_t offset, std::uint16_t value) {
    bytes_[offset] = static_cast<char>(value);
    bytes_[offset + 1] = static_cast<char>(value >> 8);
    return *this;
  }
  RecordBytes& u8(size_t offset, unsigned char value) {
    bytes_[offset] = static_cast<char>(value);
    return *this;
  }
  const std::string& str() const { return bytes_; }

 private:
  std::string bytes_;
};

// The record of a predefined media of the given name, key, description,
// unit, size and feed edge.
inline std::string predefinedRecord(std::string_view name, std::string_view key,
                                    std::string_view description, std::string_view unit,
                                    std::uint32_t width, std::uint32_t length, std::uint16_t edge) {
  RecordBytes r;
  r.text(0, name).text(32, key).text(64, description).text(1090, "Plain").text(1198, "white");
  r.text(1306, unit).u32(1340, 89).u32(1344, 0).u8(1348, 1).u8(1349, 0);
  r.u32(1352, width).u32(1356, length).u16(1360, edge);
  // edgeSensitive, sideSensitive 0; six abilities 1; favourite, pre-printed 0; default 1.
  for (size_t flag = 1364; flag <= 1369; ++flag) r.u8(flag, 1);
  r.u8(1372, 1).text(1381, name);
  return r.str();
}

}  // namespace tvx::test
