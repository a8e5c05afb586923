// Error text lookup: prints one numbered block of an error text file.
//
// The file is divided into blocks by header lines "### <n>". Block n is the
// lines after the header of n up to, not including, the next line whose
// number is n + 1, or to the end of the file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string_view>

// Error text files are small text files: a line longer than this many
// bytes, line feed included, is taken for a file of another kind.
inline constexpr std::size_t kMaxErrorLineBytes = 4 * 1024 * 1024;

// Results of getLineFromFile.
enum : int { kLineRead = 0, kEndOfFile = 1, kLineTooLong = 2, kOutOfMemory = 3 };

// Reads the next line of `file` (line feed kept) into a newly malloc'ed
// NUL-terminated string stored through `line`; the caller frees it. The line
// is held once, in that string. When `length` is given it receives the
// line's byte count, NUL bytes inside the line included. Returns kLineRead;
// at the end of the file kEndOfFile, for a line of more than
// kMaxErrorLineBytes kLineTooLong, and when memory runs out kOutOfMemory,
// each with null stored.
int getLineFromFile(FILE* file, char** line, std::size_t* length = nullptr);

// 1 when `line` is null (end of file) or its number equals `n`, else 0.
// A line without "###" has the number -1; a line with it has the decimal
// value read from its fifth character on (leading blanks skipped, no digits
// give 0). Numbers are compared exactly, however many digits they have.
int currentErrorLine(const char* line, int n);

// Prints block `n` of the file at `path` on standard output, each line byte
// for byte. Prints nothing when the file cannot be opened or has no block `n`.
// Returns 0; 1 after it gave up on a line too long to hold (or on running
// out of memory), which it reports on standard error.
int getError(const char* path, int n);

// getError for `n`; for 2 and 3 it then prints block 1 as well. Returns 0,
// or 1 when getError gave up.
int printError(const char* path, int n);

// The error number of a command-line argument, read like atoi: leading white
// space, an optional sign and decimal digits; no number gives 0. Returns
// nullopt when the number does not fit an int.
std::optional<int> parseErrorNumber(std::string_view text);
