#include "bidi/lib/snmpconfig.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "common/paths.h"

namespace {

constexpr const char* kAppType = "snmpapp";

struct AuthType {
  const char* name;
  const char* plainName;
  oid* protocol;
};

const AuthType kAuthTypes[] = {
    {"SHA-224", "SHA224", usmHMAC128SHA224AuthProtocol},
    {"SHA-256", "SHA256", usmHMAC192SHA256AuthProtocol},
    {"SHA-384", "SHA384", usmHMAC256SHA384AuthProtocol},
    {"SHA-512", "SHA512", usmHMAC384SHA512AuthProtocol},
};

struct Settings {
  bool v3 = false;
  std::string securityName;
  std::optional<int> level;
  const AuthType* auth = &kAuthTypes[1];
  std::string authPhrase;
  std::string privPhrase;
  bool invalid = false;
};

// Per process: the configuration is read once (snmpLoadConfiguration) for every session.
Settings settings;

std::string trimmed(const char* line) {
  std::string_view text = line != nullptr ? line : "";
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

bool same(const std::string& value, const char* word) { return strcasecmp(value.c_str(), word) == 0; }

void refuse(const char* token, const std::string& value) {
  config_perror((std::string(token) + " \"" + value + "\" is not supported").c_str());
  settings.invalid = true;
}

void onVersion(const char* token, char* line) {
  std::string value = trimmed(line);
  if (value == "3") {
    settings.v3 = true;
  } else if (value == "1" || same(value, "2c")) {
    settings.v3 = false;
  } else {
    refuse(token, value);
  }
}

void onSecurityName(const char*, char* line) { settings.securityName = trimmed(line); }

void onSecurityLevel(const char* token, char* line) {
  std::string value = trimmed(line);
  if (same(value, "noAuthNoPriv")) {
    settings.level = SNMP_SEC_LEVEL_NOAUTH;
  } else if (same(value, "authNoPriv")) {
    settings.level = SNMP_SEC_LEVEL_AUTHNOPRIV;
  } else if (same(value, "authPriv")) {
    settings.level = SNMP_SEC_LEVEL_AUTHPRIV;
  } else {
    refuse(token, value);
  }
}

void onAuthType(const char* token, char* line) {
  std::string value = trimmed(line);
  for (const AuthType& type : kAuthTypes) {
    if (same(value, type.name) || same(value, type.plainName)) {
      settings.auth = &type;
      return;
    }
  }
  refuse(token, value);
}

void onAuthPassphrase(const char*, char* line) { settings.authPhrase = trimmed(line); }
void onPrivPassphrase(const char*, char* line) { settings.privPhrase = trimmed(line); }

void onPrivType(const char* token, char* line) {
  std::string value = trimmed(line);
  if (!same(value, "AES") && !same(value, "AES128") && !same(value, "AES-128")) refuse(token, value);
}

// The library's own configuration type, whose files it reads beside ours.
constexpr const char* kLibraryType = "snmp";
// Variables through which the library would read files of the caller's
// choosing, or write there.
constexpr const char* kIgnoredVariables[] = {"SNMPCONFPATH", "SNMP_PERSISTENT_DIR", "SNMP_PERSISTENT_FILE"};

bool refused(const std::string& path, const char* why) {
  snmp_log(LOG_ERR, "%s %s: refused.\n", path.c_str(), why);
  return false;
}

// A folder the library reads files from: missing, or root's and writable by
// root alone, so that nobody else can put a file there.
bool folderIsRoots(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return errno == ENOENT || refused(folder, "cannot be searched");
  if (!S_ISDIR(st.st_mode)) return refused(folder, "is not a folder");
  if (st.st_uid != 0 || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return refused(folder, "may be changed by others than root");
  }
  return true;
}

// A file the library reads: missing, or a regular file of root's that only
// root may change and that this process can read (a file it could not read
// would be passed over, and with it the choice of SNMPv3). Files of ours
// hold pass phrases: only root may read them.
bool fileIsUsable(const std::string& path, bool holdsPassPhrases) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || refused(path, "cannot be read");
  if (!S_ISREG(st.st_mode)) return refused(path, "is not a regular file");
  if (holdsPassPhrases && (st.st_uid != 0 || (st.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) != 0)) {
    snmp_log(LOG_ERR,
             "%s may be read by others than root and can hold SNMPv3 pass phrases: refused. "
             "Make it root's with mode 0600 (chown root %s; chmod 600 %s).\n",
             path.c_str(), path.c_str(), path.c_str());
    return false;
  }
  if (st.st_uid != 0 || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return refused(path, "may be changed by others than root");
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    snmp_log(LOG_ERR, "%s cannot be read (%s): refused; run as root.\n", path.c_str(), std::strerror(errno));
    return false;
  }
  ::close(fd);
  return true;
}

// Makes `folder` and `folder`/`inside`, each mode 0700 when it is new.
void makePrivateFolders(const std::string& folder, const char* inside) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), error);
  for (const std::string& path : {folder, folder + "/" + inside}) ::mkdir(path.c_str(), 0700);
}

