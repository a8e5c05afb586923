#include "tests/fuzz/fakeagent.h"

#include <arpa/inet.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "bidi/lib/snmpsession.h"
#include "tests/fuzz/fuzzsupport.h"

namespace tvx::fuzz {

namespace {

using Bytes = std::string;

void putLength(Bytes& out, std::size_t length) {
  if (length < 0x80) {
    out += static_cast<char>(length);
    return;
  }
  Bytes digits;
  for (; length > 0; length >>= 8) digits.insert(digits.begin(), static_cast<char>(length & 0xFF));
  out += static_cast<char>(0x80 | digits.size());
  out += digits;
}

Bytes tlv(std::uint8_t tag, const Bytes& content) {
  Bytes out(1, static_cast<char>(tag));
  putLength(out, content.size());
  return out + content;
}

// Two's complement, shortest form.
Bytes signedContent(long long value) {
  Bytes out;
  for (int i = 0; i < 8; ++i) out.insert(out.begin(), static_cast<char>((value >> (8 * i)) & 0xFF));
  while (out.size() > 1 && ((out[0] == 0 && !(out[1] & 0x80)) || (out[0] == '\xFF' && (out[1] & 0x80)))) {
    out.erase(out.begin());
  }
  return out;
}

Bytes unsignedContent(unsigned long long value) {
  Bytes out;
  do {
    out.insert(out.begin(), static_cast<char>(value & 0xFF));
    value >>= 8;
  } while (value > 0);
  if (out[0] & 0x80) out.insert(out.begin(), '\0');
  return out;
}

void putArc(Bytes& out, std::uint64_t arc) {
  Bytes digits(1, static_cast<char>(arc & 0x7F));
  for (arc >>= 7; arc > 0; arc >>= 7) digits.insert(digits.begin(), static_cast<char>(0x80 | (arc & 0x7F)));
  out += digits;
}

// An OID of at least two arcs whose first two arcs are valid.
Bytes oidContent(Oid oid) {
  while (oid.size() < 2) oid.push_back(0);
  oid[0] = std::min<std::uint32_t>(oid[0], 2);
  if (oid[0] < 2) oid[1] %= 40;
  Bytes out;
  putArc(out, std::uint64_t{oid[0]} * 40 + oid[1]);
  for (std::size_t i = 2; i < oid.size(); ++i) putArc(out, oid[i]);
  return out;
}

template <typename T>
T number(const std::string& text) {
  T value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

Bytes valueTlv(const Binding& binding) {
  const auto tag = static_cast<std::uint8_t>(binding.tag);
  switch (binding.tag) {
    case Tag::Integer: return tlv(tag, signedContent(number<std::int32_t>(binding.value)));
    case Tag::Counter32:
    case Tag::Gauge32:
    case Tag::TimeTicks:
    case Tag::UInteger32: return tlv(tag, unsignedContent(number<std::uint32_t>(binding.value)));
    case Tag::Counter64: return tlv(tag, unsignedContent(number<std::uint64_t>(binding.value)));
    case Tag::OctetString:
    case Tag::Opaque: return tlv(tag, binding.value);
    case Tag::IpAddress: return tlv(tag, (binding.value + Bytes(4, '\0')).substr(0, 4));
    case Tag::ObjectId: return tlv(tag, oidContent(arcs(binding.value)));
    default: return tlv(tag, "");
  }
}

// A minimal BER reader over a received request.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}

  // Enters the next element of `tag`; its content becomes the reader's.
  std::optional<Reader> element(std::uint8_t tag) {
    if (data_.size() < 2 || static_cast<std::uint8_t>(data_[0]) != tag) return std::nullopt;
    std::size_t length = static_cast<std::uint8_t>(data_[1]);
    std::size_t header = 2;
    if (length & 0x80) {
      const std::size_t digits = length & 0x7F;
      if (digits > 4 || data_.size() < 2 + digits) return std::nullopt;
      length = 0;
      for (std::size_t i = 0; i < digits; ++i) length = (length << 8) | static_cast<std::uint8_t>(data_[2 + i]);
      header += digits;
    }
    if (data_.size() - header < length) return std::nullopt;
    Reader inner(data_.substr(header, length));
    data_.remove_prefix(header + length);
    return inner;
  }

  std::uint8_t peekTag() const { return data_.empty() ? 0 : static_cast<std::uint8_t>(data_[0]); }
  std::string_view content() const { return data_; }

  long long integer() const {
    long long value = data_.empty() || !(data_[0] & 0x80) ? 0 : -1;
    for (char c : data_) value = (value << 8) | static_cast<std::uint8_t>(c);
    return value;
  }

  Oid oid() const {
    Oid out;
    std::uint64_t arc = 0;
    for (char c : data_) {
      arc = (arc << 7) | (static_cast<std::uint8_t>(c) & 0x7F);
      if (c & 0x80) continue;
      if (out.empty()) {
        out.push_back(static_cast<std::uint32_t>(arc < 80 ? arc / 40 : 2));
        out.push_back(static_cast<std::uint32_t>(arc < 80 ? arc % 40 : arc - 80));
      } else {
        out.push_back(static_cast<std::uint32_t>(arc));
      }
      arc = 0;
    }
    return out;
  }

 private:
  std::string_view data_;
};

struct Packet {
  long long version = 0;
  Bytes community;
  long long requestId = 0;
  Request request;
};

std::optional<Packet> parse(std::string_view datagram) {
  Packet packet;
  auto message = Reader(datagram).element(0x30);
  if (!message) return std::nullopt;
  auto version = message->element(0x02);
  auto community = message->element(0x04);
  if (!version || !community) return std::nullopt;
  packet.version = version->integer();
  packet.community = Bytes(community->content());
  packet.request.pduType = message->peekTag();
  auto pdu = message->element(packet.request.pduType);
  if (!pdu) return std::nullopt;
  auto id = pdu->element(0x02);
  auto first = pdu->element(0x02);
  auto second = pdu->element(0x02);
  auto list = pdu->element(0x30);
  if (!id || !first || !second || !list) return std::nullopt;
  packet.requestId = id->integer();
  packet.request.maxRepetitions = static_cast<int>(second->integer());
  if (auto binding = list->element(0x30)) {
    if (auto oid = binding->element(0x06)) packet.request.oid = oid->oid();
  }
  return packet;
}

// Room for the bindings in one datagram, as an agent leaves out the
// bindings of a get-bulk answer that would not fit.
constexpr std::size_t kMaxBindingBytes = 60000;

Bytes encode(const Packet& packet, const Answer& answer) {
  Bytes list;
  for (const Binding& binding : answer.bindings) {
    const Bytes encoded = tlv(0x30, tlv(0x06, oidContent(binding.oid)) + valueTlv(binding));
    if (list.size() + encoded.size() > kMaxBindingBytes) break;
    list += encoded;
  }
  const Bytes pdu = tlv(0x02, signedContent(packet.requestId)) + tlv(0x02, signedContent(answer.errorStatus)) +
                    tlv(0x02, signedContent(answer.errorStatus != 0 ? 1 : 0)) + tlv(0x30, list);
  return tlv(0x30, tlv(0x02, signedContent(packet.version)) + tlv(0x04, packet.community) + tlv(0xA2, pdu));
}

class Agent {
 public:
  Agent() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    check(socket_ >= 0 && ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
              ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0,
          "cannot open the fake agent's socket");
    address_ = "udp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    std::thread([this] { serve(); }).detach();
  }

