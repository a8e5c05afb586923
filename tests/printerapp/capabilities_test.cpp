// The capability model of the Printer Application: from the readers' lists
// of the simulated printer `full` read over SNMP, and from records made
// here for what that printer does not show (other punch units, stackers,
// many trays); a job that names no page size of its own printing on the
// media its IPP request chose; and the set-up an IPP job's choices give.
#include "printerapp/capabilities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "bidi/lib/BiDiMedia.h"
#include "printerapp/jobsetup.h"
#include "printerapp/printerreading.h"
#include "tests/filter/jobrun.h"
#include "tests/support/simprinter.h"

namespace {

using tvx::papp::Capabilities;
using tvx::papp::MediaEntry;
using tvx::papp::ProfileOption;
using tvx::papp::ReadyMedia;

const tvx::papp::PrinterReading& fullReading() {
  static const tvx::papp::PrinterReading reading = [] {
    const tvx::test::SimPrinter& printer = tvx::test::sharedPrinter("full");
    std::optional<tvx::papp::PrinterReading> read =
        tvx::papp::readPrinter("udp:" + printer.address());
    return read ? *read : tvx::papp::PrinterReading{};
  }();
  return reading;
}

TEST(PrinterCapabilities, FullPrinterOffersEveryMediaByItsOwnName) {
  const Capabilities& capabilities = fullReading().capabilities;
  // The first media of a size takes the size's name; each later one of that
  // size a name of its own, so that each can be asked for.
  std::vector<MediaEntry> expected{
      {"iso_a4_210x297mm", "PlainA480", 21000, 29700, "stationery"},
      {"na_letter_8.5x11in", "PlainLetter75", 21590, 27940, "stationery"},
      {"iso_sra3_320x450mm", "CoatedGlossSRA3170", 32000, 45000, "stationery-coated-2"},
      {"na_ledger_11x17in", "HeavyTabloid250", 27940, 43180, "stationery-heavyweight-2"},
      {"om_recycled-a-480_210x297mm", "RecycledA480", 21000, 29700, "stationery-recycled"},
      {"na_9x11_9x11in", "TabStockLetter", 22860, 27940, "tab-stock"},
      {"iso_c5_162x229mm", "EnvelopeC5", 16200, 22900, "envelope"},
      {"om_yellow-a-4-short-edge_210x297mm", "YellowA4ShortEdge", 21000, 29700,
       "stationery-colored"},
  };
  EXPECT_EQ(capabilities.media, expected);
  EXPECT_EQ(capabilities.types,
            (std::vector<std::string>{"stationery", "stationery-coated-2",
                                      "stationery-heavyweight-2", "stationery-recycled",
                                      "tab-stock", "envelope", "stationery-colored"}));
}

TEST(PrinterCapabilities, FullPrinterTraysAreSourcesWithTheirMedia) {
  const Capabilities& capabilities = fullReading().capabilities;
  // Trays 5 and 6 are both large capacity trays: the first takes the name.
  EXPECT_EQ(capabilities.sources,
            (std::vector<std::string>{"tray-1", "tray-2", "tray-3", "tray-4", "large-capacity",
                                      "tray-6", "by-pass-tray"}));
  std::vector<ReadyMedia> expected{
      {"tray-1", "iso_a4_210x297mm", 21000, 29700, "stationery"},
      {"tray-2", "na_letter_8.5x11in", 21590, 27940, "stationery"},
      {"tray-3", "iso_sra3_320x450mm", 32000, 45000, "stationery-coated-2"},
      {"tray-4", "iso_a4_210x297mm", 21000, 29700, "stationery"},
      {"large-capacity", "om_recycled-a-480_210x297mm", 21000, 29700, "stationery-recycled"},
      {"tray-6", "na_ledger_11x17in", 27940, 43180, "stationery-heavyweight-2"},
      {"by-pass-tray", "iso_c5_162x229mm", 16200, 22900, "envelope"},
  };
  EXPECT_EQ(capabilities.ready, expected);
}

TEST(PrinterCapabilities, FullPrinterFinishingsAndProfiles) {
  const Capabilities& capabilities = fullReading().capabilities;
  // A stapling finisher (XM71001) and the 2-and-4-hole punch unit (XH7100EU).
  EXPECT_EQ(capabilities.finishings, (std::vector<int>{3, 4, 5, 20, 28, 29, 74, 75, 82, 83}));
  ASSERT_EQ(capabilities.profiles.size(), 8u);
  EXPECT_EQ(capabilities.profiles[0],
            (ProfileOption{"tavorinex-rgb-input-image-profile",
                           {"none", "adobe-rgb-1998", "display-p3", "srgb-iec61966-2.1"},
                           {"", "Adobe RGB 1998", "Display P3", "sRGB IEC61966-2.1"}}));
  EXPECT_EQ(capabilities.profiles[1].attribute, "tavorinex-rgb-input-text-profile");
  EXPECT_EQ(capabilities.profiles[1].values, capabilities.profiles[0].values);
  EXPECT_EQ(capabilities.profiles[3].attribute, "tavorinex-cmyk-input-text-profile");
  EXPECT_EQ(capabilities.profiles[3].values,
            (std::vector<std::string>{"none", "gracol-2006", "swop-coated", "iso-coated-v2"}));
  EXPECT_EQ(capabilities.profiles[4].values,
            (std::vector<std::string>{"none", "gray-newsprint", "gray-standard"}));
  EXPECT_EQ(capabilities.profiles[7].attribute, "tavorinex-printer-image-profile");
  EXPECT_EQ(
      capabilities.profiles[7].values,
      (std::vector<std::string>{"none", "arc-heavy-matt", "arc-uncoated", "arc-coated-gloss"}));
}

TEST(PrinterCapabilities, FullPrinterInstalledOptionsAndTrayNumbers) {
  const Capabilities& capabilities = fullReading().capabilities;
  // As bidiupdate -A sets the PPD's defaults for the same printer.
  EXPECT_EQ(capabilities.installed, (std::map<std::string, std::string>{{"BY", "XD7100"},
                                                                        {"Binder", "XJ7100"},
                                                                        {"CI", "XG7110"},
                                                                        {"LCT", "XE71002"},
                                                                        {"PU", "XH7100EU"},
                                                                        {"SR", "XM71001"}}));
  EXPECT_EQ(capabilities.sourceTrays.at("large-capacity"), 5);
  EXPECT_EQ(capabilities.sourceTrays.at("tray-6"), 6);
  EXPECT_EQ(capabilities.sourceTrays.at("by-pass-tray"), 7);
  EXPECT_EQ(capabilities.trayMedia.at(5), "RecycledA480");
  EXPECT_EQ(capabilities.trayMedia.at(7), "EnvelopeC5");
}

TEST(PrinterCapabilities, ANameOrASizeFindsItsCatalogMedia) {
  const Capabilities& capabilities = fullReading().capabilities;
  EXPECT_EQ(tvx::papp::mediaKeyFor(capabilities, "iso_a4_210x297mm"), "PlainA480");
  EXPECT_EQ(tvx::papp::mediaKeyFor(capabilities, "om_recycled-a-480_210x297mm"), "RecycledA480");
  // Another name of a size the printer has: its first media of that size.
  EXPECT_EQ(tvx::papp::mediaKeyFor(capabilities, "om_a4_210x297mm"), "PlainA480");
  EXPECT_EQ(tvx::papp::mediaKeyFor(capabilities, "iso_a3_297x420mm"), "");
  EXPECT_EQ(tvx::papp::mediaKeyFor(capabilities, "not a media"), "");
}

// --- Records made here -------------------------------------------------

// A reader's list, built last row first as the readers build them.
class Lists {
 public:
  ~Lists() {
    BiDi_ClearMedia(&media);
    BiDi_ClearInput(&trays);
    BiDi_ClearInstallableOption(&options);
    BiDi_ClearColorProfiles(&rgb);
  }
  void addMedia(const char* name, const char* type, unsigned long width, unsigned long length) {
    TS_BiDiMedia record{};
    std::strncpy(record.name, name, sizeof record.name - 1);
    std::strncpy(record.type, type, sizeof record.type - 1);
    record.width = width;
    record.length = length;
    ASSERT_EQ(addMedia_(record), en_BiDiSuccess);
  }
  void addTray(const char* name, const char* type, const char* media, int number) {
    ASSERT_EQ(addInput(&trays, name, type, media, number), en_BiDiSuccess);
  }
  void addOption(const char* code) {
    ASSERT_EQ(addInstallableOption(&options, code), en_BiDiSuccess);
  }
  void addRgb(const char* name) { ASSERT_EQ(addColorProfile(&rgb, name), en_BiDiSuccess); }
  Capabilities capabilities() const {
    return tvx::papp::capabilitiesFrom(media, trays, options, {rgb, nullptr, nullptr, nullptr});
  }

