// Fuzzes the conversion of SNMP bindings into responses, the table walk's
// end test and the printer readers on top of them, against a fake agent
// that answers every request with the next batch of bindings of the input.
//
// Input: an operation byte, a column byte, then batches. A batch is a head
// byte (250 and above: an agent error status), a binding count and the
// bindings: an OID made relative to the request's OID, a type and a value.
// When the input runs out, the agent answers with the error noSuchName.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "bidi/lib/BiDiColor.h"
#include "bidi/lib/BiDiInput.h"
#include "bidi/lib/BiDiInstall.h"
#include "bidi/lib/BiDiMedia.h"
#include "bidi/lib/BiDiOID.h"
#include "bidi/lib/snmpLayer.h"
#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpcolumns.h"
#include "bidi/lib/snmpget.h"
#include "common/printertext.h"
#include "tests/fuzz/fakeagent.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::Answer;
using tvx::fuzz::Binding;
using tvx::fuzz::check;
using tvx::fuzz::Oid;
using tvx::fuzz::Request;
using tvx::fuzz::Tag;

constexpr const char* kColumns[] = {
    "1.3.6.1.2.1.43.8.2.1.13",        "1.3.6.1.2.1.43.8.2.1.1",      "1.3.6.1.4.1.46739.4.2.2.2.1.2",
    "1.3.6.1.4.1.46739.4.2.3.1.1.3",  "1.3.6.1.2.1.43.30.1.1.2",     "1.3.6.1.2.1.1.1.0",
};

constexpr Tag kTags[] = {Tag::OctetString, Tag::Integer,  Tag::ObjectId,      Tag::Counter32, Tag::Gauge32,
                         Tag::TimeTicks,   Tag::UInteger32, Tag::Counter64,   Tag::IpAddress, Tag::Opaque,
                         Tag::Null,        Tag::NoSuchObject, Tag::NoSuchInstance, Tag::EndOfMibView};

// The input, read byte by byte; zeros once it has run out.
class Script {
 public:
  explicit Script(std::string_view data) : data_(data) {}
  bool empty() const { return data_.empty(); }
  std::uint8_t byte() {
    if (data_.empty()) return 0;
    const auto value = static_cast<std::uint8_t>(data_.front());
    data_.remove_prefix(1);
    return value;
  }
  std::uint32_t word() { return std::uint32_t{byte()} | std::uint32_t{byte()} << 8 | std::uint32_t{byte()} << 16 | std::uint32_t{byte()} << 24; }
  std::string bytes(std::size_t n) {
    const std::string_view taken = data_.substr(0, n);
    data_.remove_prefix(taken.size());
    return std::string(taken);
  }

 private:
  std::string_view data_;
};

// An OID near the request's: inside the column, equal to it, beside it,
// before it, not advancing, or long enough to overflow a 127-character text.
Oid bindingOid(const Oid& base, const Oid& previous, Script& script) {
  Oid oid = base;
  switch (script.byte() % 8) {
    case 0: oid.push_back(script.byte()); break;
    case 1: oid.insert(oid.end(), {script.byte() % 10u, script.byte()}); break;
    case 2: oid = previous; if (!oid.empty()) oid.back() += script.byte() % 3; break;
    case 3: break;
    case 4: if (!oid.empty()) oid.back() = oid.back() * 10 + script.byte() % 10; oid.push_back(1); break;
    case 5: oid.assign(1, 1); for (int n = script.byte() % 16; n > 0; --n) oid.push_back(script.byte()); break;
    case 6: oid.resize(oid.size() - std::min<std::size_t>(oid.size(), 1 + script.byte() % 3)); break;
    default:
      for (int n = script.byte() % static_cast<int>(128 - std::min<std::size_t>(base.size(), 100)); n > 0; --n) {
        const std::uint8_t arc = script.byte();
        oid.push_back(arc & 1 ? arc * 16777216u : arc);
      }
      break;
  }
  return oid;
}

std::string bindingValue(Tag tag, Script& script) {
  switch (tag) {
    case Tag::OctetString:
    case Tag::Opaque: {
      std::size_t length = script.byte();
      if (length == 255) length += std::size_t{script.byte()} * 4;  // up to 1275 octets
      return script.bytes(length);
    }
    case Tag::Integer: return std::to_string(static_cast<std::int32_t>(script.word()));
    case Tag::Counter64: return std::to_string(std::uint64_t{script.word()} << 32 | script.word());
    case Tag::ObjectId: {
      std::string text = "1";
      for (int n = script.byte() % 40; n > 0; --n) text += "." + std::to_string(script.byte());
      return text;
    }
    case Tag::IpAddress: return script.bytes(4);
    default: return std::to_string(script.word());
  }
}

Answer nextBatch(const Request& request, Script& script) {
  if (script.empty()) return {2, {}};
  Answer answer;
  const std::uint8_t head = script.byte();
  if (head >= 250) answer.errorStatus = head - 248;
  Oid previous = request.oid;
  for (int n = script.byte() % 128; n > 0 && !script.empty(); --n) {
    Binding binding;
    binding.oid = bindingOid(request.oid, previous, script);
    binding.tag = kTags[script.byte() % std::size(kTags)];
    binding.value = bindingValue(binding.tag, script);
    previous = binding.oid;
    answer.bindings.push_back(std::move(binding));
  }
  return answer;
}

