// A small JSON writer: objects, arrays, strings, numbers and booleans,
// indented two blanks a level. Strings are escaped for any bytes the
// printer sends: quotes, backslashes and control bytes become escapes, and
// bytes that are not valid UTF-8 become U+FFFD, so the output always parses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvx::query {

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // The key of the next value in the current object.
  void key(std::string_view name);
  void value(std::string_view text);
  void value(const char* text) { value(std::string_view(text)); }
  void value(long long number);
  void value(bool flag);
  void rawNumber(std::string_view number);
  // key(name) then value(v).
  template <typename T>
  void member(std::string_view name, const T& v) {
    key(name);
    value(v);
  }

  // The document so far, with a final newline once the outer value closed.
  const std::string& text() const { return out_; }

  static std::string quote(std::string_view text);

 private:
  void beforeValue();
  void newline();
  void close(char bracket);

  std::string out_;
  // One entry per open object or array: whether it holds a value yet.
  std::vector<bool> filled_;
  bool afterKey_ = false;
};

}  // namespace tvx::query
