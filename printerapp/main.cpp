#include "printerapp/app.h"

#ifdef __SANITIZE_ADDRESS__
// In a sanitizer build: PAPPL and libcups keep some allocations (server
// settings, option arrays) until the process ends; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libpappl.so\nleak:libcups.so\n";
}
#endif

int main(int argc, char* argv[]) { return tvx::papp::runMainloop(argc, argv); }
