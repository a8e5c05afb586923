// The two outputs of tavorinex-query: text for a person and JSON for scripts.
#include <string>

#include "bidi/query/JsonWriter.h"
#include "bidi/query/PrinterReport.h"
#include "common/printertext.h"
#include "mediacatalog/mediacatalogutil.h"

namespace tvx::query {

namespace {

std::string points(unsigned long thousandths) {
  return std::to_string(tvx::catalog::sizeInPoints(thousandths));
}

std::string abilities(const MediaEntry& media) {
  std::string list;
  auto add = [&](bool set, const char* word) {
    if (!set) return;
    if (!list.empty()) list += ", ";
    list += word;
  };
  add(media.canDuplex, "duplex");
  add(media.canStaple, "staple");
  add(media.canPunch, "punch");
  return list.empty() ? "none" : list;
}

void appendMedia(std::string& out, const MediaEntry& media) {
  out += "  " + media.name + " (PPD key " + media.ppdKey + ")" +
         (media.readOnly ? ", predefined\n" : "\n");
  out += "    size:        " + sizeInMillimetres(media.width) + " x " + sizeInMillimetres(media.length) +
         " mm, " + points(media.width) + " x " + points(media.length) + " pt\n";
  out += "    type:        " + media.type + "\n";
  out += "    colour:      " + media.color + "\n";
  out += "    weight:      " + std::to_string(media.weight) + "\n";
  out += "    abilities:   " + abilities(media) + "\n";
  if (!media.description.empty()) out += "    description: " + media.description + "\n";
}

void writeSize(JsonWriter& json, unsigned long thousandths) {
  json.beginObject();
  json.key("mm");
  json.rawNumber(sizeInMillimetres(thousandths));
  json.member("pt", static_cast<long long>(tvx::catalog::sizeInPoints(thousandths)));
  json.endObject();
}

void writeMedia(JsonWriter& json, const MediaEntry& media) {
  json.beginObject();
  json.member("name", media.name);
  json.member("ppdKey", media.ppdKey);
  json.member("description", media.description);
  json.key("width");
  writeSize(json, media.width);
  json.key("length");
  writeSize(json, media.length);
  json.member("type", media.type);
  json.member("color", media.color);
  json.member("weight", static_cast<long long>(media.weight));
  json.member("duplex", media.canDuplex);
  json.member("staple", media.canStaple);
  json.member("punch", media.canPunch);
  json.member("predefined", media.readOnly);
  json.endObject();
}

}  // namespace

std::string formatText(const PrinterReport& report) {
  std::string out = "Printer " + report.host + ": " + report.model + "\n";
  out += "\nMedia (" + std::to_string(report.media.size()) + ")\n";
  for (const MediaEntry& media : report.media) appendMedia(out, media);
  out += "\nInput trays (" + std::to_string(report.trays.size()) + ")\n";
  for (const TrayEntry& tray : report.trays) {
    out += "  " + std::to_string(tray.number) + "  " + tray.name + " (" + tray.type + "): " +
           (tray.media.empty() ? "no media" : tray.media) + "\n";
  }
  out += "\nInstallable options\n";
  for (const OptionEntry& option : report.options) {
    out += "  " + option.option + std::string(option.option.size() < 8 ? 8 - option.option.size() : 1, ' ') +
           option.value + "\n";
  }
  out += "\nColour profiles\n";
  for (const ProfileKind& kind : report.profiles) {
    std::string names;
    for (const std::string& name : kind.names) names += (names.empty() ? "" : ", ") + name;
    out += "  " + kind.kind + std::string(8 - kind.kind.size(), ' ') + (names.empty() ? "none" : names) + "\n";
  }
  return tvx::text::terminalText(out);
}

std::string formatJson(const PrinterReport& report) {
  JsonWriter json;
  json.beginObject();
  json.member("host", report.host);
  json.member("model", report.model);
  json.key("media");
  json.beginArray();
  for (const MediaEntry& media : report.media) writeMedia(json, media);
  json.endArray();
  json.key("trays");
  json.beginArray();
  for (const TrayEntry& tray : report.trays) {
    json.beginObject();
    json.member("number", static_cast<long long>(tray.number));
    json.member("name", tray.name);
    json.member("type", tray.type);
    json.member("media", tray.media);
    json.endObject();
  }
  json.endArray();
  json.key("options");
  json.beginObject();
  for (const OptionEntry& option : report.options) {
    json.member(option.option, option.value);
  }
  json.endObject();
  json.key("profiles");
  json.beginObject();
  for (const ProfileKind& kind : report.profiles) {
    json.key(kind.kind);
    json.beginArray();
    for (const std::string& name : kind.names) json.value(name);
    json.endArray();
  }
  json.endObject();
  json.endObject();
  return json.text();
}

}  // namespace tvx::query