template <std::size_t N>
bool terminated(const char (&field)[N]) {
  return ::strnlen(field, N) < N;
}

void checkResponse(const TS_SnmpGetResponse& response) {
  check(::strnlen(response.oid, SNMP_OID_TEXT_SIZE) < SNMP_OID_TEXT_SIZE, "a row OID runs past its buffer");
  if (response.type == en_String || response.type == en_Oid) {
    const char* text = static_cast<const char*>(response.res);
    check(response.res_len > 0 && text[response.res_len - 1] == '\0', "a text value is not terminated");
  }
}

// A column walk: rows inside the column, in strictly ascending order.
void walkColumn(const char* column, unsigned char session) {
  TS_SnmpTableResponse table{};
  if (getDataFromTable(&table, column, session) == en_BiDiSuccess) {
    std::string previous = column;
    for (int row = 0; row < table.nrInstance; ++row) {
      checkResponse(*table.dataRes[row]);
      const std::string_view oid = table.dataRes[row]->oid;
      check(oid.find(column) != std::string_view::npos && oid != column, "a row outside the column");
      check(oid != previous, "a row repeated");
      previous = oid;
      getNumberOfInstance(column, table.dataRes[row]->oid);
    }
  }
  freeDataFromTable(&table);
}

// The two-call pattern: a size query, then a fetch into a record of that size.
void getObject(const char* object, unsigned char session) {
  TS_SnmpGetParam* request = nullptr;
  check(snmpAllocParam(&request, SNMP_OID_TEXT_SIZE) == en_Success, "snmpAllocParam");
  request->sessionID = session;
  tvx::text::copyField(request->oid, SNMP_OID_TEXT_SIZE, object);
  TE_Status status = en_Success;
  const int size = snmpGet(request, nullptr, &status);
  if (status == en_Success && size > 0) {
    TS_SnmpGetResponse* response = nullptr;
    check(snmpAllocResponse(&response, size) == en_Success, "snmpAllocResponse");
    const int fetched = snmpGet(request, response, &status);
    check(status == en_Success && fetched == size, "the fetch disagrees with the size query");
    checkResponse(*response);
    snmpFreeResponse(&response);
  }
  snmpFreeParam(&request);
}

// The get-next walk in its counting and filling passes.
void walkByGetNext(const char* column, unsigned char session) {
  TS_SnmpGetParam request{session, const_cast<char*>(column)};
  TS_SnmpTableResponse table{};
  TE_Status status = en_Success;
  const int size = snmpGetTable(&request, &table, &status);
  if (status != en_Success || table.nrInstance <= 0 || size <= 0) return;
  check(snmpAllocTable(&table, 0) == en_Success, "snmpAllocTable");
  for (int row = 0; row < table.nrInstance; ++row) {
    table.dataRes[row] = nullptr;
    check(snmpAllocResponse(&table.dataRes[row], size) == en_Success, "snmpAllocResponse");
  }
  snmpGetTable(&request, &table, &status);
  for (int row = 0; row < table.nrInstance; ++row) snmpFreeResponse(&table.dataRes[row]);
  snmpFreeTable(&table);
}

void readPrinter(int reader, unsigned char session) {
  switch (reader) {
    case 0: {
      PTS_BiDiInput trays = nullptr;
      BiDi_GetInput(session, &trays);
      for (auto* tray = trays; tray != nullptr; tray = tray->next) {
        check(terminated(tray->inputName) && terminated(tray->inputType) && terminated(tray->inputMedia), "tray text");
      }
      BiDi_ClearInput(&trays);
      break;
    }
    case 1: {
      PTS_BiDiMedia media = nullptr;
      BiDi_GetMedia(session, &media);
      for (auto* m = media; m != nullptr; m = m->next) {
        check(terminated(m->name) && terminated(m->description) && terminated(m->type) && terminated(m->color),
              "media text");
      }
      BiDi_ClearMedia(&media);
      break;
    }
    case 2: {
      PTS_BiDiInstallableOption options = nullptr;
      BiDi_GetInstallableOption(session, &options);
      BiDi_ClearInstallableOption(&options);
      break;
    }
    default: {
      PTS_BiDiColorProfile profiles = nullptr;
      BiDi_GetColorProfile_RGB(session, &profiles);
      for (auto* p = profiles; p != nullptr; p = p->next) check(terminated(p->name), "profile name");
      BiDi_ClearColorProfiles(&profiles);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const unsigned char session = tvx::fuzz::openAgentSession();
  Script script(tvx::fuzz::asText(data, size));
  const std::uint8_t operation = script.byte();
  const char* column = kColumns[script.byte() % std::size(kColumns)];
  tvx::fuzz::setResponder([&script](const Request& request) { return nextBatch(request, script); });
  switch (operation % 7) {
    case 0: walkColumn(column, session); break;
    case 1: getObject(column, session); break;
    case 2: walkByGetNext(column, session); break;
    default: readPrinter(operation % 7 - 3, session); break;
  }
  tvx::fuzz::setResponder(nullptr);
  // Answers of several bindings leave all but the fetched one parked, and
  // walked columns are kept, for the rest of the session; one input must not
  // hand them to the next.
  while (cacheList != nullptr) deleteCacheElement(cacheList->input);
  snmpForgetColumns(session);
  return 0;
}