  PTS_BiDiMedia media = nullptr;
  PTS_BiDiInput trays = nullptr;
  PTS_BiDiInstallableOption options = nullptr;
  PTS_BiDiColorProfile rgb = nullptr;

 private:
  TE_BiDiStatus addMedia_(const TS_BiDiMedia& record) { return ::addMedia(&media, record); }
};

// A4 in thousandths of a point.
constexpr unsigned long kA4Width = 595276;
constexpr unsigned long kA4Length = 841890;

TEST(PrinterCapabilities, PunchPatternsAreThoseOfTheInstalledUnit) {
  struct Case {
    const char* unit;
    std::vector<int> finishings;
  };
  for (const Case& c : {Case{"XH7100NA", {3, 5, 74, 75, 78, 79}},
                        Case{"XH7100EU", {3, 5, 74, 75, 82, 83}}, Case{"XH7100SC", {3, 82, 83}}}) {
    Lists lists;
    lists.addOption(c.unit);
    EXPECT_EQ(lists.capabilities().finishings, c.finishings) << c.unit;
  }
}

TEST(PrinterCapabilities, StaplesOnlyWithAStaplingFinisher) {
  for (const char* stacker : {"XL71001", "XL71002"}) {
    Lists lists;
    lists.addOption(stacker);
    EXPECT_EQ(lists.capabilities().finishings, std::vector<int>{3}) << stacker;
  }
  for (const char* stapler : {"XM7100", "XM71001", "XM71002"}) {
    Lists lists;
    lists.addOption(stapler);
    EXPECT_EQ(lists.capabilities().finishings, (std::vector<int>{3, 4, 20, 28, 29})) << stapler;
  }
  Lists none;
  EXPECT_EQ(none.capabilities().finishings, std::vector<int>{3});
}

TEST(PrinterCapabilities, MediaTheCatalogRefusesAreLeftOut) {
  Lists lists;
  // Last row first: the printer's order is the reverse of these calls.
  lists.addMedia("Plain A4", "Plain", 999, kA4Length);       // under a point
  lists.addMedia("Plain A4", "Plain", kA4Width, kA4Length);  // the key again
  lists.addMedia("   ", "Plain", kA4Width, kA4Length);       // no key
  lists.addMedia("Plain A4", "Plain", kA4Width, kA4Length);
  std::vector<MediaEntry> media = lists.capabilities().media;
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media[0].key, "PlainA4");
  EXPECT_EQ(media[0].name, "iso_a4_210x297mm");
}

