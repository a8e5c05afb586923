#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mediacatalog/mediacatalog.h"
#include "tests/mediacatalog/catalogtest.h"

namespace {

using tvx::test::entryLine;
using tvx::test::exitLine;
using tvx::test::pointerText;
using tvx::test::printerMedia;
using tvx::test::reportedMedia;
using tvx::test::traceLines;
using tvx::test::writeFile;

class MediaTexts : public tvx::test::CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    writeFile(catalogFile("queue"), "");
    catalog_ = std::make_unique<CMediaCatalog>("queue");
  }

  // A media from the printer, added to the catalog.
  CMedia* add(std::unique_ptr<CMedia> media) {
    CMedia* added = media.get();
    catalog_->AddMedia(media.release());
    return added;
  }

  CMedia* withTray(const char* name, unsigned long w, unsigned long l, const char* tray) {
    CMedia* media = add(printerMedia(name, w, l));
    std::strcpy(media->szTray, tray);
    return media;
  }

  // Both calls of the protocol; the size query must match the text.
  std::string comment(const CMedia* media) {
    std::vector<char> text(catalog_->GetPSComment(media, nullptr));
    EXPECT_EQ(catalog_->GetPSComment(media, text.data()), 0);
    EXPECT_EQ(std::strlen(text.data()) + 1, text.size());
    return text.data();
  }

  std::string command(const CMedia* media) {
    std::vector<char> text(catalog_->GetPSCommand(media, nullptr));
    EXPECT_EQ(catalog_->GetPSCommand(media, text.data()), 0);
    EXPECT_EQ(std::strlen(text.data()) + 1, text.size());
    return text.data();
  }

  // The dictionary line of a command.
  std::string dictionary(const CMedia* media) {
    std::string text = command(media);
    size_t start = text.find("<<");
    return text.substr(start, text.find('\n', start) - start);
  }

  std::unique_ptr<CMediaCatalog> catalog_;
};

TEST_F(MediaTexts, PredefinedLetterGivesTheDocumentedTexts) {
  CMedia* letter = catalog_->CreateDefaultFile();
  EXPECT_EQ(comment(letter), "%%PSPageMedia: Tavorinex Letter 612 792 89 white plain\n");
  EXPECT_EQ(command(letter),
            "[{\n"
            "%%BeginFeature: *PageSize TavorinexLetter\n"
            "<< /PageSize [612 792] /ImagingBBox null /MediaWeight 89 /MediaColor (white) "
            "/MediaType (plain) >> setpagedevice\n"
            "%%EndFeature\n"
            "} stopped cleartomark\n");
  CMedia* a4 = letter->GetNext();
  EXPECT_EQ(comment(a4), "%%PSPageMedia: Tavorinex A4 595 842 89 white plain\n");
}

TEST_F(MediaTexts, NoWeightNoColourAndAMappedType) {
  CMedia* media = add(reportedMedia("Coated", 595276, 842000, "Coat 2", "no color", -1));
  EXPECT_EQ(comment(media), "%%PSPageMedia: Coated 595 842 0 coated2\n");
  EXPECT_EQ(dictionary(media),
            "<< /PageSize [595 842] /MediaType (coated2) /LeadingEdge 3 >> setpagedevice");
}

TEST_F(MediaTexts, TypeAndColourRulesAndLeadingEdge) {
  CMedia* tabMedia = add(reportedMedia("Tabs", 842000, 595276, "Tabstock", "null", 90));
  EXPECT_EQ(comment(tabMedia), "%%PSPageMedia: Tabs 595 842 90 tab\n");
  EXPECT_EQ(dictionary(tabMedia),
            "<< /PageSize [595 842] /ImagingBBox null /MediaWeight 90 "
            "/MediaType (tab) /LeadingEdge 0 >> setpagedevice");

  CMedia* glossyMedia = add(reportedMedia("Glossy", 1500, 2499, "Glossy", "pale blue", 90));
  glossyMedia->feedEdge = 0;
  EXPECT_EQ(comment(glossyMedia), "%%PSPageMedia: Glossy 2 2 90 pale blue Glossy\n");
  EXPECT_EQ(dictionary(glossyMedia),
            "<< /PageSize [2 2] /ImagingBBox null /MediaWeight 90 "
            "/MediaColor (pale blue) /MediaType (Glossy) >> setpagedevice");

  CMedia* untyped = add(printerMedia("Untyped", 1, 2));
  std::strcpy(untyped->type, "null");
  EXPECT_EQ(comment(untyped), "%%PSPageMedia: Untyped 0 0 90 white\n");
  EXPECT_EQ(dictionary(untyped).find("/MediaType"), std::string::npos);
}

