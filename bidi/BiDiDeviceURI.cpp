#include "bidi/BiDiDeviceURI.h"

#include <cups/http.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace tvx::bidi {

namespace {

using Kind = DevicePeer::Kind;

constexpr std::array<const char*, 6> kNetworkSchemes = {"socket", "ipp", "ipps", "http", "https", "lpd"};

struct Parts {
  http_uri_status_t status;
  std::string scheme;
  std::string host;
};

Parts separate(const std::string& uri) {
  char scheme[HTTP_MAX_URI];
  char user[HTTP_MAX_URI];
  char host[HTTP_MAX_URI];
  char resource[HTTP_MAX_URI];
  int port = 0;
  http_uri_status_t status = httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user,
                                             sizeof user, host, sizeof host, &port, resource, sizeof resource);
  return {status, scheme, host};
}

// "[fe80::1%eth0]" written with a bare "%" before the zone, as tools other
// than CUPS write it: the same URI with "%25eth0", which httpSeparateURI
// takes; nullopt when the URI has no such bracket.
std::optional<std::string> withEncodedZone(const std::string& uri) {
  std::size_t open = uri.find("://[");
  if (open == std::string::npos) return std::nullopt;
  std::size_t close = uri.find(']', open);
  std::size_t percent = uri.find('%', open);
  if (close == std::string::npos || percent == std::string::npos || percent > close ||
      uri.compare(percent, 3, "%25") == 0) {
    return std::nullopt;
  }
  return uri.substr(0, percent) + "%25" + uri.substr(percent + 1);
}

bool isNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}

// A host name or IPv4 address, or an IPv6 address with an optional zone.
bool isUsableHost(const std::string& host) {
  if (host.empty() || host.front() == '-') return false;
  if (host.find(':') == std::string::npos) return std::all_of(host.begin(), host.end(), isNameCharacter);
  std::size_t zone = host.find('%');
  std::string address = host.substr(0, zone);
  bool addressOk = std::all_of(address.begin(), address.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
  });
  if (zone == std::string::npos) return addressOk;
  std::string name = host.substr(zone + 1);
  return addressOk && !name.empty() && std::all_of(name.begin(), name.end(), isNameCharacter);
}

}  // namespace

DevicePeer snmpPeerOf(std::string_view text) {
  std::string uri(text);
  Parts parts = separate(uri);
  if (parts.status == HTTP_URI_STATUS_BAD_HOSTNAME) {
    if (std::optional<std::string> encoded = withEncodedZone(uri)) parts = separate(*encoded);
  }
  bool network = std::any_of(kNetworkSchemes.begin(), kNetworkSchemes.end(), [&](const char* scheme) {
    return ::strcasecmp(parts.scheme.c_str(), scheme) == 0;
  });
  if (!network) {
    // A URI that names no scheme at all is no device of any kind either.
    return {parts.scheme.empty() ? Kind::kNoAddress : Kind::kNotNetwork, {}};
  }
  if (parts.status < HTTP_URI_STATUS_OK || !isUsableHost(parts.host)) return {Kind::kNoAddress, {}};
  if (parts.host.find(':') != std::string::npos) return {Kind::kNetwork, "udp6:[" + parts.host + "]"};
  return {Kind::kNetwork, "udp:" + parts.host};
}

}  // namespace tvx::bidi
