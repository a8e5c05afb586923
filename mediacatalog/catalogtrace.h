// The catalog's pair of trace lines in the diagnostic log:
//   "---> CMediaCatalog::<name> entry : <arguments>GetLastError = 0"
//   "<--- CMediaCatalog::<name> exit <result>GetLastError = 0"
// each ending in its own line feed. The arguments ("szTray = %s; ") are the
// scope's BEGIN detail; the result ("returns %p : ", or ": " and what the
// call wrote) its END detail, set just before the function returns.
#pragma once

#include "common/drvlog.h"

namespace tvx::catalog {

inline constexpr tvx::log::ScopeForm kCatalogForm{LOG_FULL, "---> CMediaCatalog::", " entry : ",
                                                  "<--- CMediaCatalog::", " exit "};

}  // namespace tvx::catalog