TEST_F(MediaTexts, SizesNearThirtyTwoBitsRoundWithoutOverflow) {
  CMedia* media = add(printerMedia("Big", 4294967295ul, 4294966500ul));
  EXPECT_EQ(dictionary(media).substr(0, 33), "<< /PageSize [4294967 4294967] /I");
  media->length = 4294967000ul + 500;
  EXPECT_NE(comment(media).find(" 4294967 4294968 "), std::string::npos);
}

TEST_F(MediaTexts, HostileCatalogTextsCannotBreakTheLinesOrTheStrings) {
  CMedia* media = add(printerMedia("Odd", 612000, 792000));
  std::strcpy(media->name, "A\nB");
  std::strcpy(media->ppdKey, "K\nshowpage");
  std::strcpy(media->color, "red) /Bad (x\\");
  EXPECT_EQ(comment(media), "%%PSPageMedia: A B 612 792 90 red) /Bad (x\\ plain\n");
  std::string text = command(media);
  EXPECT_NE(text.find("*PageSize K showpage\n<<"), std::string::npos);
  EXPECT_NE(text.find("/MediaColor (red\\) /Bad \\(x\\\\) /MediaType"), std::string::npos);
}

TEST_F(MediaTexts, LongColourAndTypeAreCutInsideTheirParentheses) {
  CMedia* media = add(printerMedia("Long", 1, 2));
  std::memset(media->color, 'c', 107);
  std::memset(media->type, 't', 96);
  std::strcat(media->type, "))");
  std::string dict = dictionary(media);
  EXPECT_NE(dict.find("/MediaColor (" + std::string(97, 'c') + ") "), std::string::npos);
  EXPECT_NE(dict.find("/MediaType (" + std::string(96, 't') + ") "), std::string::npos);
}

TEST_F(MediaTexts, NullMediaIsRefusedAndNullStaysBare) {
  EXPECT_EQ(catalog_->GetPSComment(nullptr, nullptr), -1);
  EXPECT_EQ(catalog_->GetPSCommand(nullptr, nullptr), -1);
  char text[100];
  catalog_->GetStringWithPharantesis("null", text);
  EXPECT_STREQ(text, "null");
  catalog_->GetWeightStr(112, text);
  EXPECT_STREQ(text, "(MediumThick)");
  catalog_->GetWeightStr(-1, text);
  EXPECT_STREQ(text, "(Custom)");
}

TEST_F(MediaTexts, LookupsAreExactAndTakeTheFirstMatch) {
  CMedia* first = add(printerMedia("Plain Paper", 1, 2));
  CMedia* second = add(printerMedia("PlainPaper", 1, 2));
  first->dmSize = 9;
  second->dmSize = 70009;
  EXPECT_EQ(catalog_->GetMediaByPPDKey("PlainPaper"), first);
  EXPECT_EQ(catalog_->GetMediaByPPDKey("plainpaper"), nullptr);
  EXPECT_EQ(catalog_->GetMedia("PlainPaper"), second);
  EXPECT_EQ(catalog_->GetMedia(static_cast<unsigned short>(9)), first);
  EXPECT_EQ(catalog_->GetMedia(static_cast<unsigned short>(70009 - 65536)), nullptr);
  EXPECT_EQ(catalog_->GetMedia("Nothing"), nullptr);
}