  const std::string& address() const { return address_; }

  void setResponder(Responder responder) {
    const std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
  }

 private:
  void serve() {
    std::string buffer(65536, '\0');
    for (;;) {
      sockaddr_in peer{};
      socklen_t size = sizeof peer;
      const ssize_t got = ::recvfrom(socket_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&peer), &size);
      if (got <= 0) continue;
      const auto packet = parse(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
      if (!packet) continue;
      Answer answer;
      {
        const std::lock_guard lock(mutex_);
        if (responder_) answer = responder_(packet->request);
      }
      const Bytes reply = encode(*packet, answer);
      ::sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&peer), size);
    }
  }

  int socket_ = -1;
  std::string address_;
  std::mutex mutex_;
  Responder responder_;
};

// Lives to the end of the process: its thread never stops.
Agent& agent() {
  static Agent* const instance = new Agent();
  return *instance;
}

std::optional<Tag> snmprecTag(std::string_view type) {
  constexpr std::pair<std::string_view, Tag> kTypes[] = {
      {"2", Tag::Integer},    {"4", Tag::OctetString}, {"4x", Tag::OctetString}, {"5", Tag::Null},
      {"6", Tag::ObjectId},   {"64", Tag::IpAddress},  {"65", Tag::Counter32},   {"66", Tag::Gauge32},
      {"67", Tag::TimeTicks}, {"68", Tag::Opaque},     {"70", Tag::Counter64}};
  for (const auto& [name, tag] : kTypes) {
    if (type == name) return tag;
  }
  return std::nullopt;
}

