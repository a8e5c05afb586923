// errtext FILE NUMBER: prints the text of one error from an error text file.
#include "errtext/printError.h"

int main(int argc, char** argv) {
  if (argc != 3) return 0;
  if (const auto n = parseErrorNumber(argv[2])) return printError(argv[1], *n);
  return 0;
}
