#include "common/printertext.h"

#include <gtest/gtest.h>

#include <string>

using namespace tvx::text;

TEST(PrinterText, OrdinaryNamesPassUnchanged) {
  EXPECT_EQ(ppdKeyword("Plain_Paper-80.g+"), "Plain_Paper-80.g+");
  EXPECT_EQ(ppdTranslation("Plain Paper 80g-A.4_x"), "Plain Paper 80g-A.4_x");
  EXPECT_EQ(psString("Plain Paper 80g"), "Plain Paper 80g");
  EXPECT_EQ(singleLine("Report Q3"), "Report Q3");
}

// Spaces, separators, quotes, control bytes and non-ASCII bytes go; every
// other printable byte stays, so "Bond 20#" and "Bond 20" stay apart.
TEST(PrinterText, KeywordDropsEverythingThatCouldEndIt) {
  EXPECT_EQ(ppdKeyword("A4 Glossy/Heavy:\"x\"\n*cupsFilter2"), "A4GlossyHeavyx*cupsFilter2");
  EXPECT_EQ(ppdKeyword(" *{*End{*"), "End{*");
  EXPECT_EQ(ppdKeyword("\x01\xff\x80\t\x7f :/\""), "");
  EXPECT_EQ(ppdKeyword("Letter (Recycled)"), "Letter(Recycled)");
  EXPECT_EQ(ppdKeyword("Bond 20#"), "Bond20#");
  EXPECT_EQ(ppdKeyword("Papier \xe9pais"), "Papierpais");
  EXPECT_EQ(ppdKeyword("!#$%&'()*+,-.;<=>?@[\\]^_`{|}~"), "!#$%&'()*+,-.;<=>?@[\\]^_`{|}~");
}

TEST(PrinterText, TranslationCannotEndTheTranslationOrTheLine) {
  EXPECT_EQ(ppdTranslation("Glossy/Heavy: <b>\"q\"\r\n*cupsFilter2: x"), "GlossyHeavy b>q*cupsFilter2 x");
  EXPECT_EQ(ppdTranslation("caf\xc3\xa9\x7f"), "caf\xc3\xa9");
  EXPECT_EQ(ppdTranslation("Papier \xe9pais\x01"), "Papier \xe9pais");
}

TEST(PrinterText, PostScriptStringEscapesDelimitersQuotesAndControls) {
  EXPECT_EQ(psString("a(b)c\\d"), "a\\(b\\)c\\\\d");
  EXPECT_EQ(psString("\"\n\x7f"), "\\042\\012\\177");
  EXPECT_EQ(psString(std::string("x\0y", 3)), "x\\000y");
}

TEST(PrinterText, SingleLineTurnsControlsIntoSpaces) {
  EXPECT_EQ(singleLine("a\r\n\x1b%-12345X@PJL\x7f"), "a   %-12345X@PJL ");
  EXPECT_EQ(singleLine("keeps \"quotes\""), "keeps \"quotes\"");
}

// Only what can drive a terminal is escaped: a C1 byte alone or inside a
// broken, overlong or cut UTF-8 sequence, a C1 character, a direction
// control; UTF-8 text whose bytes include 0x80 to 0x9F, Latin-1 bytes from
// 0xA0 on, line feeds and tabs stay.
TEST(PrinterText, TerminalTextEscapesWhatCanDriveATerminal) {
  EXPECT_EQ(terminalText("a\x9b" "1m\x1b[2J\r\x7f\n\tb"), "a\\x9b1m\\x1b[2J\\x0d\\x7f\n\tb");
  EXPECT_EQ(terminalText("\xc2\x9b\xc2\x80\xc2\x9f\xc2\xa0"), "<U+009B><U+0080><U+009F>\xc2\xa0");
  EXPECT_EQ(terminalText("\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\xa9\xe2\x81\xaa"),
            "<U+202A><U+202E><U+2066><U+2069>\xe2\x80\xa9\xe2\x81\xaa");
  EXPECT_EQ(terminalText("\xc3\x89t\xc3\xa9 \xe2\x80\x99 \xf0\x9f\x96\xa8"), "\xc3\x89t\xc3\xa9 \xe2\x80\x99 \xf0\x9f\x96\xa8");
  EXPECT_EQ(terminalText("\xe2\x80"), "\xe2\\x80");                    // cut short
  EXPECT_EQ(terminalText("\xc1\x9b\xe0\x82\x9b"), "\xc1\\x9b\xe0\\x82\\x9b");  // overlong
  EXPECT_EQ(terminalText("\xe9t\xe9"), "\xe9t\xe9");
  EXPECT_EQ(terminalText(std::string_view("a\0b", 3)), "a\\x00b");
}

TEST(PrinterText, CopyFieldCutsAndAlwaysTerminates) {
  char field[4] = {'x', 'x', 'x', 'x'};
  copyField(field, sizeof field, "abcdef");
  EXPECT_STREQ(field, "abc");
  copyField(field, sizeof field, "");
  EXPECT_STREQ(field, "");
  char one[1] = {'x'};
  copyField(one, sizeof one, "abc");
  EXPECT_EQ(one[0], '\0');
}
