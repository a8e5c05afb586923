// The PostScript code of the model PPD's options, in one table.
//
// Every option of the model PPD but the page sizes (which follow the
// catalog) with its choices and each choice's code, byte for byte as the PPD
// has it between the quotes, and the IPP value a choice answers where IPP
// has one. What does not reach the PPD from here (the page sizes, the
// printer's colour profiles, the trays a printer lacks) is made by the
// functions below, which bidiupdate writes the PPD with.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tvx::jobchoices {

// The IPP "finishings" values of the printer's staple and punch patterns.
inline constexpr int kFinishingNone = 3;
inline constexpr int kStapleAny = 4;
inline constexpr int kPunchAny = 5;
inline constexpr int kStapleTopLeft = 20;
inline constexpr int kStapleDualLeft = 28;
inline constexpr int kStapleDualTop = 29;
inline constexpr int kPunchDualLeft = 74;
inline constexpr int kPunchDualTop = 75;
inline constexpr int kPunchTripleLeft = 78;
inline constexpr int kPunchTripleTop = 79;
inline constexpr int kPunchQuadLeft = 82;
inline constexpr int kPunchQuadTop = 83;

// A choice of an option.
struct Choice {
  std::string_view keyword;
  std::string_view code;
  // The IPP "finishings" value that selects this choice (0 for none).
  int finishing = 0;
  // Whether the choice is the landscape twin of a pattern: it answers its
  // finishing only for a job printed in landscape.
  bool landscape = false;
  // The IPP keyword of the choice: "media-source" for input trays, "sides"
  // for duplex; empty for none.
  std::string_view ipp = {};
};

// An option of the PPD.
struct Option {
  std::string_view keyword;
  // Its "*OrderDependency" (section AnySetup); 0 when the PPD gives none.
  double order = 0;
  std::string_view defaultChoice;
  std::span<const Choice> choices;
  // The generic IPP finishing ("staple", "punch") and the choice it selects.
  int genericFinishing = 0;
  std::string_view genericChoice = {};
  // The key of a colour profile option inside "/DeviceRenderingInfo".
  std::string_view profileKey = {};
};

// The page size option's "*OrderDependency"; its choices are the catalog's.
inline constexpr double kPageSizeOrder = 10;

// Every option of the table, in the PPD's order.
std::span<const Option> options();

// The option of `keyword`, or of `choice` in it; null when the table has none.
const Option* findOption(std::string_view keyword);
const Choice* findChoice(const Option& option, std::string_view choice);

// The choice that IPP finishing `finishing` selects in `option` for a job
// in landscape or not (the generic value selects the option's generic
// choice whatever the orientation); null when none does.
const Choice* choiceForFinishing(const Option& option, int finishing, bool landscape);

// The code of a colour profile choice of the option whose profileKey is
// `profileKey`, for profile `profileName` (any text: it is written as a
// PostScript string). With an empty name, the code of the choice "None".
std::string profileCode(std::string_view profileKey, std::string_view profileName);

// The choice keyword of profile `profileName`: the name up to its first
// ".icc", in PPD keyword characters only; may be empty.
std::string profileChoiceKeyword(std::string_view profileName);

// The code of the choice "Tray<tray>" of InputSlot for a numbered tray (1 and
// up), as bidiupdate writes the trays the printer reports.
std::string trayCode(int tray);

// The tray that the large capacity tray `lctChoice` (a choice of LCT) feeds
// from, and the bypass tray's: the trays IPP calls "large-capacity" and
// "by-pass-tray". 0 for "False" or an unknown choice.
int largeCapacityTray(std::string_view lctChoice);
inline constexpr int kBypassTray = 7;

// The IPP "media-source" of tray `tray` (0 automatic) when the large
// capacity tray installed is `lctChoice`.
std::string mediaSourceOf(int tray, std::string_view lctChoice);

}  // namespace tvx::jobchoices
