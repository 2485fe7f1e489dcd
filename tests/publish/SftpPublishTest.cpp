// velmora-tool publish against OpenSSH's sshd on loopback.
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "tests/publish/TestServers.h"

using namespace velmora::test;

namespace {

struct SftpPublishFixture : ::testing::Test, PublishRun {
  static inline std::unique_ptr<SshServer> server;

  static void SetUpTestSuite() { server = std::make_unique<SshServer>(); }
  static void TearDownTestSuite() { server.reset(); }
  void SetUp() override {
    if (!server->ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
  }
  int Run(const std::string& extra, const std::string& password = "") { return Publish(server->Url(), extra, password); }
  std::string Key() const { return "--identity '" + (server->home.dir / "client_key").string() + "'"; }
  std::string Fingerprint() const {
    std::smatch match;
    return std::regex_search(err, match, std::regex("SHA256:[A-Za-z0-9+/]+")) ? match.str() : "";
  }
};

}  // namespace

TEST_F(SftpPublishFixture, PublishesThenSendsOnlyChangesAndRefusesUntrustedHosts) {
  const ServerHome& remote = server->home;
  // An unknown host: its fingerprint, exit 2, nothing sent.
  ASSERT_EQ(Run(Key()), 2) << err;
  const std::string fingerprint = Fingerprint();
  ASSERT_FALSE(fingerprint.empty()) << err;
  EXPECT_FALSE(remote.RemoteExists("garden-hose.htm"));

  ASSERT_EQ(Run(Key() + " --accept-host-key " + fingerprint), 0) << err;
  EXPECT_NE(out.find("sent garden-hose-files/one.svg\nsent garden-hose-files/two.svg\nsent garden-hose.htm\n"),
            std::string::npos) << out;
  EXPECT_EQ(remote.Remote("garden-hose-files/one.svg"), "<svg>1</svg>");
  const std::string page = remote.Remote("garden-hose.htm");
  EXPECT_NE(page.find("<img src=\"garden-hose-files/two.svg\">"), std::string::npos) << page;
  EXPECT_TRUE(remote.RemoteExists(".velmora-manifest"));

  ASSERT_EQ(Run(Key()), 0) << err;
  EXPECT_NE(out.find("published: 0 sent, 0 deleted"), std::string::npos) << out;

  remote.dir.Write("www/by-hand.txt", "mine");
  WriteProject("Garden Hose", {(work / "pics/one.svg").string()});
  ASSERT_EQ(Run(Key() + " --dry-run"), 0) << err;
  EXPECT_NE(out.find("would send garden-hose.htm\nwould delete garden-hose-files/two.svg\n"), std::string::npos) << out;
  EXPECT_TRUE(remote.RemoteExists("garden-hose-files/two.svg"));
  ASSERT_EQ(Run(Key()), 0) << err;
  EXPECT_EQ(out.substr(0, out.find("published")), "sent garden-hose.htm\ndeleted garden-hose-files/two.svg\n");
  EXPECT_FALSE(remote.RemoteExists("garden-hose-files/two.svg"));
  EXPECT_EQ(remote.Remote("by-hand.txt"), "mine");

  // A wrong password fails with 1 and leaves the server as it was.
  const std::string before = remote.Remote("garden-hose.htm");
  WriteProject("Garden Hose Two", {});
  EXPECT_EQ(Run("", "wrong"), 1) << err;
  EXPECT_EQ(remote.Remote("garden-hose.htm"), before);

  // A changed key is refused.
  work.Write("known", "127.0.0.1:" + std::to_string(server->port) + " SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n");
  EXPECT_EQ(Run(Key()), 2);
  EXPECT_NE(err.find("has changed"), std::string::npos) << err;
}
