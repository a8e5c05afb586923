#include "mediacatalog/media.h"

#include <gtest/gtest.h>

namespace {

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
