// velmora-tool publish against OpenSSH's sshd on loopback.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

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
  // A folder of the test's own on the server, and its address.
  std::string Folder(const std::string& name) const {
    const auto folder = server->home.dir / ("www/" + name);
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    return server->Url() + name + "/";
  }
  // Accepts the host's key as a user would, after seeing it.
  std::string Trusted(const std::string& url) {
    EXPECT_EQ(Publish(url, Key()), 2) << err;
    return " --accept-host-key " + Fingerprint();
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

TEST_F(SftpPublishFixture, AKeyWithAPassphraseLogsInOnlyWithIt) {
  const std::string url = Folder("locked");
  const std::string locked = "--identity '" + (server->home.dir / "locked_key").string() + "'";
  const std::string trusted = Trusted(url);
  EXPECT_EQ(Publish(url, locked + trusted), 1) << "no passphrase: " << err;
  EXPECT_NE(err.find("locked_key"), std::string::npos) << err;
  EXPECT_EQ(Publish(url, locked + trusted, "not it"), 1) << err;
  EXPECT_FALSE(server->home.RemoteExists("locked/garden-hose.htm"));
  ASSERT_EQ(Publish(url, locked + trusted, SshServer::kKeyPassphrase), 0) << err;
  EXPECT_TRUE(server->home.RemoteExists("locked/garden-hose.htm"));
}

TEST_F(SftpPublishFixture, AProcessKilledMidUploadLeavesTheOldPageWholeAndARepublishCompletes) {
  const ServerHome& remote = server->home;
  const std::string url = Folder("killed");
  ASSERT_EQ(Publish(url, Key() + Trusted(url)), 0) << err;
  const std::string old = remote.Remote("killed/garden-hose.htm");

  // Some 36 MiB of page, so that its upload is seen under way.
  const std::string padding(std::size_t{3} << 20, 'x');
  work.Write("prog/Templates/plain.tem", "<h1>%%TITLE%%</h1>%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\"><!--" +
                                             padding + "-->%%TABLE_BANNER_END%%\n");
  WriteProject("Garden Hose", std::vector<std::string>(12, (work / "pics/one.svg").string()));
  const auto partial = remote.dir / "www/killed/.garden-hose.htm.velmora-upload";
  const pid_t tool = Start(url, Key());
  bool underWay = false;
  for (int i = 0; i < 30000 && !underWay; ++i) {
    std::error_code unseen;
    underWay = std::filesystem::file_size(partial, unseen) > 0 && !unseen;
    if (!underWay) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(tool, SIGKILL);
  int status = 0;
  ::waitpid(tool, &status, 0);
  ASSERT_TRUE(underWay && WIFSIGNALED(status)) << "the page's upload was not caught under way";
  EXPECT_EQ(remote.Remote("killed/garden-hose.htm"), old);

  ASSERT_EQ(Publish(url, Key()), 0) << err;
  EXPECT_NE(out.find("sent garden-hose.htm\n"), std::string::npos) << out;
  EXPECT_NE(remote.Remote("killed/garden-hose.htm").find(padding), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(partial));
}
