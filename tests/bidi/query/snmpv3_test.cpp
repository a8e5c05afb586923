// SNMPv3 chosen in the test root's snmpapp.conf: bidiupdate and
// tavorinex-query (test builds, as processes) reach a simulated printer over
// authPriv with SHA-256 and AES, fail with 12 on a wrong pass phrase, and
// refuse a configuration that others may read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bidi/BiDiExit.h"
#include "tests/bidi/bidiupdate_run.h"

namespace tvx::test {
namespace {

using namespace tvx::bidi;

const std::string kUser = "tvxadmin";
const std::string kAuthPhrase = "auth phrase of the site";
const std::string kPrivPhrase = "privacy phrase of the site";
const std::string kQueue = "Arc";

const SimPrinter& v3Printer() {
  static SimPrinter printer("full", {kUser, kAuthPhrase, kPrivPhrase});
  return printer;
}

class SnmpV3Test : public BidiupdateTest {
 protected:
  void SetUp() override {
    BidiupdateTest::SetUp();
    installPPD(kQueue, "ppd/TavorinexArcM750XLS.ppd");
  }

  std::string configFile() const { return root_ + "/etc/snmp/snmpapp.conf"; }

  void configure(const std::string& authPhrase, const std::string& extra = "") {
    std::filesystem::create_directories(root_ + "/etc/snmp");
    writeFile(configFile(), "defVersion 3\n"
                            "defSecurityName " + kUser + "\n"
                            "defSecurityLevel authPriv\n"
                            "defAuthType SHA-256\n"
                            "defAuthPassphrase " + authPhrase + "\n"
                            "defPrivType AES\n"
                            "defPrivPassphrase " + kPrivPhrase + "\n" + extra);
    ::chmod(configFile().c_str(), 0600);
  }

