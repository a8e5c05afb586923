// The driver data of the Printer Application's one driver, made from a
// printer's capabilities, and how a new reading reaches a printer.
#pragma once

#include <pappl/pappl.h>

#include <map>
#include <string>

#include "printerapp/capabilities.h"

namespace tvx::papp {

inline constexpr const char* kDriverName = "tavorinex_arc_m750xls";
inline constexpr const char* kMakeAndModel = "Tavorinex Arc M750XLS";

// What a printer offers before its first reading: A4 and Letter in tray 1.
const Capabilities& initialCapabilities();

// Fills `data` (callbacks, PostScript as the one format, make and model)
// and `*attrs` (the profiles' supported values and defaults: those of
// `profileDefaults` that are offered, else "none"; a new set the caller
// hands on) for `capabilities`. The data points into `capabilities`'
// strings, which must outlive the printer's use of them.
void fillDriverData(const Capabilities& capabilities, pappl_pr_driver_data_t& data, ipp_t** attrs,
                    const std::map<std::string, std::string>& profileDefaults = {});

// Makes `printer` offer `now`. Only the trays changed since `before`: the
// ready media are replaced; else the driver data is rebuilt and the
// defaults set before (media, colour, sides, quality, the profile
// options), where `now` still offers them, are set again. Returns false
// when the server refused the data.
bool applyCapabilities(pappl_printer_t* printer, const Capabilities& now,
                       const Capabilities* before);

}  // namespace tvx::papp
