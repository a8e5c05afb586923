// The SNMP settings an administrator chooses in the library's configuration
// for the application type "snmpapp": the files snmpapp.conf and
// snmpapp.local.conf in tvx::paths::snmpConfigFolder() ("/etc/snmp"), the
// only configuration folder the library reads (SNMPCONFPATH, ~/.snmp and
// MIB folders are not read). Its persistent folder is
// tvx::paths::snmpPersistentFolder(), not SNMP_PERSISTENT_DIR. Without
// "defVersion 3" there, sessions stay SNMPv2c with the community "vexhol".
//
//   defVersion 3                  3 chooses SNMPv3; 1 and 2c keep SNMPv2c
//   defSecurityName NAME
//   defSecurityLevel LEVEL        noAuthNoPriv, authNoPriv or authPriv; by
//                                 default authPriv when defPrivPassphrase is
//                                 given, else authNoPriv
//   defAuthType TYPE              SHA-224, SHA-256 (default), SHA-384, SHA-512
//   defAuthPassphrase PHRASE      at least 8 characters
//   defPrivType AES               AES (128 bits) is the only privacy protocol
//   defPrivPassphrase PHRASE
#pragma once

#include <string>

#include "bidi/lib/snmpLayer.h"

struct snmp_session;

// Reads the configuration, once per process (later calls return the first
// answer). SNMPCONFPATH, SNMP_PERSISTENT_DIR and SNMP_PERSISTENT_FILE are
// removed from the environment first; run as root, it makes the persistent
// folder (mode 0700). Every file the library reads is checked first: the
// library's own snmp.conf and snmp.local.conf and ours in the configuration
// folder, every ".conf" file in the persistent folder. One that is not a
// regular file of root's, that others may change, that this process cannot
// read (a non-root user and root's 0600 file), or of ours that others may
// read, is refused, as is a folder of the two that others may change, and a
// setting outside the list above: the message names the file and goes to
// the library's log (standard error), and every call returns en_Error (no
// session, never SNMPv2c instead). Else en_Success.
TE_Status snmpLoadConfiguration();

// en_SnmpVersion_V3 when the configuration chose SNMPv3, else en_SnmpVersion_V2.
TE_SnmpVersion snmpConfiguredVersion();

// Fills the SNMPv3 part of `desc` from the configuration: security name
// `user` (the configured one when empty; `user` must outlive the open),
// level, protocols and the keys derived from the pass phrases; a non-empty
// `passPhrase` replaces the configured authentication pass phrase. Returns
// en_Success, en_SecurityAuthKey when a key cannot be derived (a pass phrase
// missing or shorter than 8 characters), or en_Error without security name.
TE_Status snmpSetV3Security(snmp_session& desc, std::string& user, const char* passPhrase);
