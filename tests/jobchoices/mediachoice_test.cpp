// The catalog media an IPP job prints on, on a catalog of the media the
// demo's printer (tests/printers/full) reports, and the IPP names of them.
#include "jobchoices/mediachoice.h"

#include <gtest/gtest.h>

#include <string>

#include "mediacatalog/mediacatalog.h"
#include "tests/mediacatalog/reportedmedia.h"
#include "tests/support/testroot.h"

namespace {

using tvx::jobchoices::MediaChoice;
using tvx::jobchoices::MediaRequest;
using tvx::jobchoices::MediaSize;

class MediaChoiceTest : public tvx::test::TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    catalog_.emplace("Q");
    catalog_->DeleteAllMedias();
    add("Plain A4 80", 595000, 842000, "Plain");
    add("Plain Letter 75", 612000, 792000, "Plain");
    add("Coated Gloss SRA3 170", 907000, 1276000, "Coat 2");
    add("Heavy Tabloid 250", 792000, 1224000, "Heavy 2");
    add("Recycled A4 80", 595000, 842000, "Recycled");
    add("Tab Stock Letter", 648000, 792000, "Tabstock");
    add("Envelope C5", 459000, 649000, "Envelope");
    add("Yellow A4 Short Edge", 842000, 595000, "Colored");
  }

  void add(const char* name, unsigned long width, unsigned long length, const char* type) {
    catalog_->AddMedia(tvx::test::reportedMedia(name, width, length, type).release());
  }

  MediaChoice choose(const MediaRequest& request, std::string_view defaultKey = "PlainA480") {
    return tvx::jobchoices::chooseMedia(*catalog_, trays_, defaultKey, "XE7100", request);
  }

  const CMedia& media(const char* key) { return *catalog_->GetMediaByPPDKey(key); }

  std::optional<CMediaCatalog> catalog_;
  tvx::jobchoices::TrayMedia trays_{
      {1, "PlainA480"}, {2, "RecycledA480"}, {5, "HeavyTabloid250"}, {7, "EnvelopeC5"}};
};

MediaRequest named(std::string name) {
  MediaRequest request;
  request.name = std::move(name);
  return request;
}

MediaRequest collection(std::string source, std::optional<MediaSize> size, std::string type = {}) {
  MediaRequest request;
  request.source = std::move(source);
  request.size = size;
  request.type = std::move(type);
  return request;
}

MediaRequest sized(int x, int y, std::string type = {}) {
  return collection({}, MediaSize{x, y}, std::move(type));
}

TEST_F(MediaChoiceTest, ASizeAlonePrintsOnTheDefaultMediaWhenItHasTheSizeElseOnTheFirstOfIt) {
  EXPECT_EQ(choose(sized(21000, 29700), "RecycledA480").ppdKey, "RecycledA480");
  EXPECT_EQ(choose(sized(21000, 29700), "PlainLetter75").ppdKey, "PlainA480");
  EXPECT_EQ(choose(sized(29700, 21000), "PlainLetter75").ppdKey, "PlainA480");
  EXPECT_EQ(choose(named("iso_a4_210x297mm"), "RecycledA480").ppdKey, "RecycledA480");
  EXPECT_EQ(choose(named("A4"), "RecycledA480").ppdKey, "RecycledA480");
  EXPECT_EQ(choose(named("na_letter_8.5x11in")).ppdKey, "PlainLetter75");
  EXPECT_EQ(choose(named("na_9x11_9x11in")).ppdKey, "TabStockLetter");
  EXPECT_EQ(choose(named("w648h792")).ppdKey, "TabStockLetter");
  EXPECT_EQ(choose(named("iso_sra3_320x450mm")).tray, 0);
}

TEST_F(MediaChoiceTest, ASizeAndATypeNameTheFirstMediaOfBoth) {
  EXPECT_EQ(choose(sized(21000, 29700, "stationery-recycled")).ppdKey, "RecycledA480");
  EXPECT_EQ(choose(sized(21000, 29700, "stationery"), "RecycledA480").ppdKey, "PlainA480");
  EXPECT_EQ(choose(sized(21000, 29700, "stationery-colored")).ppdKey, "YellowA4ShortEdge");
  EXPECT_EQ(choose(sized(21000, 29700, "envelope")).refusal,
            "media-col media-size 210x297mm media-type envelope is not supported");
}

TEST_F(MediaChoiceTest, ASourceGivesWhatThatTrayHolds) {
  EXPECT_EQ(choose(collection("tray-2", {})).ppdKey, "RecycledA480");
  EXPECT_EQ(choose(collection("tray-2", {})).tray, 2);
  MediaChoice lct = choose(collection("large-capacity", MediaSize{27940, 43180}));
  EXPECT_EQ(lct.ppdKey, "HeavyTabloid250");
  EXPECT_EQ(lct.tray, 5);
  EXPECT_EQ(choose(collection("by-pass-tray", {}, "envelope")).tray, 7);
  EXPECT_EQ(choose(collection("auto", MediaSize{21590, 27940})).ppdKey, "PlainLetter75");
  EXPECT_EQ(choose(collection("tray-5", {})).refusal,
            "media-col media-source tray-5 is not supported");
  EXPECT_EQ(choose(collection("tray-2", MediaSize{21590, 27940})).refusal,
            "media-col media-source tray-2 media-size 215.9x279.4mm is not supported: the tray "
            "holds other media");
  EXPECT_EQ(choose(collection("tray-3", {})).ppdKey, "");
}