TEST(PrinterCapabilities, AtMostSixteenSourcesAndTrayNumbersInOrder) {
  Lists lists;
  for (int tray = 20; tray >= 1; --tray) {
    std::string name = "Tray " + std::to_string(tray);
    lists.addTray(name.c_str(), "sheetFeedAutoRemovableTray", "nothing", tray);
  }
  lists.addTray("Bypass Tray", "sheetFeedAutoNonRemovableTray", "nothing", 21);
  Capabilities capabilities = lists.capabilities();
  ASSERT_EQ(capabilities.sources.size(), tvx::papp::kMaxSources);
  EXPECT_EQ(capabilities.sources.front(), "tray-1");
  EXPECT_EQ(capabilities.sources.back(), "tray-16");
  // A tray whose media the printer does not list holds nothing.
  EXPECT_TRUE(capabilities.ready.empty());
}

TEST(PrinterCapabilities, TypeAndProfileKeywords) {
  EXPECT_EQ(tvx::papp::mediaTypeKeyword("Plain"), "stationery");
  EXPECT_EQ(tvx::papp::mediaTypeKeyword("Coat 2"), "stationery-coated-2");
  EXPECT_EQ(tvx::papp::mediaTypeKeyword("Tabstock"), "tab-stock");
  EXPECT_EQ(tvx::papp::mediaTypeKeyword("Back Print Film"), "back-print-film");
  EXPECT_EQ(tvx::papp::mediaTypeKeyword(""), "");
  EXPECT_EQ(tvx::papp::profileKeyword("sRGB IEC61966-2.1"), "srgb-iec61966-2.1");
  EXPECT_EQ(tvx::papp::profileKeyword("  Gray / Standard  "), "gray-standard");
  // Two names of one keyword, and a name that makes none: offered once, or not.
  Lists lists;
  lists.addRgb("Display P3");
  lists.addRgb("display  p3");
  lists.addRgb("***");
  EXPECT_EQ(lists.capabilities().profiles[0].values,
            (std::vector<std::string>{"none", "display-p3"}));
}

