// What tavorinex-query shows: the printer's data as bidiupdate reads it,
// gathered through the same readers, in the printer's own row order.
#pragma once

#include <string>
#include <vector>

namespace tvx::query {

struct MediaEntry {
  std::string name;
  std::string ppdKey;  // the keyword the PPD offers for the media
  std::string description;
  std::string type;
  std::string color;
  int weight = 0;
  unsigned long width = 0;   // thousandths of a point, width <= length
  unsigned long length = 0;  // thousandths of a point
  bool canDuplex = false;
  bool canStaple = false;
  bool canPunch = false;  // as the printer reports it
  bool readOnly = false;  // a media the printer predefines
};

struct TrayEntry {
  int number = 0;
  std::string name;
  std::string type;
  std::string media;
};

// One installable option as the PPD gets it: the option keyword and the
// printer's value for it.
struct OptionEntry {
  std::string option;
  std::string value;
};

struct ProfileKind {
  std::string kind;  // "Gray", "RGB", "CMYK", "Output"
  std::vector<std::string> names;
};

struct PrinterReport {
  std::string host;
  std::string model;
  std::vector<MediaEntry> media;
  std::vector<TrayEntry> trays;
  std::vector<OptionEntry> options;
  std::vector<ProfileKind> profiles;
};

// Reads everything from the open, identified printer session `session`.
// Returns false when a printer query fails.
bool readPrinterReport(unsigned char session, PrinterReport& report);

// Size in whole millimetres with one decimal ("215.9") and in whole points.
std::string sizeInMillimetres(unsigned long thousandths);

// The report for a person, and as one JSON document.
std::string formatText(const PrinterReport& report);
std::string formatJson(const PrinterReport& report);

}  // namespace tvx::query