Bytes fromHex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    unsigned value = 0;
    std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    out += static_cast<char>(value);
  }
  return out;
}

// The value of a snmprec line in the form valueTlv expects.
Bytes snmprecValue(std::string_view type, Tag tag, std::string_view value) {
  if (type == "4x") return fromHex(value);
  if (tag != Tag::IpAddress) return Bytes(value);
  Bytes address;
  for (std::uint32_t part : arcs(Bytes(value))) address += static_cast<char>(part);
  return address;
}

using Mib = std::map<Oid, Binding>;

constexpr int kMibBulkBindings = 16;

Mib loadMib(const std::string& path) {
  Mib mib;
  std::ifstream in(path);
  check(in.good(), "cannot read the snmprec file");
  for (std::string line; std::getline(in, line);) {
    const std::size_t bar1 = line.find('|');
    const std::size_t bar2 = line.find('|', bar1 + 1);
    if (bar1 == std::string::npos || bar2 == std::string::npos) continue;
    const std::string_view type = std::string_view(line).substr(bar1 + 1, bar2 - bar1 - 1);
    const auto tag = snmprecTag(type);
    if (!tag) continue;
    Binding binding{arcs(line.substr(0, bar1)), *tag, snmprecValue(type, *tag, std::string_view(line).substr(bar2 + 1))};
    mib[binding.oid] = binding;
  }
  return mib;
}

Answer answerFromMib(const Mib& mib, const Request& request) {
  Answer answer;
  if (request.pduType == 0xA0) {
    const auto found = mib.find(request.oid);
    answer.bindings.push_back(found != mib.end() ? found->second : Binding{request.oid, Tag::NoSuchObject, {}});
    return answer;
  }
  // Like an agent that keeps its answers small, a get-bulk gets at most
  // kMibBulkBindings bindings; the walk asks again from the last one.
  const int count = request.pduType == 0xA5 ? std::clamp(request.maxRepetitions, 1, kMibBulkBindings) : 1;
  auto next = mib.upper_bound(request.oid);
  for (int i = 0; i < count; ++i, ++next) {
    if (next == mib.end()) {
      answer.bindings.push_back({request.oid, Tag::EndOfMibView, {}});
      break;
    }
    answer.bindings.push_back(next->second);
  }
  return answer;
}

}  // namespace

Responder mibResponder(const std::string& snmprecPath) {
  return [mib = loadMib(snmprecPath)](const Request& request) { return answerFromMib(mib, request); };
}

const std::string& agentAddress() { return agent().address(); }

void setResponder(Responder responder) { agent().setResponder(std::move(responder)); }

unsigned char openAgentSession() {
  testRoot();  // the library reads its configuration, and keeps its state, there
  TT_SessionID id = 0;
  check(snmpSessionOpen(en_SnmpVersion_V2, agentAddress().c_str(), "vexhol", "", &id) == en_Success,
        "cannot open a session to the fake agent");
  TS_SessionElement* session = getSnmpSession(id);
  session->ss->timeout = 200000;
  session->ss->retries = 0;
  return id;
}

std::string dotted(const Oid& oid) {
  std::string text;
  for (std::uint32_t arc : oid) text += (text.empty() ? "" : ".") + std::to_string(arc);
  return text;
}

Oid arcs(const std::string& text) {
  Oid out;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t dot = rest.find('.');
    out.push_back(number<std::uint32_t>(std::string(rest.substr(0, dot))));
    rest.remove_prefix(dot == std::string_view::npos ? rest.size() : dot + 1);
  }
  return out;
}

}  // namespace tvx::fuzz