// --- The job's media ----------------------------------------------------

class PrinterAppJob : public tvx::test::JobRoot {
 protected:
  // The simulated printer starts before the test root's TMPDIR, which its
  // user may not enter.
  void SetUp() override {
    fullReading();
    JobRoot::SetUp();
  }
};

constexpr char kJobWithoutSize[] =
    "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\nshowpage\n%%EOF\n";

TEST_F(PrinterAppJob, AJobThatNamesNoSizePrintsOnTheChosenMedia) {
  ASSERT_FALSE(fullReading().media.empty());
  std::unique_ptr<CMediaCatalog> catalog = tvx::papp::catalogOf(fullReading().media);
  ASSERT_TRUE(catalog);
  tvx::UniqueFile input(std::tmpfile());
  tvx::UniqueFile output(std::tmpfile());
  std::fputs(kJobWithoutSize, input.get());
  std::rewind(input.get());
  tvx::filter::Job job{"arc", "t", 0};
  job.media = tvx::papp::mediaKeyFor(fullReading().capabilities, "om_recycled-a-480_210x297mm");
  auto result = tvx::filter::runJob(job, input.get(), output.get(),
                                    [&](const char*) { return catalog.get(); });
  ASSERT_EQ(result.status, 0);
  std::rewind(output.get());
  std::string out(1 << 16, '\0');
  out.resize(std::fread(out.data(), 1, out.size(), output.get()));
  EXPECT_NE(out.find("Recycled A4 80"), std::string::npos) << out;
  EXPECT_EQ(out.find("Plain A4 80"), std::string::npos) << out;

  // Without a chosen media such a job gets no media set-up, as before.
  tvx::test::JobRun plain =
      tvx::test::runJobInProcess(kJobWithoutSize, "arc", "t", "1", "", catalog.get());
  ASSERT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out.find("Recycled A4 80"), std::string::npos) << plain.out;
}

// --- The set-up of an IPP job's choices ----------------------------------

class JobSetupOfFull : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(fullReading().media.empty());
    catalog_ = tvx::papp::catalogOf(fullReading().media);
    ASSERT_TRUE(catalog_);
  }
  tvx::papp::JobSetup setupFor(const tvx::papp::JobRequest& request) {
    return tvx::papp::jobSetupFor(fullReading().capabilities, *catalog_, "iso_a4_210x297mm",
                                  request);
  }
  static tvx::papp::JobRequest media(std::string source, std::string type = {}, int x = 0,
                                     int y = 0) {
    tvx::papp::JobRequest request;
    request.media.source = std::move(source);
    request.media.type = std::move(type);
    if (x != 0) request.media.size = tvx::jobchoices::MediaSize{x, y};
    return request;
  }
  static bool has(const tvx::papp::JobSetup& setup, const std::string& text) {
    return setup.setup.find(text) != std::string::npos;
  }

  std::unique_ptr<CMediaCatalog> catalog_;
};

