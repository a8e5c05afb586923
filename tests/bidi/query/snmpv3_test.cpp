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
