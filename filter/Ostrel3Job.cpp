#include "filter/Ostrel3Job.h"

FILE* outputPSStream = nullptr;
std::string jobName;
int nrCollated = 0;
int nrInputTray = 0;
