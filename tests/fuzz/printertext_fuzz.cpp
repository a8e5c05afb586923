// Fuzzes the conversions of untrusted printer text: each result must have
// the form its header promises, whatever the printer sent.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/printertext.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::check;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// No byte that ends a keyword, breaks its line or is not ASCII, and no
// "*" or "{" in front.
bool onlyKeywordChars(std::string_view text) {
  if (text.starts_with('*') || text.starts_with('{')) return false;
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7F || std::strchr(":/\"", c) != nullptr) return false;
  }
  return true;
}

bool isTranslationSafe(std::string_view text) {
  for (unsigned char c : text) {
    if (isControl(c) || std::strchr(":/<\"", c) != nullptr) return false;
  }
  return true;
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// Reads a PostScript string body back; false when it holds an unescaped
// parenthesis, a bare double quote or control byte, or a broken escape.
bool decodePsString(std::string_view body, std::string& decoded) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    const unsigned char c = body[i];
    if (c == '(' || c == ')' || c == '"' || isControl(c)) return false;
    if (c != '\\') {
      decoded += static_cast<char>(c);
    } else if (i + 1 < body.size() && std::strchr("()\\", body[i + 1]) != nullptr) {
      decoded += body[++i];
    } else if (i + 3 < body.size() && isOctal(body[i + 1]) && isOctal(body[i + 2]) && isOctal(body[i + 3])) {
      decoded += static_cast<char>((body[i + 1] - '0') * 64 + (body[i + 2] - '0') * 8 + (body[i + 3] - '0'));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

// copyField into heap buffers of exactly `size` bytes, so that a write past
// the field is caught; the field holds the longest prefix that fits.
void checkCopyField(std::string_view raw) {
  for (std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{32}, raw.size(), raw.size() + 1}) {
    if (size == 0) continue;
    const auto field = std::make_unique<char[]>(size);
    tvx::text::copyField(field.get(), size, raw);
    const std::size_t kept = std::min(raw.size(), size - 1);
    check(field[kept] == '\0', "copyField did not terminate the field");
    check(std::string_view(field.get(), kept) == raw.substr(0, kept), "copyField changed the text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw = tvx::fuzz::asText(data, size);
  check(onlyKeywordChars(tvx::text::ppdKeyword(raw)), "ppdKeyword let a foreign byte through");
  check(isTranslationSafe(tvx::text::ppdTranslation(raw)), "ppdTranslation let a foreign byte through");
  std::string decoded;
  check(decodePsString(tvx::text::psString(raw), decoded), "psString can end the string or the line");
  check(decoded == raw, "psString does not read back as the text");
  const std::string line = tvx::text::singleLine(raw);
  check(line.size() == raw.size(), "singleLine changed the length");
  for (unsigned char c : line) check(!isControl(c), "singleLine kept a control byte");
  checkCopyField(raw);
  return 0;
}