TEST_F(MediaChoiceTest, AMediaOfItsOwnIsNamedByItsKeyWhateverSizeTheNameCarries) {
  EXPECT_EQ(tvx::jobchoices::ownMediaName(media("PlainA480")), "om_plain-a-480_209.9x297.04mm");
  EXPECT_EQ(tvx::jobchoices::ownMediaName(media("YellowA4ShortEdge")),
            "om_yellow-a-4-short-edge_209.9x297.04mm");
  // The names CUPS gives the PPD's media, a tenth of a point apart.
  EXPECT_EQ(choose(named("om_plain-a-480_209.94x297.07mm"), "RecycledA480").ppdKey, "PlainA480");
  EXPECT_EQ(choose(named("om_coated-gloss-sra-3170_320x450mm")).ppdKey, "CoatedGlossSRA3170");
  EXPECT_EQ(choose(named(tvx::jobchoices::ownMediaName(media("TabStockLetter")))).ppdKey,
            "TabStockLetter");
  EXPECT_EQ(choose(named("HeavyTabloid250")).ppdKey, "HeavyTabloid250");
  EXPECT_EQ(choose(named("om_blue-a-4_210x297mm")).refusal,
            "media om_blue-a-4_210x297mm is not supported");
}

TEST_F(MediaChoiceTest, WhatNoMediaHasIsRefusedAndNothingAskedIsTheDefault) {
  EXPECT_EQ(choose(named("iso_a3_297x420mm")).refusal, "media iso_a3_297x420mm is not supported");
  EXPECT_EQ(choose(named("iso_a3_297x420mm")).ppdKey, "");
  EXPECT_EQ(choose(named("iso_a4")).refusal, "media iso_a4 is not supported");
  EXPECT_EQ(choose(sized(29700, 42000)).refusal, "media-col media-size 297x420mm is not supported");
  EXPECT_EQ(choose({}, "RecycledA480").ppdKey, "RecycledA480");
  EXPECT_EQ(choose({}, "TavorinexLetter").ppdKey, "PlainA480");
  EXPECT_EQ(choose(collection({}, {}, "stationery-heavyweight")).ppdKey, "HeavyTabloid250");
}

TEST_F(MediaChoiceTest, EachMediaHasItsPwgSizeNameAndMediaType) {
  auto pwg = [&](const char* key) {
    return tvx::jobchoices::pwgSizeName(tvx::jobchoices::mediaSizeOf(media(key)));
  };
  EXPECT_EQ(pwg("PlainA480"), "iso_a4_210x297mm");
  EXPECT_EQ(pwg("YellowA4ShortEdge"), "iso_a4_210x297mm");
  EXPECT_EQ(pwg("PlainLetter75"), "na_letter_8.5x11in");
  EXPECT_EQ(pwg("CoatedGlossSRA3170"), "iso_sra3_320x450mm");
  EXPECT_EQ(pwg("HeavyTabloid250"), "na_ledger_11x17in");
  EXPECT_EQ(pwg("TabStockLetter"), "na_9x11_9x11in");
  EXPECT_EQ(pwg("EnvelopeC5"), "iso_c5_162x229mm");
  EXPECT_EQ(tvx::jobchoices::pwgSizeName({24694, 17639}), "custom_176.39x246.94mm");
  EXPECT_EQ(tvx::jobchoices::pwgSizeName({20000, 30000}), "custom_200x300mm");
  using tvx::jobchoices::ippMediaType;
  EXPECT_EQ(ippMediaType("Plain"), "stationery");
  EXPECT_EQ(ippMediaType("Coat 2"), "stationery-coated");
  EXPECT_EQ(ippMediaType("Heavy 2"), "stationery-heavyweight");
  EXPECT_EQ(ippMediaType("Recycled"), "stationery-recycled");
  EXPECT_EQ(ippMediaType("Tabstock"), "tab-stock");
  EXPECT_EQ(ippMediaType("Envelope"), "envelope");
  EXPECT_EQ(ippMediaType("Colored"), "stationery-colored");
  EXPECT_EQ(ippMediaType("Letterhead"), "stationery-letterhead");
  EXPECT_EQ(ippMediaType("Transparency"), "transparency");
  EXPECT_EQ(ippMediaType("Labels"), "labels");
  EXPECT_EQ(ippMediaType("Special 1"), "other");
}

TEST(PwgNames, SizesAreReadFromTheNamesEnd) {
  auto size = [](std::string_view name) {
    std::optional<MediaSize> read = tvx::jobchoices::sizeOfPwgName(name);
    return read ? std::to_string(read->x) + "x" + std::to_string(read->y) : "none";
  };
  EXPECT_EQ(size("na_number-10_4.125x9.5in"), "10478x24130");
  EXPECT_EQ(size("iso_a4_297x210mm"), "21000x29700");
  EXPECT_EQ(size("custom_176.39x246.94mm"), "17639x24694");
  EXPECT_EQ(size("iso_a4_210x297"), "none");
  EXPECT_EQ(size("custom_x297mm"), "none");
  EXPECT_EQ(size("custom_0x297mm"), "none");
  EXPECT_EQ(size("custom_1.23456x2mm"), "none");
  EXPECT_EQ(size("custom_999999x2mm"), "none");
}

}  // namespace
