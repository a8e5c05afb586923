// Result of the printer-reading library's functions.
#pragma once

enum TE_BiDiStatus {
  en_BiDiSuccess = 0,
  en_BiDiSessionNotOpen = 1,
  en_BiDiSessionTimeOut = 2,  // also: a table walk failed for any reason
  en_BiDiNotEnoughMemory = 3,
  en_BiDiInvalidPrinter = 4,
};
