// The JSON writer on the texts a printer may send: whatever the bytes, the
// output is one valid JSON string that says the same.
#include "bidi/query/JsonWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace tvx::query {
namespace {

TEST(JsonWriterTest, QuotesEscapeWhatJsonForbids) {
  EXPECT_EQ(JsonWriter::quote("plain A4"), "\"plain A4\"");
  EXPECT_EQ(JsonWriter::quote("a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
  EXPECT_EQ(JsonWriter::quote("tab\there\nline\rret"), "\"tab\\there\\nline\\rret\"");
  EXPECT_EQ(JsonWriter::quote(std::string("nul\0esc\x1b" "del\x7f", 12)), "\"nul\\u0000esc\\u001bdel\\u007f\"");
}

TEST(JsonWriterTest, ValidUtf8PassesAndInvalidBytesBecomeReplacements) {
  EXPECT_EQ(JsonWriter::quote("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x96\xa8"),
            "\"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x96\xa8\"");
  EXPECT_EQ(JsonWriter::quote("Latin1 \xe9t\xe9"), "\"Latin1 \\ufffdt\\ufffd\"");
  // Overlong, surrogate, beyond U+10FFFF, cut short at the end.
  EXPECT_EQ(JsonWriter::quote("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
  EXPECT_EQ(JsonWriter::quote("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(JsonWriter::quote("\xf4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(JsonWriter::quote("ok\xe2\x82"), "\"ok\\ufffd\\ufffd\"");
}

TEST(JsonWriterTest, NestedValuesAreSeparatedAndIndented) {
  JsonWriter json;
  json.beginObject();
  json.key("name");
  json.value("x");
  json.key("list");
  json.beginArray();
  json.value(1LL);
  json.value(true);
  json.beginObject();
  json.endObject();
  json.endArray();
  json.key("empty");
  json.beginArray();
  json.endArray();
  json.key("mm");
  json.rawNumber("215.9");
  json.endObject();
  EXPECT_EQ(json.text(),
            "{\n"
            "  \"name\": \"x\",\n"
            "  \"list\": [\n"
            "    1,\n"
            "    true,\n"
            "    {}\n"
            "  ],\n"
            "  \"empty\": [],\n"
            "  \"mm\": 215.9\n"
            "}\n");
}

}  // namespace
}  // namespace tvx::query