  Finished query(const std::vector<std::string>& args) {
    Command command{.argv = {QUERY_PATH}};
    command.argv.insert(command.argv.end(), args.begin(), args.end());
    return run(command);
  }
};

TEST_F(SnmpV3Test, AuthPrivWithSha256AndAesUpdatesAndQueries) {
  ASSERT_TRUE(v3Printer().running());
  configure(kAuthPhrase);
  std::string before = ppdOf(kQueue);
  Finished update = bidiupdate({"-A", kQueue, v3Printer().address()});
  EXPECT_EQ(update.status, kDone) << update.err;
  EXPECT_NE(ppdOf(kQueue), before);
  EXPECT_TRUE(std::filesystem::exists(catalogFile(kQueue)));
  Finished shown = query({v3Printer().address()});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find(": Tavorinex Arc M750XLS\n\nMedia (8)\n"), std::string::npos) << shown.out;
}

// The agent drops requests it cannot authenticate: both programs time out
// (3 tries of 9 s, run side by side) and change nothing.
TEST_F(SnmpV3Test, WrongPassPhraseExits12) {
  ASSERT_TRUE(v3Printer().running());
  configure("not the pass phrase of the site");
  std::string before = ppdOf(kQueue);
  Process update({.argv = {BIDIUPDATE_PATH, "-A", kQueue, v3Printer().address()}});
  ASSERT_TRUE(update.started());
  Finished shown = query({"--json", v3Printer().address()});
  Finished updated = update.wait();
  EXPECT_EQ(updated.status, kQueryFailed) << updated.err;
  EXPECT_EQ(shown.status, kQueryFailed);
  EXPECT_EQ(shown.out, "");
  EXPECT_NE(shown.err.find("printer query failed"), std::string::npos) << shown.err;
  EXPECT_EQ(ppdOf(kQueue), before);
  EXPECT_FALSE(std::filesystem::exists(catalogFile(kQueue)));
}

// Refused before any network traffic: no session, status 12, a message
// that names the file and the cause.
TEST_F(SnmpV3Test, ConfigurationOthersMayReadOrNotUnderstoodIsRefused) {
  ASSERT_TRUE(v3Printer().running());
  std::string before = ppdOf(kQueue);
  for (mode_t mode : {0640, 0604, 0660}) {
    configure(kAuthPhrase);
    ::chmod(configFile().c_str(), mode);
    Finished update = bidiupdate({"-A", kQueue, v3Printer().address()});
    EXPECT_EQ(update.status, kQueryFailed) << mode;
    EXPECT_NE(update.err.find(configFile() + " may be read by others than root"), std::string::npos)
        << update.err;
    Finished shown = query({v3Printer().address()});
    EXPECT_EQ(shown.status, kQueryFailed);
    EXPECT_NE(shown.err.find("may be read by others than root"), std::string::npos) << shown.err;
  }
  configure(kAuthPhrase, "defAuthType MD5\n");
  Finished md5 = query({v3Printer().address()});
  EXPECT_EQ(md5.status, kQueryFailed);
  EXPECT_NE(md5.err.find("defAuthType \"MD5\" is not supported"), std::string::npos) << md5.err;
  EXPECT_EQ(ppdOf(kQueue), before);
}

// The environment names no other configuration: SNMPCONFPATH's folder (with
// a file anyone may change, choosing SNMPv2c) is not read instead of root's
// (whose setting, here one not supported, still stops the run), and
// SNMP_PERSISTENT_DIR gets nothing; the persistent folder is the package's,
// root's with mode 0700.
TEST_F(SnmpV3Test, EnvironmentNamesNoOtherConfigurationOrPersistentFolder) {
  ASSERT_TRUE(v3Printer().running());
  configure(kAuthPhrase, "defAuthType MD5\n");
  std::filesystem::remove_all(root_ + "/var");
  const std::string elsewhere = tmpFolder() + "elsewhere";
  std::filesystem::create_directories(elsewhere + "/conf");
  std::filesystem::create_directories(elsewhere + "/persistent");
  writeFile(elsewhere + "/conf/snmpapp.conf", "defVersion 2c\n");
  ::chmod((elsewhere + "/conf/snmpapp.conf").c_str(), 0666);
  Command command{.argv = {QUERY_PATH, v3Printer().address()},
                  .environment = {"SNMPCONFPATH=" + elsewhere + "/conf",
                                  "SNMP_PERSISTENT_DIR=" + elsewhere + "/persistent",
                                  "SNMP_PERSISTENT_FILE=" + elsewhere + "/conf/snmpapp.conf",
                                  "MIBDIRS=" + elsewhere + "/conf"}};
  Finished shown = run(command);
  EXPECT_EQ(shown.status, kQueryFailed) << shown.out;
  EXPECT_NE(shown.err.find("defAuthType \"MD5\" is not supported"), std::string::npos) << shown.err;
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere + "/persistent"));
  struct stat st {};
  ASSERT_EQ(::stat(snmpPersistentFolder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(st.st_uid, 0u);
}

// The library also reads the ".conf" files of its persistent folder: they
// are checked as the configuration is (root's, not to be changed or, ours,
// read by others), and so is the folder.
TEST_F(SnmpV3Test, PersistentFolderFilesAreChecked) {
  ASSERT_TRUE(v3Printer().running());
  const std::string persistent = snmpPersistentFolder();
  const std::string file = persistent + "/snmpapp.conf";
  writeFile(file, "defVersion 2c\n");
  ::chmod(file.c_str(), 0666);
  Finished shown = query({v3Printer().address()});
  EXPECT_EQ(shown.status, kQueryFailed);
  EXPECT_NE(shown.err.find(file + " may be read by others than root"), std::string::npos) << shown.err;
  ::chmod(file.c_str(), 0600);
  EXPECT_EQ(query({v3Printer().address()}).status, 0);
  ::chmod(persistent.c_str(), 0777);
  Finished open = query({v3Printer().address()});
  EXPECT_EQ(open.status, kQueryFailed);
  EXPECT_NE(open.err.find(persistent + " may be changed by others than root: refused"), std::string::npos)
      << open.err;
}

// A user who cannot read root's 0600 configuration is stopped with a
// message that names it, rather than asking over SNMPv2c (which this
// printer would answer) in clear text.
TEST_F(SnmpV3Test, ConfigurationTheUserCannotReadStopsTheRun) {
  ASSERT_TRUE(v3Printer().running());
  configure(kAuthPhrase);
  // The user reaches the test root and a copy of the program, not the file.
  for (const std::string& folder : {root_, root_ + "/etc", root_ + "/etc/snmp"}) ::chmod(folder.c_str(), 0755);
  const std::string program = root_ + "/tavorinex-query";
  std::filesystem::copy_file(QUERY_PATH, program);
  ::chmod(program.c_str(), 0755);
  Finished shown = run({.argv = {program, v3Printer().address()}, .user = "nobody"});
  EXPECT_EQ(shown.status, kQueryFailed) << shown.out;
  EXPECT_EQ(shown.out, "");
  EXPECT_NE(shown.err.find(configFile() + " cannot be read (Permission denied): refused"), std::string::npos)
      << shown.err;
}

// Without defVersion 3 the same printer is asked over SNMPv2c, as before.
TEST_F(SnmpV3Test, WithoutVersion3TheCommunityIsUsed) {
  ASSERT_TRUE(v3Printer().running());
  std::filesystem::create_directories(root_ + "/etc/snmp");
  writeFile(configFile(), "defVersion 2c\ndefAuthPassphrase not the pass phrase of the site\n");
  ::chmod(configFile().c_str(), 0600);
  EXPECT_EQ(query({v3Printer().address()}).status, 0);
}

}  // namespace
}  // namespace tvx::test
