// Conversion of untrusted printer text into the forms the package writes.
//
// Media, tray and colour profile names come from the printer over the
// network. Every place that writes such text into a PPD, a PostScript
// string, a PJL line or a catalog field goes through these functions, so
// that no printer text can add a line, a keyword or code to what we write.
#pragma once

#include <string>
#include <string_view>

namespace tvx::text {

// A PPD option keyword: keeps printable ASCII but the bytes that end a
// keyword or break its line: spaces, ":" and "/" (which end it in a PPD
// line and in a DSC comment) and the double quote (which CUPS reads as the
// start of a value on a default line); control bytes and bytes of 0x80 and
// above are dropped too, and so is a "*" or "{" that would begin it (CUPS
// reads the one as an option in a constraint and refuses the other as a
// choice). May come out empty.
std::string ppdKeyword(std::string_view raw);

// A PPD translation string: keeps printable ASCII, spaces and bytes of 0x80
// and above (the PPD is ISO Latin-1), drops control bytes and the bytes that
// end or escape a translation (":", "/", "<", "\"").
std::string ppdTranslation(std::string_view raw);

// The body of a PostScript string "( ... )": "(", ")" and "\" get a
// backslash; "\"" and control bytes become three-digit octal escapes, so the
// text can neither end the string nor a PPD quoted value.
std::string psString(std::string_view raw);

// A text written bare on one line (PJL job name, DSC comment, catalog
// field): every control byte (0x00 to 0x1F and 0x7F) becomes a space.
std::string singleLine(std::string_view raw);

// A text inside a double-quoted PJL value (the job name): singleLine, and
// every double quote becomes an apostrophe, so the text cannot end the value.
std::string pjlQuoted(std::string_view raw);

// A text shown on a terminal (a report or a diff for a person), so that no
// printer text can drive the terminal or turn the text around: control
// bytes but the line feed and the tab, and bytes 0x80 to 0x9F that are not
// part of a UTF-8 character (C1 controls on an 8-bit terminal), become
// "\x9b"; the characters U+0080 to U+009F (C1 controls in UTF-8) and the
// direction controls U+202A to U+202E and U+2066 to U+2069 become
// "<U+202E>". Every other byte stays.
std::string terminalText(std::string_view raw);

// Copies `src` into the fixed field `dst` of `size` bytes, cutting it to
// size - 1 bytes and always terminating it. `size` must be at least 1.
void copyField(char* dst, size_t size, std::string_view src);

}  // namespace tvx::text
