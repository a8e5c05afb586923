#include "filter/Ostrel3Main.h"

int main(int argc, char** argv) { return Ostrel3Main(argc, const_cast<const char**>(argv)); }
