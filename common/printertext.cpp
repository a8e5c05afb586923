#include "common/printertext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tvx::text {

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool isKeywordChar(unsigned char c) {
  return c > 0x20 && c < 0x7F && c != ':' && c != '/' && c != '"';
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the UTF-8 character at the front of `text` and its code
// point; 0 when no valid character (shortest form, no surrogate) starts there.
std::size_t utf8Character(std::string_view text, char32_t& code) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4                                 ? 4
                                                                                      : 0;
  if (length == 0 || text.size() < length) return 0;
  code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if (!isContinuation(byte(i))) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  bool shortest = length == 2 || (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000);
  bool valid = code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  return shortest && valid ? length : 0;
}

bool drivesTerminal(char32_t code) {
  return (code >= 0x80 && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
         (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string terminalText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  char escape[16];
  for (std::size_t at = 0; at < raw.size();) {
    unsigned char c = static_cast<unsigned char>(raw[at]);
    char32_t code = 0;
    std::size_t length = c >= 0x80 ? utf8Character(raw.substr(at), code) : 0;
    if (length > 0) {
      if (drivesTerminal(code)) {
        std::snprintf(escape, sizeof escape, "<U+%04X>", static_cast<unsigned>(code));
        out += escape;
      } else {
        out.append(raw, at, length);
      }
      at += length;
      continue;
    }
    if ((isControl(c) && c != '\n' && c != '\t') || (c >= 0x80 && c <= 0x9F)) {
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
    ++at;
  }
  return out;
}

std::string ppdKeyword(std::string_view raw) {
  std::string out;
  for (unsigned char c : raw) {
    // CUPS reads a leading "*" in a constraint as the next option, and
    // refuses a choice that starts with "{".
    if (out.empty() && (c == '*' || c == '{')) continue;
    if (isKeywordChar(c)) out += static_cast<char>(c);
  }
  return out;
}

std::string ppdTranslation(std::string_view raw) {
  std::string out;
  for (unsigned char c : raw) {
    if (isControl(c) || c == ':' || c == '/' || c == '<' || c == '"') continue;
    out += static_cast<char>(c);
  }
  return out;
}

std::string psString(std::string_view raw) {
  std::string out;
  for (unsigned char c : raw) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '"' || isControl(c)) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string singleLine(std::string_view raw) {
  std::string out(raw);
  for (char& c : out) {
    if (isControl(static_cast<unsigned char>(c))) c = ' ';
  }
  return out;
}

std::string pjlQuoted(std::string_view raw) {
  std::string out = singleLine(raw);
  std::replace(out.begin(), out.end(), '"', '\'');
  return out;
}

void copyField(char* dst, size_t size, std::string_view src) {
  size_t n = std::min(src.size(), size - 1);
  if (n > 0) std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

}  // namespace tvx::text
