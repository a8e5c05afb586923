#include "jobchoices/optioncode.h"

#include <array>

#include "common/printertext.h"

namespace tvx::jobchoices {

namespace {

constexpr bool kLandscape = true;

constexpr Choice kOutputBin[] = {
    {"Standard", "<< /OutputType (Standard) >> setpagedevice"},
    {"Stacker", "<< /OutputType (Stacker) >> setpagedevice"},
    {"Booklet", "<< /OutputType (Booklet) >> setpagedevice"},
};

// The bypass is always tray 7; trays 4 to 6 are called "large-capacity"
// instead when they hold the installed large capacity tray (mediaSourceOf).
constexpr Choice kInputSlot[] = {
    {"Tray0", "<< /MediaPosition null >> setpagedevice", 0, false, "auto"},
    {"Tray1", "<< /MediaPosition 1 >> setpagedevice", 0, false, "tray-1"},
    {"Tray2", "<< /MediaPosition 2 >> setpagedevice", 0, false, "tray-2"},
    {"Tray3", "<< /MediaPosition 3 >> setpagedevice", 0, false, "tray-3"},
    {"Tray4", "<< /MediaPosition 4 >> setpagedevice", 0, false, "tray-4"},
    {"Tray5", "<< /MediaPosition 5 >> setpagedevice", 0, false, "tray-5"},
    {"Tray6", "<< /MediaPosition 6 >> setpagedevice", 0, false, "tray-6"},
    {"Tray7", "<< /MediaPosition 7 >> setpagedevice", 0, false, "by-pass-tray"},
};

constexpr Choice kCollate[] = {
    {"True", "<< /Collate true >> setpagedevice"},
    {"False", "<< /Collate false >> setpagedevice"},
};

constexpr Choice kDuplex[] = {
    {"None", "<< /Duplex false >> setpagedevice", 0, false, "one-sided"},
    {"DuplexNoTumble", "<< /Duplex true /Tumble false >> setpagedevice", 0, false,
     "two-sided-long-edge"},
    {"DuplexTumble", "<< /Duplex true /Tumble true >> setpagedevice", 0, false,
     "two-sided-short-edge"},
};

// IPP names a hole pattern by the edge of the page as its content reads.
// A pattern ending in P punches that edge of a portrait page; its twin
// ending in L punches the same edge of a landscape page, which the sheet
// carries turned a quarter turn. Both answer the same finishing, the twin
// only for a landscape job. No punch unit makes ring binding holes (the
// PPD constrains them for every unit), so IPP offers none.
constexpr Choice kPunch[] = {
    {"None", "<< /Punch 0 >> setpagedevice"},
    {"2LP", "<< /Punch 1 /PunchDetails << /Pattern (2LP) >> >> setpagedevice", kPunchDualLeft},
    {"2LL", "<< /Punch 1 /PunchDetails << /Pattern (2LL) >> >> setpagedevice", kPunchDualLeft,
     kLandscape},
    {"2TP", "<< /Punch 1 /PunchDetails << /Pattern (2TP) >> >> setpagedevice", kPunchDualTop},
    {"2TL", "<< /Punch 1 /PunchDetails << /Pattern (2TL) >> >> setpagedevice", kPunchDualTop,
     kLandscape},
    {"3LP", "<< /Punch 1 /PunchDetails << /Pattern (3LP) >> >> setpagedevice", kPunchTripleLeft},
    {"3LL", "<< /Punch 1 /PunchDetails << /Pattern (3LL) >> >> setpagedevice", kPunchTripleLeft,
     kLandscape},
    {"3TP", "<< /Punch 1 /PunchDetails << /Pattern (3TP) >> >> setpagedevice", kPunchTripleTop},
    {"3TL", "<< /Punch 1 /PunchDetails << /Pattern (3TL) >> >> setpagedevice", kPunchTripleTop,
     kLandscape},
    {"4LP", "<< /Punch 1 /PunchDetails << /Pattern (4LP) >> >> setpagedevice", kPunchQuadLeft},
    {"4LL", "<< /Punch 1 /PunchDetails << /Pattern (4LL) >> >> setpagedevice", kPunchQuadLeft,
     kLandscape},
    {"4TP", "<< /Punch 1 /PunchDetails << /Pattern (4TP) >> >> setpagedevice", kPunchQuadTop},
    {"4TL", "<< /Punch 1 /PunchDetails << /Pattern (4TL) >> >> setpagedevice", kPunchQuadTop,
     kLandscape},
    {"RingLP", "<< /Punch 1 /PunchDetails << /Pattern (RingLP) >> >> setpagedevice"},
    {"RingLL", "<< /Punch 1 /PunchDetails << /Pattern (RingLL) >> >> setpagedevice"},
};

// The single staple sits in the top left corner of the page as it reads in
// every pattern (1L: bound on the left, 1T: on top; V, H, D: the staple's
// angle). IPP has one value for that corner and no word for the angle, so
// the diagonal staple answers it and the other angles answer none. The
// landscape twins (ending in L) answer as the punch patterns' do.
constexpr Choice kStaple[] = {
    {"None", "<< /Staple 0 >> setpagedevice"},
    {"1LVP", "<< /Staple 3 /StapleDetails << /Position (1LVP) >> >> setpagedevice"},
    {"1LVL", "<< /Staple 3 /StapleDetails << /Position (1LVL) >> >> setpagedevice"},
    {"1LHP", "<< /Staple 3 /StapleDetails << /Position (1LHP) >> >> setpagedevice"},
    {"1LHL", "<< /Staple 3 /StapleDetails << /Position (1LHL) >> >> setpagedevice"},
    {"1LDP", "<< /Staple 3 /StapleDetails << /Position (1LDP) >> >> setpagedevice",
     kStapleTopLeft},
    {"1LDL", "<< /Staple 3 /StapleDetails << /Position (1LDL) >> >> setpagedevice",
     kStapleTopLeft, kLandscape},
    {"2LP", "<< /Staple 3 /StapleDetails << /Position (2LP) >> >> setpagedevice",
     kStapleDualLeft},
    {"2LL", "<< /Staple 3 /StapleDetails << /Position (2LL) >> >> setpagedevice",
     kStapleDualLeft, kLandscape},
    {"1TVP", "<< /Staple 3 /StapleDetails << /Position (1TVP) >> >> setpagedevice"},
    {"1TVL", "<< /Staple 3 /StapleDetails << /Position (1TVL) >> >> setpagedevice"},
    {"1THP", "<< /Staple 3 /StapleDetails << /Position (1THP) >> >> setpagedevice"},
    {"1THL", "<< /Staple 3 /StapleDetails << /Position (1THL) >> >> setpagedevice"},
    {"1TDP", "<< /Staple 3 /StapleDetails << /Position (1TDP) >> >> setpagedevice"},
    {"1TDL", "<< /Staple 3 /StapleDetails << /Position (1TDL) >> >> setpagedevice"},
    {"2TP", "<< /Staple 3 /StapleDetails << /Position (2TP) >> >> setpagedevice",
     kStapleDualTop},
    {"2TL", "<< /Staple 3 /StapleDetails << /Position (2TL) >> >> setpagedevice",
     kStapleDualTop, kLandscape},
};

// The model PPD offers only "None" for each profile option; bidiupdate adds
// the printer's profiles (profileCode).
constexpr Choice kRGBInputImage[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileRGBImage ()\n>>\n>> setpagedevice"}};
constexpr Choice kRGBInputText[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileRGBGraphics ()\n>>\n>> setpagedevice"}};
constexpr Choice kCMYKInputImage[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileCMYKImage ()\n>>\n>> setpagedevice"}};
constexpr Choice kCMYKInputText[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileCMYKGraphics ()\n>>\n>> setpagedevice"}};
constexpr Choice kGrayInputImage[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileGRAYImage ()\n>>\n>> setpagedevice"}};
constexpr Choice kGrayInputText[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/InputICCProfileGRAYGraphics ()\n>>\n>> setpagedevice"}};
constexpr Choice kPrinterText[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/OutputICCProfileGraphics ()\n>>\n>> setpagedevice"}};
constexpr Choice kPrinterImage[] = {{"None",
    "<< /DeviceRenderingInfo <<\n/Type 41\n/OutputICCProfileImage ()\n>>\n>> setpagedevice"}};

// The installable options send no code; a job's set-up still carries them.
constexpr Choice kTandum[] = {{"False", ""}, {"XA7100", ""}, {"XB7100", ""}};
constexpr Choice kSH[] = {{"False", ""}, {"XC4380", ""}};
constexpr Choice kBY[] = {{"False", ""}, {"XD7100", ""}};
constexpr Choice kLCT[] = {{"False", ""}, {"XE71001", ""}, {"XE7100", ""}, {"XE71002", ""}};
constexpr Choice kBK[] = {{"False", ""}, {"XF7110", ""}};
constexpr Choice kCI[] = {{"False", ""}, {"XG7110", ""}};
constexpr Choice kPU[] = {{"False", ""}, {"XH7100NA", ""}, {"XH7100EU", ""}, {"XH7100SC", ""}};
constexpr Choice kBinder[] = {{"False", ""}, {"XK7100", ""}, {"XJ7100", ""}};
constexpr Choice kSR[] = {{"False", ""},      {"XM7100", ""},  {"XM71001", ""},
                          {"XM71002", ""},    {"XL71001", ""}, {"XL71002", ""}};

constexpr Option kOptions[] = {
    {"OutputBin", 40, "Standard", kOutputBin},
    {"InputSlot", 20, "Tray0", kInputSlot},
    {"Collate", 40, "False", kCollate},
    {"Duplex", 30, "None", kDuplex},
    {"Punch", 45, "None", kPunch, kPunchAny, "2LP"},
    {"Staple", 45, "None", kStaple, kStapleAny, "1LDP"},
    {"RGBInputImage", 50, "None", kRGBInputImage, 0, {}, "InputICCProfileRGBImage"},
    {"RGBInputText", 50, "None", kRGBInputText, 0, {}, "InputICCProfileRGBGraphics"},
    {"CMYKInputImage", 50, "None", kCMYKInputImage, 0, {}, "InputICCProfileCMYKImage"},
    {"CMYKInputText", 50, "None", kCMYKInputText, 0, {}, "InputICCProfileCMYKGraphics"},
    {"GrayInputImage", 50, "None", kGrayInputImage, 0, {}, "InputICCProfileGRAYImage"},
    {"GrayInputText", 50, "None", kGrayInputText, 0, {}, "InputICCProfileGRAYGraphics"},
    {"PrinterText", 50, "None", kPrinterText, 0, {}, "OutputICCProfileGraphics"},
    {"PrinterImage", 50, "None", kPrinterImage, 0, {}, "OutputICCProfileImage"},
    {"Tandum", 0, "False", kTandum},
    {"SH", 0, "False", kSH},
    {"BY", 0, "False", kBY},
    {"LCT", 0, "False", kLCT},
    {"BK", 0, "False", kBK},
    {"CI", 0, "False", kCI},
    {"PU", 0, "False", kPU},
    {"Binder", 0, "False", kBinder},
    {"SR", 0, "False", kSR},
};

struct TrayOfChoice {
  std::string_view choice;
  int tray;
};

// The tray each large capacity tray feeds from, as the PPD's LCT choices name it.
constexpr std::array<TrayOfChoice, 3> kLargeCapacityTrays{{
    {"XE71001", 4}, {"XE7100", 5}, {"XE71002", 6}}};

}  // namespace

std::span<const Option> options() { return kOptions; }

const Option* findOption(std::string_view keyword) {
  for (const Option& option : kOptions) {
    if (option.keyword == keyword) return &option;
  }
  return nullptr;
}

const Choice* findChoice(const Option& option, std::string_view choice) {
  for (const Choice& entry : option.choices) {
    if (entry.keyword == choice) return &entry;
  }
  return nullptr;
}

const Choice* choiceForFinishing(const Option& option, int finishing, bool landscape) {
  if (finishing == 0) return nullptr;
  if (finishing == option.genericFinishing) return findChoice(option, option.genericChoice);
  for (const Choice& entry : option.choices) {
    if (entry.finishing == finishing && entry.landscape == landscape) return &entry;
  }
  return nullptr;
}

std::string profileCode(std::string_view profileKey, std::string_view profileName) {
  return "<< /DeviceRenderingInfo <<\n/Type 41\n/" + std::string(profileKey) + " (" +
         tvx::text::psString(profileName) + ")\n>>\n>> setpagedevice";
}

std::string profileChoiceKeyword(std::string_view profileName) {
  return tvx::text::ppdKeyword(profileName.substr(0, profileName.find(".icc")));
}

std::string trayCode(int tray) {
  return "<< /MediaPosition " + std::to_string(tray) + " >> setpagedevice";
}

int largeCapacityTray(std::string_view lctChoice) {
  for (const TrayOfChoice& entry : kLargeCapacityTrays) {
    if (entry.choice == lctChoice) return entry.tray;
  }
  return 0;
}

std::string mediaSourceOf(int tray, std::string_view lctChoice) {
  if (tray != 0 && tray == largeCapacityTray(lctChoice)) return "large-capacity";
  const Option* slot = findOption("InputSlot");
  const Choice* choice = findChoice(*slot, "Tray" + std::to_string(tray));
  return choice != nullptr ? std::string(choice->ipp) : "tray-" + std::to_string(tray);
}

}  // namespace tvx::jobchoices
