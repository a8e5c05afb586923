#include "jobchoices/features.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "mediacatalog/mediacatalog.h"

namespace tvx::jobchoices {

namespace {

constexpr std::string_view kBeginSetup = "%%BeginSetup";
constexpr std::string_view kPage = "%%Page:";
constexpr std::string_view kBeginDocument = "%%BeginDocument";
constexpr std::string_view kEndDocument = "%%EndDocument";

// Where `setup` goes into `job`, and whether the job lacks a set-up section.
struct SetupPlace {
  std::size_t offset;
  bool ownSection;
};

// The end of the line that starts at `start`, past its line feed.
std::size_t lineEnd(std::string_view job, std::size_t start) {
  std::size_t feed = job.find('\n', start);
  return feed == std::string_view::npos ? job.size() : feed + 1;
}

SetupPlace setupPlace(std::string_view job) {
  int embedded = 0;
  for (std::size_t start = 0; start < job.size(); start = lineEnd(job, start)) {
    std::string_view line = job.substr(start);
    if (line.starts_with(kBeginDocument)) {
      ++embedded;
    } else if (line.starts_with(kEndDocument)) {
      embedded = std::max(embedded - 1, 0);
    } else if (embedded == 0 && line.starts_with(kBeginSetup)) {
      return {lineEnd(job, start), false};
    } else if (embedded == 0 && line.starts_with(kPage)) {
      return {start, true};
    }
  }
  return {job.size(), true};
}

}  // namespace

Feature tableFeature(std::string_view option, std::string_view choice) {
  const Option* entry = findOption(option);
  const Choice* chosen = entry != nullptr ? findChoice(*entry, choice) : nullptr;
  if (chosen == nullptr) return {};
  return {std::string(option), std::string(choice), std::string(chosen->code), entry->order};
}

Feature pageSizeFeature(std::string_view key, std::string_view code) {
  return {"PageSize", std::string(key), std::string(code), kPageSizeOrder};
}

std::string mediaDictionary(CMediaCatalog& catalog, const CMedia& media) {
  int size = catalog.GetPSCommand(&media, nullptr);
  if (size <= 0) return {};
  std::string command(static_cast<std::size_t>(size), '\0');
  catalog.GetPSCommand(&media, command.data());
  command.resize(std::strlen(command.c_str()));
  // The end is the last ">>": the colour and type strings before it may
  // hold ">>" themselves.
  std::size_t begin = command.find("<<");
  std::size_t end = command.rfind(">>");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return {};
  return command.substr(begin, end + 2 - begin);
}

Feature profileFeature(std::string_view option, std::string_view profileName) {
  const Option* entry = findOption(option);
  std::string choice = profileChoiceKeyword(profileName);
  if (entry == nullptr || entry->profileKey.empty() || choice.empty()) return {};
  return {std::string(option), std::move(choice), profileCode(entry->profileKey, profileName),
          entry->order};
}

std::string featureBlock(const Feature& feature) {
  std::string block = "[{\n%%BeginFeature: *" + feature.option + " " + feature.choice + "\n";
  block += feature.code;
  if (!feature.code.empty() && !feature.code.ends_with('\n')) block += '\n';
  return block + "%%EndFeature\n} stopped cleartomark\n";
}

std::vector<Feature> jobFeatures(const std::vector<Feature>& chosen) {
  std::vector<Feature> features;
  for (const Option& option : options()) {
    features.push_back(tableFeature(option.keyword, option.defaultChoice));
  }
  for (const Feature& feature : chosen) {
    auto same = std::find_if(features.begin(), features.end(),
                             [&](const Feature& f) { return f.option == feature.option; });
    if (same != features.end()) {
      *same = feature;
    } else {
      features.push_back(feature);
    }
  }
  // CUPS keeps the marked choices sorted by option keyword (strcmp), then
  // orders them by this exchange sort, which is not stable: the same sort
  // gives the same order.
  std::sort(features.begin(), features.end(),
            [](const Feature& a, const Feature& b) { return a.option < b.option; });
  for (std::size_t i = 0; i + 1 < features.size(); ++i) {
    for (std::size_t j = i + 1; j < features.size(); ++j) {
      if (features[i].order > features[j].order) std::swap(features[i], features[j]);
    }
  }
  return features;
}

std::string setupText(const std::vector<Feature>& features) {
  std::string text;
  for (const Feature& feature : features) text += featureBlock(feature);
  return text;
}

std::string withSetup(std::string_view job, std::string_view setup) {
  SetupPlace place = setupPlace(job);
  std::string result(job.substr(0, place.offset));
  if (!result.empty() && !result.ends_with('\n')) result += '\n';
  if (place.ownSection) {
    result += std::string(kBeginSetup) + "\n" + std::string(setup) + "%%EndSetup\n";
  } else {
    result += setup;
  }
  result += job.substr(place.offset);
  return result;
}

}  // namespace tvx::jobchoices
