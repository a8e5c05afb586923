// The catalog's pair of trace lines in the diagnostic log:
//   "---> CMediaCatalog::<name> entry : <arguments>GetLastError = 0"
//   "<--- CMediaCatalog::<name> exit <result>GetLastError = 0"
// each ending in its own line feed. The arguments ("szTray = %s; ") are the
// scope's BEGIN detail; the result ("returns %p : ", or ": " and what the
// call wrote) its END detail, set just before the function returns.
#pragma once

#include "common/drvlog.h"

class CMedia;

namespace tvx::catalog {

inline constexpr tvx::log::ScopeForm kCatalogForm{LOG_FULL, "---> CMediaCatalog::", " entry : ",
                                                  "<--- CMediaCatalog::", " exit "};

// A text argument as the trace shows it: "(null)" for null.
inline const char* orNull(const char* text) { return text != nullptr ? text : "(null)"; }

// A lookup's END detail: the record found, or NULL, and the argument looked for.
inline void traceFound(tvx::log::Scope& trace, const char* argName, const char* arg,
                       const CMedia* media) {
  if (media == nullptr) {
    trace.setEndDetail("returns NULL : %s = %s; GetLastError = %i\n", argName, arg, GetLastError());
  } else {
    trace.setEndDetail("returns %p : %s = %s; GetLastError = %i\n", static_cast<const void*>(media),
                       argName, arg, GetLastError());
  }
}

}  // namespace tvx::catalog
