#include "printerapp/driverdata.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/printertext.h"
#include "printerapp/jobs.h"
#include "printerapp/refresher.h"

namespace tvx::papp {

namespace {

// Margins the printer keeps blank: 4.2 mm on every side.
constexpr int kMargin = 423;
constexpr int kResolution = 600;
constexpr int kStapleFinishing = 4;
constexpr int kPunchFinishing = 5;

pappl_media_col_t mediaCol(const std::string& name, int width, int length,
                           const std::string& source, const std::string& type) {
  pappl_media_col_t col{};
  col.bottom_margin = col.top_margin = col.left_margin = col.right_margin = kMargin;
  col.size_width = width;
  col.size_length = length;
  tvx::text::copyField(col.size_name, sizeof col.size_name, name);
  tvx::text::copyField(col.source, sizeof col.source, source);
  tvx::text::copyField(col.type, sizeof col.type, type);
  return col;
}

// The ready media of every source; a source without media reports none.
int readyMediaOf(const Capabilities& capabilities, pappl_media_col_t* ready) {
  int count = 0;
  for (const ReadyMedia& held : capabilities.ready) {
    if (count == PAPPL_MAX_SOURCE) break;
    ready[count++] = mediaCol(held.media, held.width, held.length, held.source, held.type);
  }
  return count;
}

bool offers(const std::vector<std::string>& values, const char* value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool offersMedia(const Capabilities& capabilities, const char* name) {
  return std::any_of(capabilities.media.begin(), capabilities.media.end(),
                     [name](const MediaEntry& entry) { return entry.name == name; });
}

// The profile defaults `printer` holds now, by attribute name.
std::map<std::string, std::string> vendorDefaultsOf(pappl_printer_t* printer,
                                                    const Capabilities& now) {
  std::map<std::string, std::string> defaults;
  ipp_t* attrs = papplPrinterGetDriverAttributes(printer);
  for (const ProfileOption& option : now.profiles) {
    ipp_attribute_t* attr =
        ippFindAttribute(attrs, (option.attribute + "-default").c_str(), IPP_TAG_ZERO);
    const char* value = attr != nullptr ? ippGetString(attr, 0, nullptr) : nullptr;
    if (value != nullptr) defaults.emplace(option.attribute, value);
  }
  ippDelete(attrs);
  return defaults;
}

}  // namespace

const Capabilities& initialCapabilities() {
  static const Capabilities initial = [] {
    Capabilities capabilities;
    capabilities.media = {{"iso_a4_210x297mm", "", 21000, 29700, "stationery"},
                          {"na_letter_8.5x11in", "", 21590, 27940, "stationery"}};
    capabilities.sources = {"tray-1"};
    capabilities.ready = {{"tray-1", "iso_a4_210x297mm", 21000, 29700, "stationery"}};
    capabilities.types = {"stationery"};
    capabilities.finishings = {3};
    return capabilities;
  }();
  return initial;
}

void fillDriverData(const Capabilities& capabilities, pappl_pr_driver_data_t& data, ipp_t** attrs,
                    const std::map<std::string, std::string>& profileDefaults) {
  data = pappl_pr_driver_data_t{};
  setJobCallbacks(data);
  data.delete_cb = [](pappl_printer_t* printer, pappl_pr_driver_data_t*) { stopRefresh(printer); };
  tvx::text::copyField(data.make_and_model, sizeof data.make_and_model, kMakeAndModel);
  data.kind = PAPPL_KIND_DOCUMENT;
  data.ppm = 75;
  data.ppm_color = 75;
  data.color_supported =
      PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
  data.color_default = PAPPL_COLOR_MODE_AUTO;
  data.content_default = PAPPL_CONTENT_AUTO;
  data.quality_default = IPP_QUALITY_NORMAL;
  data.scaling_default = PAPPL_SCALING_AUTO;
  data.orient_default = IPP_ORIENT_NONE;
  data.duplex = PAPPL_DUPLEX_NORMAL;
  data.sides_supported =
      PAPPL_SIDES_ONE_SIDED | PAPPL_SIDES_TWO_SIDED_LONG_EDGE | PAPPL_SIDES_TWO_SIDED_SHORT_EDGE;
  data.sides_default = PAPPL_SIDES_ONE_SIDED;
  // The server makes finishings-supported from these bits alone (an
  // attribute of the driver's own would be a second one).
  for (int finishing : capabilities.finishings) {
    if (finishing == kStapleFinishing) data.finishings |= PAPPL_FINISHINGS_STAPLE;
    if (finishing == kPunchFinishing) data.finishings |= PAPPL_FINISHINGS_PUNCH;
  }
  // The server refuses a driver without raster types, though it gets none.
  data.raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8;
  data.num_resolution = 1;
  data.x_resolution[0] = data.y_resolution[0] = kResolution;
  data.x_default = data.y_default = kResolution;
  data.left_right = data.bottom_top = kMargin;

  for (const MediaEntry& entry : capabilities.media) {
    if (data.num_media == PAPPL_MAX_MEDIA) break;
    data.media[data.num_media++] = entry.name.c_str();
  }
  for (const std::string& source : capabilities.sources) {
    if (data.num_source == PAPPL_MAX_SOURCE) break;
    data.source[data.num_source++] = source.c_str();
  }
  for (const std::string& type : capabilities.types) {
    if (data.num_type == PAPPL_MAX_TYPE) break;
    data.type[data.num_type++] = type.c_str();
  }
  readyMediaOf(capabilities, data.media_ready);
  const MediaEntry& first = capabilities.media.front();
  data.media_default =
      capabilities.ready.empty()
          ? mediaCol(first.name, first.width, first.length,
                     capabilities.sources.empty() ? "" : capabilities.sources.front(), first.type)
          : data.media_ready[0];

  *attrs = ippNew();
  for (const ProfileOption& option : capabilities.profiles) {
    if (data.num_vendor == PAPPL_MAX_VENDOR) break;
    data.vendor[data.num_vendor++] = option.attribute.c_str();
    std::vector<const char*> values;
    for (const std::string& value : option.values) values.push_back(value.c_str());
    ippAddStrings(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD,
                  (option.attribute + "-supported").c_str(), static_cast<int>(values.size()),
                  nullptr, values.data());
    auto chosen = profileDefaults.find(option.attribute);
    const char* value =
        chosen != profileDefaults.end() && offers(option.values, chosen->second.c_str())
            ? chosen->second.c_str()
            : values.front();
    ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, (option.attribute + "-default").c_str(),
                 nullptr, value);
  }
}

bool applyCapabilities(pappl_printer_t* printer, const Capabilities& now,
                       const Capabilities* before) {
  if (before != nullptr) {
    Capabilities trays = *before;
    trays.ready = now.ready;
    if (trays == now) {
      pappl_media_col_t ready[PAPPL_MAX_SOURCE] = {};
      int count = readyMediaOf(now, ready);
      return papplPrinterSetReadyMedia(printer, count, ready);
    }
  }
  pappl_pr_driver_data_t old{};
  papplPrinterGetDriverData(printer, &old);
  pappl_pr_driver_data_t data{};
  ipp_t* attrs = nullptr;
  // The administrator's choices outlive a new reading where they still
  // apply; all goes in one call, so that no client sees them missing.
  fillDriverData(now, data, &attrs, vendorDefaultsOf(printer, now));
  if (offersMedia(now, old.media_default.size_name)) data.media_default = old.media_default;
  data.color_default = old.color_default;
  data.sides_default = old.sides_default;
  data.quality_default = old.quality_default;
  data.content_default = old.content_default;
  data.scaling_default = old.scaling_default;
  data.orient_default = old.orient_default;
  bool set = papplPrinterSetDriverData(printer, &data, attrs);
  ippDelete(attrs);
  return set;
}

}  // namespace tvx::papp
