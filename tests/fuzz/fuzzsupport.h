// Shared set-up of the fuzz targets: a private tree for the fixed paths,
// files written from fuzz input, and invariant checks that stop the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tvx::fuzz {

// The fuzz input as text.
inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A private folder, made once per process and removed at exit, that
// TAVORINEX_TEST_ROOT points at, with the folders the programs expect in it:
// etc/cups/ppd, tmp and usr/bin/Tavorinex. Returns its path.
const std::string& testRoot();

// Replaces the file at `path` with `contents`; aborts when it cannot.
void writeFile(const std::string& path, std::string_view contents);

// The whole contents of the file at `path`; empty when it cannot be read.
std::string readFile(const std::string& path);

// Sends standard output to /dev/null for code that prints its result there.
void silenceStdout();

// Aborts with `what` on standard error when `condition` is false, so that
// the fuzzer records the input as a finding.
void check(bool condition, const char* what);

}  // namespace tvx::fuzz
