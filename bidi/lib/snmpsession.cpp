#include "bidi/lib/snmpsession.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <memory>
#include <new>
#include <string>

#include "bidi/lib/snmpcolumns.h"
#include "bidi/lib/snmpconfig.h"
#include "common/drvlog.h"

// Per process: a session id names its entry here in every later call.
TS_SessionElement* sessionList = nullptr;

namespace {

constexpr long kTimeoutMicroseconds = 9000000;
constexpr int kRetries = 2;

// Reads the library's configuration (once) and initialises the library;
// false when the configuration was refused.
bool initLibrary() {
  if (snmpLoadConfiguration() != en_Success) return false;
  init_snmp("snmpapp");
  return true;
}

bool identifierInUse(TT_SessionID id) {
  for (TS_SessionElement* e = sessionList; e != nullptr; e = e->next) {
    if (e->ssId == id) return true;
  }
  return false;
}

// Fills the version-specific part of `desc`; the strings must outlive snmp_open.
TE_Status setCredentials(netsnmp_session& desc, TE_SnmpVersion vers, std::string& user,
                         const char* passPhrase) {
  if (vers == en_SnmpVersion_V1 || vers == en_SnmpVersion_V2) {
    desc.version = vers == en_SnmpVersion_V1 ? SNMP_VERSION_1 : SNMP_VERSION_2c;
    desc.community = reinterpret_cast<u_char*>(user.data());
    desc.community_len = user.size();
    return en_Success;
  }
  if (vers != en_SnmpVersion_V3) return en_Error;
  return snmpSetV3Security(desc, user, passPhrase);
}

}  // namespace

TE_Status snmpSessionOpen(TE_SnmpVersion vers, const char* server, const char* userName,
                          const char* passPhrase, TT_SessionID* sessionID) {
  InitLog();
  tvx::log::Scope trace("snmpSessionOpen");
  if (server == nullptr || userName == nullptr || passPhrase == nullptr || sessionID == nullptr) {
    return en_Error;
  }
  if (!initLibrary()) return en_Error;

  netsnmp_session desc;
  snmp_sess_init(&desc);
  std::string peer(server);
  std::string user(userName);
  desc.peername = peer.data();
  desc.timeout = kTimeoutMicroseconds;
  desc.retries = kRetries;
  if (TE_Status st = setCredentials(desc, vers, user, passPhrase); st != en_Success) return st;

  TT_SessionID id = sessionList == nullptr ? 255 : static_cast<TT_SessionID>(sessionList->ssId - 1);
  if (identifierInUse(id)) return en_Error;

  std::unique_ptr<TS_SessionElement> entry(new (std::nothrow) TS_SessionElement{});
  if (!entry) return en_NotEnoughMemory;
  entry->ss = snmp_open(&desc);
  if (entry->ss == nullptr) {
    snmp_sess_perror("ack", &desc);
    return en_Error;
  }
  entry->ssId = id;
  entry->next = sessionList;
  sessionList = entry.release();
  *sessionID = id;
  return en_Success;
}

TE_Status snmpSessionClose(TT_SessionID sessionID) {
  tvx::log::Scope trace("snmpSessionClose");
  for (TS_SessionElement** link = &sessionList; *link != nullptr; link = &(*link)->next) {
    if ((*link)->ssId != sessionID) continue;
    std::unique_ptr<TS_SessionElement> entry(*link);
    *link = entry->next;
    snmp_close(entry->ss);
    snmpForgetColumns(sessionID);
    return en_Success;
  }
  return en_InvalidSession;
}

TS_SessionElement* getSnmpSession(TT_SessionID sessionID) {
  tvx::log::Scope trace("getSnmpSession");
  TS_SessionElement* entry = sessionList;
  while (entry != nullptr && entry->ssId != sessionID) entry = entry->next;
  return entry;
}
