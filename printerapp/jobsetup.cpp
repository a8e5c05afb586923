#include "printerapp/jobsetup.h"

#include <algorithm>
#include <cstdlib>

#include "jobchoices/features.h"
#include "jobchoices/optioncode.h"
#include "mediacatalog/mediacatalog.h"

namespace tvx::papp {

namespace {

using tvx::jobchoices::Feature;

constexpr int kNoFinishing = 3;

constexpr std::string_view kCopiesMark = "%RBINumCopies: ";

JobSetup refused(std::string why) {
  JobSetup setup;
  setup.refusal = std::move(why);
  return setup;
}

const MediaEntry* entryWhere(const Capabilities& capabilities, const auto& fits) {
  auto found = std::find_if(capabilities.media.begin(), capabilities.media.end(), fits);
  return found != capabilities.media.end() ? &*found : nullptr;
}

// The request in the names the media choice knows: the printer's own
// source, type and media names are its own model's, the choice's are the
// option table's and the catalog's. Returns a refusal, or empty.
std::string translate(const Capabilities& capabilities, std::string_view lctChoice,
                      tvx::jobchoices::MediaRequest& media) {
  if (!media.source.empty() && media.source != "auto") {
    auto tray = capabilities.sourceTrays.find(media.source);
    if (tray == capabilities.sourceTrays.end())
      return "media-source " + media.source + " is not supported";
    media.source = tvx::jobchoices::mediaSourceOf(tray->second, lctChoice);
  }
  auto typed = [&](const MediaEntry& entry) { return entry.type == media.type; };
  if (!media.type.empty() && entryWhere(capabilities, typed) == nullptr)
    return "media-type " + media.type + " is not supported";
  if (media.name.starts_with("om_")) {
    const MediaEntry* own =
        entryWhere(capabilities, [&](const MediaEntry& entry) { return entry.name == media.name; });
    if (own == nullptr) return "media " + media.name + " is not supported";
    media.name = own->key;
  }
  return {};
}

// Whether `entry` has `size`, within half a millimetre as the media choice
// compares sizes (it takes a media asked for by name whatever its size).
bool fitsSize(const MediaEntry& entry, tvx::jobchoices::MediaSize size) {
  constexpr int kTolerance = 50;
  int shorter = std::min(size.x, size.y);
  int longer = std::max(size.x, size.y);
  return std::abs(entry.width - shorter) <= kTolerance &&
         std::abs(entry.length - longer) <= kTolerance;
}

// The media choice of `media`. The catalog's type words give coarser types
// than the printer offers ("stationery-coated" for "stationery-coated-2"):
// a type is met by the media of that type of the printer's own, each asked
// for by its key; the default media first where it would be chosen.
tvx::jobchoices::MediaChoice chooseTyped(const Capabilities& capabilities, CMediaCatalog& catalog,
                                         const std::string& defaultKey, std::string_view lctChoice,
                                         const tvx::jobchoices::MediaRequest& media) {
  auto choose = [&](const tvx::jobchoices::MediaRequest& request) {
    return tvx::jobchoices::chooseMedia(catalog, capabilities.trayMedia, defaultKey, lctChoice,
                                        request);
  };
  if (media.type.empty()) return choose(media);
  std::vector<std::string> keys;
  for (const MediaEntry& entry : capabilities.media) {
    if (entry.type != media.type || (media.size && !fitsSize(entry, *media.size))) continue;
    bool defaultFirst = entry.key == defaultKey && !media.size;
    keys.insert(defaultFirst ? keys.begin() : keys.end(), entry.key);
  }
  for (const std::string& key : keys) {
    tvx::jobchoices::MediaRequest named = media;
    named.type.clear();
    named.name = key;
    tvx::jobchoices::MediaChoice choice = choose(named);
    if (!choice.ppdKey.empty()) return choice;
  }
  // None fits: the choice's own answer, a refusal in the request's words.
  return choose(media);
}

// `refusal` of the translated request `asked` in the names of `original`.
std::string inClientNames(std::string refusal, const tvx::jobchoices::MediaRequest& original,
                          const tvx::jobchoices::MediaRequest& asked) {
  auto rename = [&](const std::string& member, const std::string& from, const std::string& to) {
    std::size_t at = refusal.find(member + " " + from);
    if (from != to && at != std::string::npos)
      refusal.replace(at + member.size() + 1, from.size(), to);
  };
  rename("media-source", asked.source, original.source);
  rename("media", asked.name, original.name);
  return refusal;
}

// The Staple or Punch feature of each finishing; a refusal for one the
// printer does not offer.
std::string addFinishings(const Capabilities& capabilities, const JobRequest& request,
                          std::vector<Feature>& chosen) {
  const std::vector<int>& offered = capabilities.finishings;
  for (int finishing : request.finishings) {
    if (finishing == kNoFinishing) continue;
    Feature feature;
    if (std::find(offered.begin(), offered.end(), finishing) != offered.end()) {
      for (std::string_view keyword : {"Staple", "Punch"}) {
        const tvx::jobchoices::Option* option = tvx::jobchoices::findOption(keyword);
        const tvx::jobchoices::Choice* choice =
            tvx::jobchoices::choiceForFinishing(*option, finishing, request.landscape);
        if (choice != nullptr) feature = tvx::jobchoices::tableFeature(keyword, choice->keyword);
      }
    }
    if (feature.option.empty())
      return "finishings " + std::to_string(finishing) + " is not supported";
    chosen.push_back(std::move(feature));
  }
  return {};
}

std::string addProfiles(const Capabilities& capabilities, const JobRequest& request,
                        std::vector<Feature>& chosen) {
  for (const ProfileOption& option : capabilities.profiles) {
    auto asked = request.profiles.find(option.attribute);
    if (asked == request.profiles.end() || asked->second == "none") continue;
    auto value = std::find(option.values.begin(), option.values.end(), asked->second);
    Feature feature;
    if (value != option.values.end()) {
      feature = tvx::jobchoices::profileFeature(
          profilePPDOption(option.attribute),
          option.profiles[static_cast<std::size_t>(value - option.values.begin())]);
    }
    if (feature.option.empty()) return option.attribute + " " + asked->second + " is not supported";
    chosen.push_back(std::move(feature));
  }
  return {};
}

// What CUPS's PostScript filter writes into the set-up for the copies it
// has the printer make.
std::string copiesCode(int copies) {
  std::string count = std::to_string(copies);
  return "%RBIBeginNonPPDFeature: *NumCopies " + count + "\n" + count +
         "/languagelevel where{pop languagelevel 2 ge}{false}ifelse\n"
         "{1 dict begin/NumCopies exch def currentdict end setpagedevice}\n"
         "{userdict/#copies 3 -1 roll put}ifelse\n"
         "%RBIEndNonPPDFeature\n";
}

}  // namespace

JobSetup jobSetupFor(const Capabilities& capabilities, CMediaCatalog& catalog,
                     std::string_view defaultMedia, const JobRequest& request) {
  auto lct = capabilities.installed.find("LCT");
  std::string lctChoice = lct != capabilities.installed.end() ? lct->second : "False";
  tvx::jobchoices::MediaRequest media = request.media;
  if (std::string why = translate(capabilities, lctChoice, media); !why.empty())
    return refused(why);
  tvx::jobchoices::MediaChoice choice =
      chooseTyped(capabilities, catalog, mediaKeyFor(capabilities, defaultMedia), lctChoice, media);
  if (choice.ppdKey.empty()) return refused(inClientNames(choice.refusal, request.media, media));

  // The page size takes part in the order of the set-up's features; the
  // filter replaces it with the media's set-up on every page.
  const CMedia* record = catalog.GetMediaByPPDKey(choice.ppdKey.c_str());
  std::string dictionary =
      record != nullptr ? tvx::jobchoices::mediaDictionary(catalog, *record) : "";
  std::vector<Feature> chosen{
      tvx::jobchoices::pageSizeFeature(choice.ppdKey, dictionary + " setpagedevice")};
  for (const auto& [option, code] : capabilities.installed) {
    chosen.push_back(tvx::jobchoices::tableFeature(option, code));
  }
  if (choice.tray != 0) {
    const tvx::jobchoices::Option* slot = tvx::jobchoices::findOption("InputSlot");
    chosen.push_back({"InputSlot", "Tray" + std::to_string(choice.tray),
                      tvx::jobchoices::trayCode(choice.tray), slot->order});
  }
  if (std::string why = addFinishings(capabilities, request, chosen); !why.empty())
    return refused(why);
  if (std::string why = addProfiles(capabilities, request, chosen); !why.empty())
    return refused(why);
  // An installed option the table does not know is no choice of the PPD.
  std::erase_if(chosen, [](const Feature& feature) { return feature.option.empty(); });

  JobSetup setup;
  setup.mediaKey = choice.ppdKey;
  setup.copies = std::max(request.copies, 1);
  setup.setup = tvx::jobchoices::setupText(tvx::jobchoices::jobFeatures(chosen));
  if (setup.copies > 1) setup.setup += copiesCode(setup.copies);
  return setup;
}

std::string preparedHead(std::string_view head, const JobSetup& setup) {
  // The mark goes right behind the "%!" line, inside the header comments.
  std::size_t first = 0;
  if (head.starts_with("%!")) {
    std::size_t feed = head.find('\n');
    first = feed == std::string_view::npos ? head.size() : feed + 1;
  }
  std::string marked(head.substr(0, first));
  if (!marked.empty() && !marked.ends_with('\n')) marked += '\n';
  marked += std::string(kCopiesMark) + std::to_string(setup.copies) + "\n";
  marked += head.substr(first);
  return tvx::jobchoices::withSetup(marked, setup.setup);
}

std::optional<std::size_t> headLength(std::string_view job) {
  int embedded = 0;
  for (std::size_t start = 0; start < job.size();) {
    std::string_view line = job.substr(start);
    if (line.starts_with("%%BeginDocument")) {
      ++embedded;
    } else if (line.starts_with("%%EndDocument")) {
      embedded = std::max(embedded - 1, 0);
    } else if (embedded == 0 && line.starts_with("%%Page:")) {
      return start;
    }
    std::size_t feed = job.find('\n', start);
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return std::nullopt;
}

}  // namespace tvx::papp