TEST_F(MediaTexts, SizeLookupPrefersTheTrayThenNoTrayThenAnotherTray) {
  CMedia* other = withTray("Other", 595276, 842000, "Tray 2");
  CMedia* none = withTray("None", 595000, 842400, "");
  CMedia* exact = withTray("Exact", 595400, 841600, "Tray 5");
  EXPECT_EQ(catalog_->GetMedia(595276ul, 842000ul, "Tray 5"), exact);
  EXPECT_EQ(catalog_->GetMedia(595276ul, 842000ul, "Tray 9"), none);
  std::strcpy(none->szTray, "Tray 7");
  EXPECT_EQ(catalog_->GetMedia(595276ul, 842000ul, "Tray 9"), other);
  EXPECT_EQ(catalog_->GetMedia(612000ul, 792000ul, "Tray 5"), nullptr);
}

// Lookups trace their argument beside the record found (or NULL), the
// texts their sizes, and the page set-up the strings it quotes.
TEST_F(MediaTexts, LookupsAndTextsTraceTheirArgumentsAndResults) {
  CMedia* letter = catalog_->CreateDefaultFile();
  const CMedia* a4 = letter->GetNext();
  startLog("LEVEL=FULL\n");
  catalog_->GetMediaByPPDKey("TavorinexLetter");
  catalog_->GetMediaByPPDKey(nullptr);
  catalog_->GetMedia("Tavorinex A4");
  catalog_->GetMedia(static_cast<unsigned short>(7));
  catalog_->GetMedia(612000ul, 792000ul, nullptr);
  const int commentSize = catalog_->GetPSComment(letter, nullptr);
  catalog_->GetPSCommand(nullptr, nullptr);
  const int commandSize = catalog_->GetPSCommand(letter, nullptr);
  char text[100];
  catalog_->GetWeightStr(142, text);
  catalog_->GetStringWithPharantesis(nullptr, text);

  const std::string found = "returns " + pointerText(letter) + " : ";
  const std::string none = "returns NULL : ";
  EXPECT_EQ(
      logMessages(),
      traceLines({
          entryLine("GetMediaByPPDKey", "szMediaKey = TavorinexLetter; "),
          exitLine("GetMediaByPPDKey", found + "szMediaKey = TavorinexLetter; "),
          entryLine("GetMediaByPPDKey", "szMediaKey = (null); "),
          exitLine("GetMediaByPPDKey", none + "szMediaKey = (null); "),
          entryLine("GetMedia", "szMediaName = Tavorinex A4; "),
          exitLine("GetMedia", "returns " + pointerText(a4) + " : szMediaName = Tavorinex A4; "),
          entryLine("GetMedia", "dmMedia = 7; "),
          exitLine("GetMedia", none + "dmMedia = 7; "),
          entryLine("GetMedia", "mediaW = 612000; mediaL = 792000; szTray = (null); "),
          exitLine("GetMedia", found + "szTray = (null); "),
          entryLine("GetPSComment", "media = " + pointerText(letter) + "; "),
          exitLine("GetPSComment", "returns " + std::to_string(commentSize) + " : "),
          entryLine("GetPSCommand", "media = " + pointerText(nullptr) + "; "),
          exitLine("GetPSCommand", "returns -1 : "),
          entryLine("GetPSCommand", "media = " + pointerText(letter) + "; "),
          entryLine("GetStringWithParantesis", "str = white; "),
          exitLine("GetStringWithParantesis", ": strP = (white); "),
          entryLine("GetStringWithParantesis", "str = plain; "),
          exitLine("GetStringWithParantesis", ": strP = (plain); "),
          exitLine("GetPSCommand", "returns " + std::to_string(commandSize) + " : "),
          entryLine("GetWeightStr", "weightValue = 142; "),
          exitLine("GetWeightStr", ": string = (Thick1); "),
          entryLine("GetStringWithParantesis", "str = (null); "),
          exitLine("GetStringWithParantesis", ": strP = (); "),
      }));
}

}  // namespace
