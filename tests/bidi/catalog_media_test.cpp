// The catalog's media built from the printer's media records.
#include "bidi/CatalogMedia.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "mediacatalog/mediacatalogutil.h"
#include "tests/mediacatalog/reportedmedia.h"

namespace {

using tvx::bidi::catalogMediaFrom;

TS_BiDiMedia printerMedia(std::string_view name, unsigned long width, unsigned long length) {
  TS_BiDiMedia media{};
  name.copy(media.name, sizeof media.name - 1);
  std::strcpy(media.type, "Plain");
  std::strcpy(media.color, "white");
  media.weight = 90;
  media.displayUnit = 4;
  media.width = width;
  media.length = length;
  return media;
}

std::string nameOf(const CMedia& media) {
  char buffer[32];
  return media.GetName(buffer);
}

std::string keyOf(const CMedia& media) {
  char buffer[32];
  return media.GetPpdKey(buffer);
}

TEST(PrinterMedia, SidesAreOrderedAndTheFeedEdgeTellsTheReportedOrder) {
  std::unique_ptr<CMedia> fromPortrait = catalogMediaFrom(printerMedia("A4", 595276, 842000));
  std::unique_ptr<CMedia> fromLandscape = catalogMediaFrom(printerMedia("A4", 842000, 595276));
  std::unique_ptr<CMedia> fromSquare = catalogMediaFrom(printerMedia("Square", 500000, 500000));
  EXPECT_EQ(fromPortrait->GetWidth(), 595276u);
  EXPECT_EQ(fromPortrait->GetLength(), 842000u);
  EXPECT_EQ(fromPortrait->GetFeedEdge(), 1);
  EXPECT_EQ(fromLandscape->GetWidth(), 595276u);
  EXPECT_EQ(fromLandscape->GetLength(), 842000u);
  EXPECT_EQ(fromLandscape->GetFeedEdge(), 2);
  EXPECT_EQ(fromSquare->GetFeedEdge(), 2);
}

TEST(PrinterMedia, SizesBeyondThirtyTwoBitsAreHeldAtTheLargestStoredSize) {
  std::unique_ptr<CMedia> media = catalogMediaFrom(printerMedia("Huge", 1ul << 40, 612000));
  EXPECT_EQ(media->GetWidth(), 612000u);
  EXPECT_EQ(media->GetLength(), 0xFFFFFFFFu);
}

TEST(PrinterMedia, KeyIsTheNameWithoutSpacesAndUnitFollowsTheUnitCode) {
  TS_BiDiMedia spaced = printerMedia("A4 Heavy Paper", 595276, 842000);
  spaced.displayUnit = 3;
  std::unique_ptr<CMedia> withSpaces = catalogMediaFrom(spaced);
  std::unique_ptr<CMedia> withoutSpaces = catalogMediaFrom(printerMedia("Letter", 612000, 792000));
  EXPECT_EQ(nameOf(*withSpaces), "A4 Heavy Paper");
  EXPECT_EQ(keyOf(*withSpaces), "A4HeavyPaper");
  EXPECT_STREQ(withSpaces->unit, "inches");
  EXPECT_EQ(keyOf(*withoutSpaces), "Letter");
  EXPECT_STREQ(withoutSpaces->unit, "millimeters");
}

TEST(PrinterMedia, LongAndHostileNamesAreCutAndCleaned) {
  TS_BiDiMedia hostile = printerMedia("Bad\nName\"/(x)", 1, 2);
  std::strcpy(hostile.color, "red\r\n%%EOF");
  std::unique_ptr<CMedia> cut = catalogMediaFrom(printerMedia(std::string(32, 'N'), 1, 2));
  std::unique_ptr<CMedia> cleaned = catalogMediaFrom(hostile);
  EXPECT_EQ(nameOf(*cut), std::string(31, 'N'));
  EXPECT_EQ(keyOf(*cut), std::string(31, 'N'));
  EXPECT_EQ(nameOf(*cleaned), "Bad Name\"/(x)");
  EXPECT_EQ(keyOf(*cleaned), "BadName(x)");
  EXPECT_STREQ(cleaned->color, "red  %%EOF");
}

TEST(PrinterMedia, PunchAndFoldAreAlwaysAllowedAndOnlyAFlagOfOneIsSet) {
  TS_BiDiMedia reported = printerMedia("Stock", 1, 2);
  reported.canDuplex = 2;
  reported.canStaple = 1;
  reported.canPunch = 0;
  reported.defaultMedia = 1;
  std::unique_ptr<CMedia> media = catalogMediaFrom(reported);
  EXPECT_FALSE(media->GetCanDuplex());
  EXPECT_TRUE(media->GetCanStaple());
  EXPECT_TRUE(media->GetCanPunch());
  EXPECT_EQ(media->canFold, 1);
  EXPECT_EQ(media->defaultMedia, 1);
  EXPECT_FALSE(media->auxFlag1);
  EXPECT_TRUE(media->auxFlag2);
}

// The catalogs of the catalog's and the filter's tests hold media built by
// tvx::test::reportedMedia: byte for byte the records the update stores.
TEST(PrinterMedia, TheOtherSuitesBuildTheRecordsTheUpdateStores) {
  struct Reported {
    std::string_view name, type, color;
    int weight;
    unsigned long width, length;
  };
  for (const Reported& r : {Reported{"Plain A4 80", "Plain", "white", 80, 595276, 842000},
                            Reported{"Coat 2 (Glossy)", "Coat 2", "no color", -1, 842000, 595276},
                            Reported{"Tab\\Stock)", "Tabstock", "blue)", 142, 612000, 792000},
                            Reported{"Bad\nName\"/(x) and a name too long", "A\rB", "red\n", 0,
                                     1ul << 40, 1}}) {
    TS_BiDiMedia record{};
    tvx::text::copyField(record.name, sizeof record.name, r.name);
    tvx::text::copyField(record.type, sizeof record.type, r.type);
    tvx::text::copyField(record.color, sizeof record.color, r.color);
    record.weight = r.weight;
    record.width = r.width;
    record.length = r.length;
    tvx::catalog::MediaRecordImage fromUpdate{};
    tvx::catalog::MediaRecordImage fromTests{};
    tvx::catalog::encodeMediaRecord(*catalogMediaFrom(record), fromUpdate);
    tvx::catalog::encodeMediaRecord(
        *tvx::test::reportedMedia(r.name, r.width, r.length, r.type, r.color, r.weight), fromTests);
    EXPECT_EQ(fromUpdate, fromTests) << r.name;
  }
}

}  // namespace
