#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "tests/bidi/lib/scenario_session.h"

using tvx::test::scenarioSession;

namespace {

struct Tray {
  int number;
  std::string name;
  std::string type;
  std::string media;
  bool operator==(const Tray&) const = default;
};

void PrintTo(const Tray& tray, std::ostream* out) {
  *out << "{" << tray.number << ", \"" << tray.name << "\", " << tray.type << ", \"" << tray.media << "\"}";
}

std::vector<Tray> readTrays(const std::string& scenario, TE_BiDiStatus expected = en_BiDiSuccess) {
  PTS_BiDiInput head = nullptr;
  EXPECT_EQ(BiDi_GetInput(scenarioSession(scenario), &head), expected);
  std::vector<Tray> trays;
  for (const TS_BiDiInput* tray = head; tray != nullptr; tray = tray->next) {
    trays.push_back({tray->inputIdx, tray->inputName, tray->inputType, tray->inputMedia});
  }
  EXPECT_EQ(BiDi_ClearInput(&head), en_BiDiSuccess);
  EXPECT_EQ(head, nullptr);
  return trays;
}

std::vector<std::string> readOptions(const std::string& scenario, TE_BiDiStatus expected = en_BiDiSuccess) {
  PTS_BiDiInstallableOption head = nullptr;
  EXPECT_EQ(BiDi_GetInstallableOption(scenarioSession(scenario), &head), expected);
  std::vector<std::string> codes;
  for (const TS_BiDiInstallableOption* option = head; option != nullptr; option = option->next) {
    codes.push_back(option->strOption);
  }
  BiDi_ClearInstallableOption(&head);
  EXPECT_EQ(head, nullptr);
  return codes;
}

using ProfileReader = TE_BiDiStatus (*)(unsigned char, PTS_BiDiColorProfile*);

std::vector<std::string> readProfiles(const std::string& scenario, ProfileReader reader) {
  PTS_BiDiColorProfile head = nullptr;
  EXPECT_EQ(reader(scenarioSession(scenario), &head), en_BiDiSuccess);
  std::vector<std::string> names;
  for (const TS_ColorProfile* profile = head; profile != nullptr; profile = profile->next) {
    names.push_back(profile->name);
  }
  BiDi_ClearColorProfiles(&head);
  EXPECT_EQ(head, nullptr);
  return names;
}

constexpr const char* kRemovable = "sheetFeedAutoRemovableTray";
constexpr const char* kFixed = "sheetFeedAutoNonRemovableTray";

}  // namespace

// Indexes 1, 3-7 and 11 become trays 1-7, 2 collides with 3, others stay;
// rows come last first; a short type or media column gives "unknown" and "".
TEST(InputTrays, MapIndexesToTrayNumbersLastRowFirst) {
  std::vector<Tray> expected = {
      {12, "Inserter Tray With A Very Long N", "unknown", ""},
      {7, "Bypass", "unknown", ""},
      {8, "Tray 8", kRemovable, "Envelopes"},
      {6, "Tray 6", kRemovable, "Tabs"},
      {5, "Tray 5", kFixed, "Heavy"},
      {4, "Tray 4", kFixed, "Plain A3"},
      {3, "Tray 3", kRemovable, "Coated"},
      {2, "Tray 2", kRemovable, "Plain A4"},
      {2, "Tray 2 (old)", kFixed, "Plain Letter"},
      {1, "Tray 1", kRemovable, "Plain A4"},
  };
  EXPECT_EQ(readTrays("trays-finishers-a"), expected);
}

TEST(InputTrays, EmptyTableGivesEmptyList) {
  EXPECT_TRUE(readTrays("finisher-attribute-error").empty());
}

// Stitcher (on/off 5 counts) with three stackers (a switched-off one does
// not count), punchers of 2 and 3 holes (an attribute of another device or
// instance does not count), binding type 7, trays up to 6 with 7 and 12.
TEST(InstallableOptions, StitcherStackersPunchBinderAndTrays) {
  std::vector<std::string> expected = {"XE71002", "XD7100", "XG7110", "XJ7100", "XH7100NA", "XM71001"};
  EXPECT_EQ(readOptions("trays-finishers-a"), expected);
}

// Switched-off stitcher with four stackers, an inserter device and tray 13
// giving one code, a 4-hole puncher, the later of two binders, a device
// without on/off row counted, trays 1, 2, 3, 5 and 7.
TEST(InstallableOptions, StackersInserterOnceAndLaterBinderWins) {
  std::vector<std::string> expected = {"XE7100", "XD7100", "XF7110", "XH7100SC", "XL71002", "XG7110"};
  EXPECT_EQ(readOptions("trays-finishers-b"), expected);
}

TEST(InstallableOptions, PunchOfTwoAndFourHolesOtherBindingAndFourTrays) {
  std::vector<std::string> expected = {"XE71001", "XK7100", "XH7100EU"};
  EXPECT_EQ(readOptions("finishers-punch-eu"), expected);
}

// Hole counts 2, 3 and 4 together give no punch code; attribute instance
// 10 passes the instance test; a stitcher with four stackers.
TEST(InstallableOptions, AllHoleCountsGiveNoPunchCode) {
  EXPECT_EQ(readOptions("finishers-punch-all"), std::vector<std::string>{"XM71002"});
}

TEST(InstallableOptions, NoFinisherAndThreeTraysGiveNothing) {
  EXPECT_TRUE(readOptions("trays-finishers-none").empty());
}

TEST(InstallableOptions, FailedAttributeWalkKeepsTheDeviceCodes) {
  EXPECT_EQ(readOptions("finisher-attribute-error", en_BiDiSessionTimeOut),
            std::vector<std::string>{"XM7100"});
}

// Second type first, each type last row first; repeated names stay, names
// too long for the record are left out (cut, they would name a profile the
// printer lacks), a row without type belongs to no colour space.
TEST(ColorProfiles, EachSpaceInReverseWalkOrder) {
  const std::string scenario = "trays-finishers-a";
  EXPECT_EQ(readProfiles(scenario, BiDi_GetColorProfile_RGB),
            (std::vector<std::string>{"Q(1)\\x/y:z<w>.icc", "AdobeRGB.icc", "Evil\n*cupsFilter2: \"a b 0 c\"",
                                      "sRGB.icc"}));
  EXPECT_EQ(readProfiles(scenario, BiDi_GetColorProfile_CMYK),
            (std::vector<std::string>{"None.icc", "()\r\n", "P4.icc", "P2.icc", "P3.icc", "P1.icc"}));
  EXPECT_EQ(readProfiles(scenario, BiDi_GetColorProfile_Gray),
            (std::vector<std::string>{"Dot Gain 20", "Gray Gamma 2.2.icc"}));
  EXPECT_EQ(readProfiles(scenario, BiDi_GetColorProfile_Output),
            (std::vector<std::string>{"Press.icc", "Proof.icc", "Press.icc"}));
}

TEST(ColorProfiles, OnlyAnOutputProfile) {
  const std::string scenario = "trays-finishers-none";
  EXPECT_TRUE(readProfiles(scenario, BiDi_GetColorProfile_RGB).empty());
  EXPECT_TRUE(readProfiles(scenario, BiDi_GetColorProfile_CMYK).empty());
  EXPECT_TRUE(readProfiles(scenario, BiDi_GetColorProfile_Gray).empty());
  EXPECT_EQ(readProfiles(scenario, BiDi_GetColorProfile_Output), std::vector<std::string>{"Press.icc"});
}