// The printer names its sources and types by its own model; the tray and
// media are those the client was shown.
TEST_F(JobSetupOfFull, TheClientsSourceAndTypeChooseWhatThePrinterShowed) {
  tvx::papp::JobSetup lct = setupFor(media("large-capacity"));
  EXPECT_EQ(lct.mediaKey, "RecycledA480") << lct.refusal;
  EXPECT_TRUE(has(lct, "%%BeginFeature: *InputSlot Tray5\n<< /MediaPosition 5 >> setpagedevice\n"));
  tvx::papp::JobSetup tray6 = setupFor(media("tray-6"));
  EXPECT_EQ(tray6.mediaKey, "HeavyTabloid250");
  EXPECT_TRUE(has(tray6, "*InputSlot Tray6\n"));
  tvx::papp::JobSetup coated = setupFor(media("", "stationery-coated-2", 32000, 45000));
  EXPECT_EQ(coated.mediaKey, "CoatedGlossSRA3170") << coated.refusal;
  EXPECT_TRUE(has(coated, "*InputSlot Tray0\n"));
  tvx::papp::JobRequest own;
  own.media.name = "om_yellow-a-4-short-edge_210x297mm";
  EXPECT_EQ(setupFor(own).mediaKey, "YellowA4ShortEdge");
  // Nothing asked: the printer's default media, from any tray.
  tvx::papp::JobSetup plain = setupFor({});
  EXPECT_EQ(plain.mediaKey, "PlainA480");
  EXPECT_TRUE(has(plain, "*PageSize PlainA480\n<< /PageSize [595 842]"));
  EXPECT_TRUE(has(plain, "*LCT XE71002\n"));
}

TEST_F(JobSetupOfFull, ValuesThePrinterDoesNotOfferAreRefusedInTheClientsNames) {
  EXPECT_EQ(setupFor(media("large-capacity", "", 27940, 43180)).refusal,
            "media-col media-source large-capacity media-size 279.4x431.8mm is not supported: "
            "the tray holds other media");
  EXPECT_EQ(setupFor(media("", "stationery-coated-2", 21000, 29700)).refusal,
            "media-col media-size 210x297mm media-type stationery-coated-2 is not supported");
  EXPECT_EQ(setupFor(media("tray-9")).refusal, "media-source tray-9 is not supported");
  EXPECT_EQ(setupFor(media("", "transparency")).refusal,
            "media-type transparency is not supported");
  tvx::papp::JobRequest own;
  own.media.name = "om_nothing_1x1mm";
  EXPECT_EQ(setupFor(own).refusal, "media om_nothing_1x1mm is not supported");
  tvx::papp::JobRequest triple;
  triple.finishings = {28, 78};  // the 2-and-4-hole unit punches no 3 holes
  EXPECT_EQ(setupFor(triple).refusal, "finishings 78 is not supported");
  tvx::papp::JobRequest profile;
  profile.profiles["tavorinex-printer-image-profile"] = "display-p3";
  EXPECT_EQ(setupFor(profile).refusal,
            "tavorinex-printer-image-profile display-p3 is not supported");
  for (const auto* refused : {&triple, &profile}) {
    tvx::papp::JobSetup setup = setupFor(*refused);
    EXPECT_TRUE(setup.mediaKey.empty() && setup.setup.empty());
  }
}

