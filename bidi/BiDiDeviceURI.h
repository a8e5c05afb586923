// The printer's SNMP address from a CUPS queue's device URI, taken apart by
// libcups (httpSeparateURI) as cupsd itself does.
#pragma once

#include <string>
#include <string_view>

namespace tvx::bidi {

struct DevicePeer {
  enum class Kind {
    kNetwork,     // a network printer: `peer` names it
    kNotNetwork,  // a device that is no network printer (usb:, file:, dnssd:, ...)
    kNoAddress,   // a network scheme without a usable printer address
  };
  Kind kind;
  // The SNMP peer, as bidiupdate's HOST takes it: "udp:NAME" for a host name
  // or IPv4 address, "udp6:[ADDRESS]" for an IPv6 address (a zone kept as
  // "%zone"). No port: the printer's SNMP agent listens on 161, whatever
  // port the print protocol uses. Empty unless kind is kNetwork.
  std::string peer;
};

// The SNMP peer of the printer that `uri` names. Network schemes are
// socket, ipp, ipps, http, https and lpd (any letter case). User, password,
// port, path and options ("?waiteof=false") never reach the peer. An IPv6
// zone may be written "%25eth0" (RFC 6874) or "%eth0" as some tools do. A
// host of other characters than letters, digits, ".", "-", "_" (and ":" and
// a zone for IPv6), or one that starts with "-", is no usable address.
DevicePeer snmpPeerOf(std::string_view uri);

}  // namespace tvx::bidi
