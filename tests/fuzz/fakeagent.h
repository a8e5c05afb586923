// A fake SNMPv2c agent for the fuzz targets: a thread that answers the
// requests that arrive on a UDP port of 127.0.0.1 with the bindings that a
// responder gives, encoded in BER like a real agent's answers. The real
// access layer and the real SNMP library talk to it as to a printer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tvx::fuzz {

using Oid = std::vector<std::uint32_t>;

// BER tags of the value types an agent can send.
enum class Tag : std::uint8_t {
  Integer = 0x02,
  OctetString = 0x04,
  Null = 0x05,
  ObjectId = 0x06,
  IpAddress = 0x40,
  Counter32 = 0x41,
  Gauge32 = 0x42,
  TimeTicks = 0x43,
  Opaque = 0x44,
  Counter64 = 0x46,
  UInteger32 = 0x47,
  NoSuchObject = 0x80,
  NoSuchInstance = 0x81,
  EndOfMibView = 0x82,
};

// One binding of an answer. `value` holds the octets of a string or an
// opaque, the number of an integer type (decimal text), or the dotted
// arcs of an object identifier; the types without value ignore it.
struct Binding {
  Oid oid;
  Tag tag = Tag::Null;
  std::string value;
};

// A request as the agent received it.
struct Request {
  std::uint8_t pduType = 0;  // 0xA0 get, 0xA1 get-next, 0xA5 get-bulk
  Oid oid;                   // the first binding's OID
  int maxRepetitions = 0;
};

struct Answer {
  int errorStatus = 0;
  std::vector<Binding> bindings;
};

using Responder = std::function<Answer(const Request&)>;

// Answers get, get-next and get-bulk requests as an agent holding the
// objects of a snmprec file ("oid|type|value" lines, the format of the
// simulated printers; lines of variation modules are left out).
Responder mibResponder(const std::string& snmprecPath);

// The agent's "host:port" peer name, starting the agent on first use.
const std::string& agentAddress();

// Makes `responder` answer the requests from now on (on the agent's thread).
void setResponder(Responder responder);

// Opens an SNMPv2c session with community "vexhol" to the agent through the
// access layer, with a time-out of a fifth of a second and no retries, so
// that an answer the library rejects costs little. Returns its identifier.
unsigned char openAgentSession();

// Dotted text of `oid`, and arcs of dotted text (non-numbers read as 0).
std::string dotted(const Oid& oid);
Oid arcs(const std::string& text);

}  // namespace tvx::fuzz