TEST_F(JobSetupOfFull, FinishingsProfilesAndCopies) {
  tvx::papp::JobRequest request;
  request.finishings = {3, 28, 74};
  request.profiles["tavorinex-printer-image-profile"] = "arc-coated-gloss";
  request.profiles["tavorinex-rgb-input-image-profile"] = "none";
  tvx::papp::JobSetup portrait = setupFor(request);
  EXPECT_TRUE(has(portrait, "*Staple 2LP\n")) << portrait.setup;
  EXPECT_TRUE(has(portrait, "*Punch 2LP\n"));
  EXPECT_TRUE(has(portrait, "*PrinterImage ArcCoatedGloss\n"));
  EXPECT_TRUE(has(portrait, "/OutputICCProfileImage (Arc Coated Gloss)"));
  EXPECT_TRUE(has(portrait, "*RGBInputImage None\n"));
  EXPECT_FALSE(has(portrait, "NumCopies"));
  request.landscape = true;
  request.copies = 3;
  tvx::papp::JobSetup landscape = setupFor(request);
  EXPECT_TRUE(has(landscape, "*Staple 2LL\n"));
  EXPECT_TRUE(has(landscape, "*Punch 2LL\n"));
  EXPECT_EQ(landscape.copies, 3);
  EXPECT_TRUE(landscape.setup.ends_with(
      "%RBIBeginNonPPDFeature: *NumCopies 3\n3/languagelevel where"
      "{pop languagelevel 2 ge}{false}ifelse\n{1 dict begin/NumCopies exch def currentdict end "
      "setpagedevice}\n{userdict/#copies 3 -1 roll put}ifelse\n%RBIEndNonPPDFeature\n"));
}

// Two media of a size whose types the catalog's words do not tell apart.
TEST(JobSetupOfRecords, ATypeChoosesTheMediaOfThatVeryType) {
  Lists lists;
  lists.addMedia("Coated Three A4", "Coat 3", kA4Width, kA4Length);
  lists.addMedia("Coated Two A4", "Coat 2", kA4Width, kA4Length);
  std::vector<TS_BiDiMedia> records;
  for (const TS_BiDiMedia* row = lists.media; row != nullptr; row = row->next) {
    records.insert(records.begin(), *row);
    records.front().next = nullptr;
  }
  std::unique_ptr<CMediaCatalog> catalog = tvx::papp::catalogOf(records);
  ASSERT_TRUE(catalog);
  tvx::papp::JobRequest request;
  request.media.type = "stationery-coated-3";
  request.media.size = tvx::jobchoices::MediaSize{21000, 29700};
  Capabilities capabilities = lists.capabilities();
  tvx::papp::JobSetup setup =
      tvx::papp::jobSetupFor(capabilities, *catalog, "iso_a4_210x297mm", request);
  EXPECT_EQ(setup.mediaKey, "CoatedThreeA4") << setup.refusal;
  request.media.size.reset();
  EXPECT_EQ(tvx::papp::jobSetupFor(capabilities, *catalog, "iso_a4_210x297mm", request).mediaKey,
            "CoatedThreeA4");
  request.media.type = "stationery-coated-2";
  EXPECT_EQ(tvx::papp::jobSetupFor(capabilities, *catalog, "iso_a4_210x297mm", request).mediaKey,
            "CoatedTwoA4");
}

TEST(JobSetupText, TheHeadGetsTheCopiesMarkAndTheSetUp) {
  tvx::papp::JobSetup setup;
  setup.setup = "F\n";
  setup.copies = 2;
  EXPECT_EQ(tvx::papp::preparedHead(
                "%!PS-Adobe-3.0\n%%EndComments\n%%BeginSetup\n/x 1 def\n%%EndSetup\n", setup),
            "%!PS-Adobe-3.0\n%RBINumCopies: 2\n%%EndComments\n%%BeginSetup\nF\n/x 1 def\n"
            "%%EndSetup\n");
  EXPECT_EQ(tvx::papp::preparedHead("%!PS", setup),
            "%!PS\n%RBINumCopies: 2\n%%BeginSetup\nF\n%%EndSetup\n");
  std::string job = "%!PS\n%%BeginDocument: a.eps\n%%Page: 1 1\n%%EndDocument\nx %%Page:\n";
  EXPECT_EQ(tvx::papp::headLength(job), std::nullopt);
  EXPECT_EQ(tvx::papp::headLength(job + "%%Page: 1 1\nshowpage\n"), job.size());
}

}  // namespace
