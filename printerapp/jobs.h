// The driver's job callbacks: PostScript is edited by the filter's job in
// a child process and sent to the device; PDF becomes PostScript first.
#pragma once

#include <pappl/pappl.h>

namespace tvx::papp {

// Sets the print callbacks of `data`: the PostScript one, and raster ones
// that refuse every raster job (the server requires them).
void setJobCallbacks(pappl_pr_driver_data_t& data);

// Lets `system` take PDF jobs, turned into PostScript by Ghostscript and
// then printed as PostScript jobs are. Called before the system runs.
void addPdfFilter(pappl_system_t* system);

}  // namespace tvx::papp
