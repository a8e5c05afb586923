// The media reader against simulated printers: list order, row pairing,
// defaults for short columns, value conversions and the time stamp.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "bidi/lib/BiDiMedia.h"
#include "tests/bidi/lib/scenario_session.h"

namespace {

using tvx::test::scenarioSession;

// The media of `scenario`, head first; fails the test on a reader error.
tvx::bidi::MediaList readMedia(const std::string& scenario) {
  PTS_BiDiMedia head = nullptr;
  EXPECT_EQ(BiDi_GetMedia(scenarioSession(scenario), &head), en_BiDiSuccess);
  return tvx::bidi::MediaList(head);
}

std::vector<const TS_BiDiMedia*> records(const tvx::bidi::MediaList& list) {
  std::vector<const TS_BiDiMedia*> found;
  for (const TS_BiDiMedia* media = list.get(); media != nullptr; media = media->next) {
    found.push_back(media);
  }
  return found;
}

std::vector<std::string> names(const tvx::bidi::MediaList& list) {
  std::vector<std::string> found;
  for (const TS_BiDiMedia* media : records(list)) found.emplace_back(media->name);
  return found;
}

TEST(MediaReader, LastRowComesFirstWithEveryColumn) {
  tvx::bidi::MediaList list = readMedia("media-basic");
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"Half Point", "Tabloid Wide", "Letter", "A4 Plain"}));
  const TS_BiDiMedia& a4 = *records(list)[3];
  EXPECT_STREQ(a4.description, "A4 Plain description");
  EXPECT_STREQ(a4.type, "Coat 2");
  EXPECT_STREQ(a4.color, "no color");
  EXPECT_EQ(a4.displayUnit, 4);
  EXPECT_EQ(a4.width, 595276u);
  EXPECT_EQ(a4.length, 842000u);
  EXPECT_EQ(a4.weight, 80);
  EXPECT_EQ(a4.ordered, 1);
  EXPECT_EQ(a4.timeCreated, 1700000000u);
  EXPECT_EQ(a4.timeEdited, 1700000100u);
  EXPECT_STREQ(a4.outputFrontImage, "profile-17");
  EXPECT_STREQ(a4.grayText, "profile-26");
  const TS_BiDiMedia& letter = *records(list)[2];
  EXPECT_EQ(letter.weight, -1);
  EXPECT_EQ(letter.canDuplex, 0);
  EXPECT_EQ(letter.canStaple, 0);
  EXPECT_EQ(letter.canFlip, 1);
  EXPECT_EQ(records(list)[1]->defaultMedia, 1);
  EXPECT_EQ(records(list)[0]->canPunch, 0);
}

TEST(MediaReader, EmptyTableGivesEmptyList) {
  PTS_BiDiMedia head = nullptr;
  EXPECT_EQ(BiDi_GetMedia(scenarioSession("media-none"), &head), en_BiDiSuccess);
  EXPECT_EQ(head, nullptr);
}

// Rows pair by position: an unnamed row is skipped but still takes its
// place in every other column, and a column shorter than the name column
// gives empty texts and zeros to the last media.
TEST(MediaReader, ShortColumnsGiveDefaultsToTheLastRows) {
  tvx::bidi::MediaList list = readMedia("media-short-columns");
  ASSERT_EQ(names(list), (std::vector<std::string>{"Third", "Second", "First"}));
  const auto media = records(list);
  EXPECT_EQ(media[2]->canDuplex, 1);
  EXPECT_EQ(media[1]->canDuplex, 0);
  EXPECT_EQ(media[0]->canDuplex, 0);
  EXPECT_EQ(media[2]->defaultMedia, 1);
  EXPECT_EQ(media[1]->defaultMedia, 0);
  EXPECT_STREQ(media[2]->color, "red");
  EXPECT_STREQ(media[1]->color, "green");
  EXPECT_STREQ(media[0]->color, "");
  for (const TS_BiDiMedia* m : media) EXPECT_STREQ(m->type, "");
  EXPECT_EQ(media[1]->width, 612000u);
  EXPECT_EQ(media[0]->width, 0u);
  EXPECT_EQ(media[0]->length, 792000u);
}

TEST(MediaReader, OnlyThreeSetsAFlagAndSignedValuesStaySigned) {
  tvx::bidi::MediaList list = readMedia("media-values");
  const auto media = records(list);
  ASSERT_EQ(media.size(), 5u);
  EXPECT_STREQ(media[0]->name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(media[0]->width, 4294967295u);
  EXPECT_EQ(media[0]->weight, INT_MAX);
  const TS_BiDiMedia& heavy = *media[1];
  EXPECT_EQ(heavy.shiftSimplexFeed, -20);
  EXPECT_EQ(heavy.shiftSimplexXFeed, -1);
  EXPECT_EQ(heavy.shiftDuplexTumbleBackXFeed, INT_MIN);
  EXPECT_EQ(heavy.renderingIntentText, -3);
  EXPECT_EQ(heavy.canSaddleStitch, 1);
  for (const TS_BiDiMedia* flagged : {media[2], media[3], media[4]}) {
    for (unsigned char flag :
         {flagged->canStaple, flagged->canDuplex, flagged->canPunch, flagged->defaultMedia}) {
      EXPECT_EQ(flag, 0) << flagged->name;
    }
  }
  EXPECT_EQ(media[4]->edgeSensitive, 0);
  EXPECT_EQ(media[4]->canRingBind, 0);
}

TEST(MediaReader, FailedWalkGivesItsStatusAndNoList) {
  PTS_BiDiMedia head = nullptr;
  EXPECT_EQ(BiDi_GetMedia(scenarioSession("media-error"), &head), en_BiDiSessionTimeOut);
  EXPECT_EQ(head, nullptr);
}

TEST(MediaReader, CopiesAreTerminatedWhateverTheSource) {
  TS_BiDiMedia media;
  std::memset(&media, 'x', sizeof media);
  PTS_BiDiMedia copy = nullptr;
  ASSERT_EQ(allocateAndCopyMedia(&copy, media), en_BiDiSuccess);
  tvx::bidi::MediaList owner(copy);
  EXPECT_EQ(std::string(copy->name), std::string(32, 'x'));
  EXPECT_EQ(std::string(copy->description).size(), 1023u);
  EXPECT_EQ(std::string(copy->grayText).size(), 80u);
  EXPECT_EQ(copy->next, nullptr);
}

TEST(MediaTime, ExactlyOneStampIsRead) {
  unsigned long stamp = 0;
  EXPECT_EQ(BiDi_GetMediaTime(scenarioSession("media-values"), &stamp), en_BiDiSuccess);
  EXPECT_EQ(stamp, 1700000200u);
  EXPECT_EQ(BiDi_GetMediaTime(scenarioSession("media-values"), nullptr), en_BiDiNotEnoughMemory);
  EXPECT_EQ(BiDi_GetMediaTime(scenarioSession("media-basic"), &stamp), en_BiDiSessionTimeOut);
  EXPECT_EQ(BiDi_GetMediaTime(scenarioSession("media-none"), &stamp), en_BiDiSessionTimeOut);
}

}  // namespace
