#include "mediacatalog/media.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/mediacatalog/catalogtest.h"

namespace {

using tvx::test::printerMedia;

std::string nameOf(const CMedia& media) {
  char buffer[32];
  return media.GetName(buffer);
}

std::string keyOf(const CMedia& media) {
  char buffer[32];
  return media.GetPpdKey(buffer);
}

TEST(PrinterMedia, SidesAreOrderedAndTheFeedEdgeTellsTheReportedOrder) {
  TS_BiDiMedia portrait = printerMedia("A4", 595276, 842000);
  TS_BiDiMedia landscape = printerMedia("A4", 842000, 595276);
  TS_BiDiMedia square = printerMedia("Square", 500000, 500000);
  CMedia fromPortrait(&portrait), fromLandscape(&landscape), fromSquare(&square);
  EXPECT_EQ(fromPortrait.GetWidth(), 595276u);
  EXPECT_EQ(fromPortrait.GetLength(), 842000u);
  EXPECT_EQ(fromPortrait.GetFeedEdge(), 1);
  EXPECT_EQ(fromLandscape.GetWidth(), 595276u);
  EXPECT_EQ(fromLandscape.GetLength(), 842000u);
  EXPECT_EQ(fromLandscape.GetFeedEdge(), 2);
  EXPECT_EQ(fromSquare.GetFeedEdge(), 2);
}

TEST(PrinterMedia, SizesBeyondThirtyTwoBitsAreHeldAtTheLargestStoredSize) {
  TS_BiDiMedia huge = printerMedia("Huge", 1ul << 40, 612000);
  CMedia media(&huge);
  EXPECT_EQ(media.GetWidth(), 612000u);
  EXPECT_EQ(media.GetLength(), 0xFFFFFFFFu);
}

TEST(PrinterMedia, KeyIsTheNameWithoutSpacesAndUnitFollowsTheUnitCode) {
  TS_BiDiMedia spaced = printerMedia("A4 Heavy Paper", 595276, 842000);
  spaced.displayUnit = 3;
  TS_BiDiMedia plain = printerMedia("Letter", 612000, 792000);
  CMedia withSpaces(&spaced), withoutSpaces(&plain);
  EXPECT_EQ(nameOf(withSpaces), "A4 Heavy Paper");
  EXPECT_EQ(keyOf(withSpaces), "A4HeavyPaper");
  EXPECT_STREQ(withSpaces.unit, "inches");
  EXPECT_EQ(keyOf(withoutSpaces), "Letter");
  EXPECT_STREQ(withoutSpaces.unit, "millimeters");
}

TEST(PrinterMedia, LongAndHostileNamesAreCutAndCleaned) {
  TS_BiDiMedia longName = printerMedia(std::string(32, 'N'), 1, 2);
  TS_BiDiMedia hostile = printerMedia("Bad\nName\"/(x)", 1, 2);
  std::strcpy(hostile.color, "red\r\n%%EOF");
  CMedia cut(&longName), cleaned(&hostile);
  EXPECT_EQ(nameOf(cut), std::string(31, 'N'));
  EXPECT_EQ(keyOf(cut), std::string(31, 'N'));
  EXPECT_EQ(nameOf(cleaned), "Bad Name\"/(x)");
  EXPECT_EQ(keyOf(cleaned), "BadName(x)");
  EXPECT_STREQ(cleaned.color, "red  %%EOF");
}

TEST(PrinterMedia, PunchAndFoldAreAlwaysAllowedAndOnlyAFlagOfOneIsSet) {
  TS_BiDiMedia reported = printerMedia("Stock", 1, 2);
  reported.canDuplex = 2;
  reported.canStaple = 1;
  reported.canPunch = 0;
  reported.defaultMedia = 1;
  CMedia media(&reported);
  EXPECT_FALSE(media.GetCanDuplex());
  EXPECT_TRUE(media.GetCanStaple());
  EXPECT_TRUE(media.GetCanPunch());
  EXPECT_EQ(media.canFold, 1);
  EXPECT_EQ(media.defaultMedia, 1);
  EXPECT_FALSE(media.auxFlag1);
  EXPECT_TRUE(media.auxFlag2);
}

TEST(DefaultMedia, DescribesLetter) {
  CMedia media;
  EXPECT_EQ(media.GetWidth(), 612000u);
  EXPECT_EQ(media.GetLength(), 792000u);
  EXPECT_EQ(media.GetFeedEdge(), 1);
  EXPECT_EQ(media.weight, -1);
  EXPECT_STREQ(media.type, "Plain");
  EXPECT_STREQ(media.color, "WHITE");
  EXPECT_TRUE(media.GetCanDuplex() && media.GetCanStaple() && media.GetCanPunch());
  EXPECT_EQ(media.GetCount(), 1);
}

TEST(MediaChain, CountIsTheWholeChainFromAnyRecord) {
  CMedia first, middle, last;
  first.next = &middle;
  middle.prev = &first;
  middle.next = &last;
  last.prev = &middle;
  EXPECT_EQ(first.GetCount(), 3);
  EXPECT_EQ(middle.GetCount(), 3);
  EXPECT_EQ(last.GetCount(), 3);
}

}  // namespace
