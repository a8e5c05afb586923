#include "printerapp/app.h"

int main(int argc, char* argv[]) { return tvx::papp::runMainloop(argc, argv); }
