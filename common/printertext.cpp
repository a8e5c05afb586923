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

}  // namespace

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
