#include "bidi/query/JsonWriter.h"

#include <cstdio>

namespace tvx::query {

namespace {

// Length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8Length(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned int low = 0x80, high = 0xBF;  // range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonWriter::quote(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.front());
    std::size_t length = utf8Length(text);
    if (length == 0) {
      out += "\\ufffd";
      length = 1;
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

void JsonWriter::newline() {
  out_ += '\n';
  out_.append(2 * filled_.size(), ' ');
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (filled_.empty()) return;
  if (filled_.back()) out_ += ',';
  filled_.back() = true;
  newline();
}

void JsonWriter::beginObject() {
  beforeValue();
  out_ += '{';
  filled_.push_back(false);
}

void JsonWriter::beginArray() {
  beforeValue();
  out_ += '[';
  filled_.push_back(false);
}

void JsonWriter::close(char bracket) {
  bool filled = filled_.back();
  filled_.pop_back();
  if (filled) newline();
  out_ += bracket;
  if (filled_.empty()) out_ += '\n';
}

void JsonWriter::endObject() { close('}'); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(std::string_view name) {
  beforeValue();
  out_ += quote(name);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::value(std::string_view text) {
  beforeValue();
  out_ += quote(text);
}

void JsonWriter::value(long long number) {
  beforeValue();
  out_ += std::to_string(number);
}

void JsonWriter::value(bool flag) {
  beforeValue();
  out_ += flag ? "true" : "false";
}

void JsonWriter::rawNumber(std::string_view number) {
  beforeValue();
  out_.append(number);
}

}  // namespace tvx::query