// Checks every file the library reads: the ".conf" and ".local.conf" files
// of both types in the configuration folder, and every ".conf" file in the
// persistent folder (the library's saved state, with its numbered backups).
bool filesAreUsable(const std::string& folder, const std::string& persistent) {
  bool ok = folderIsRoots(folder) && folderIsRoots(persistent);
  for (const char* type : {kLibraryType, kAppType}) {
    bool ours = std::string_view(type) == kAppType;
    for (const char* suffix : {".conf", ".local.conf"}) {
      ok = fileIsUsable(folder + "/" + type + suffix, ours) && ok;
    }
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(persistent, error)) {
    std::string name = entry.path().filename().string();
    if (name.ends_with(".conf")) ok = fileIsUsable(entry.path().string(), name.starts_with(kAppType)) && ok;
  }
  return ok;
}

TE_Status load() {
  // An empty MIB list keeps the library from loading (and warning about)
  // MIB files: OIDs are numeric.
  static char noMibs[] = "mibs :";
  netsnmp_config_remember(noMibs);
  // Only these folders: not the caller's ~/.snmp, nor those the environment names.
  for (const char* variable : kIgnoredVariables) ::unsetenv(variable);
  std::string folder = tvx::paths::snmpConfigFolder();
  std::string persistent = tvx::paths::snmpPersistentFolder();
  set_configuration_directory(folder.c_str());
  set_persistent_directory(persistent.c_str());
  // Nor is any MIB folder looked at, the caller's ~/.snmp/mibs among them.
  netsnmp_set_mib_directory("");
  // Root makes the persistent folder private, with the certificate index
  // folder that the library would otherwise make there and announce.
  if (::geteuid() == 0) makePrivateFolders(persistent, "cert_indexes");
  if (!filesAreUsable(folder, persistent)) return en_Error;
  register_config_handler(kAppType, "defVersion", onVersion, nullptr, "1|2c|3");
  register_config_handler(kAppType, "defSecurityName", onSecurityName, nullptr, "NAME");
  register_config_handler(kAppType, "defSecurityLevel", onSecurityLevel, nullptr,
                          "noAuthNoPriv|authNoPriv|authPriv");
  register_config_handler(kAppType, "defAuthType", onAuthType, nullptr, "SHA-224|SHA-256|SHA-384|SHA-512");
  register_config_handler(kAppType, "defAuthPassphrase", onAuthPassphrase, nullptr, "PHRASE");
  register_config_handler(kAppType, "defPrivType", onPrivType, nullptr, "AES");
  register_config_handler(kAppType, "defPrivPassphrase", onPrivPassphrase, nullptr, "PHRASE");
  init_snmp(kAppType);
  return settings.invalid ? en_Error : en_Success;
}

// Derives a key from `phrase` into `key` (`length` in: the buffer's size).
bool deriveKey(const std::string& phrase, u_char* key, size_t* length) {
  return generate_Ku(settings.auth->protocol, USM_AUTH_PROTO_SHA_LEN,
                     reinterpret_cast<const u_char*>(phrase.data()), phrase.size(), key,
                     length) == SNMPERR_SUCCESS;
}

}  // namespace

TE_Status snmpLoadConfiguration() {
  static const TE_Status loaded = load();
  return loaded;
}

TE_SnmpVersion snmpConfiguredVersion() { return settings.v3 ? en_SnmpVersion_V3 : en_SnmpVersion_V2; }

TE_Status snmpSetV3Security(snmp_session& desc, std::string& user, const char* passPhrase) {
  if (user.empty()) user = settings.securityName;
  if (user.empty()) {
    snmp_log(LOG_ERR, "SNMPv3 needs a security name (defSecurityName).\n");
    return en_Error;
  }
  desc.version = SNMP_VERSION_3;
  desc.securityName = user.data();
  desc.securityNameLen = user.size();
  desc.securityLevel = settings.level.value_or(settings.privPhrase.empty() ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                                                           : SNMP_SEC_LEVEL_AUTHPRIV);
  if (desc.securityLevel == SNMP_SEC_LEVEL_NOAUTH) return en_Success;

  std::string authPhrase = passPhrase != nullptr && *passPhrase != '\0' ? passPhrase : settings.authPhrase;
  desc.securityAuthProto = settings.auth->protocol;
  desc.securityAuthProtoLen = USM_AUTH_PROTO_SHA_LEN;
  // The library wants the key buffer's whole size and returns the key's length.
  desc.securityAuthKeyLen = sizeof desc.securityAuthKey;
  if (!deriveKey(authPhrase, desc.securityAuthKey, &desc.securityAuthKeyLen)) {
    snmp_log(LOG_ERR, "Error generating Ku from authentication pass phrase. \n");
    return en_SecurityAuthKey;
  }
  if (desc.securityLevel != SNMP_SEC_LEVEL_AUTHPRIV) return en_Success;
  desc.securityPrivProto = usmAESPrivProtocol;
  desc.securityPrivProtoLen = USM_PRIV_PROTO_AES_LEN;
  desc.securityPrivKeyLen = sizeof desc.securityPrivKey;
  if (!deriveKey(settings.privPhrase, desc.securityPrivKey, &desc.securityPrivKeyLen)) {
    snmp_log(LOG_ERR, "Error generating Ku from privacy pass phrase (defPrivPassphrase). \n");
    return en_SecurityAuthKey;
  }
  return en_Success;
}
