// Open printer sessions on simulated printers, for the reader and update
// tests: one simulated printer per scenario folder of tests/printers,
// started on first use and stopped when the test program ends.
#pragma once

#include <string>

namespace tvx::test {

// The session, opened with BiDi_InitSession, on the simulated printer of
// `scenario` (a folder name under tests/printers). Fails the current test
// and returns 0 when the printer does not start or is refused.
unsigned char scenarioSession(const std::string& scenario);

}  // namespace tvx::test
