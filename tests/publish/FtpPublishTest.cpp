// velmora-tool publish against vsftpd on loopback: explicit TLS, implicit
// TLS on a port of its own, and plain FTP.
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "tests/publish/TestServers.h"

using namespace velmora::test;

namespace {

enum class Security { Explicit, Implicit, Plain };

class FtpServer {
public:
  // Run as the launching user, vsftpd logs in only anonymously; its list of
  // accepted "e-mail" passwords makes that a login with one password.
  static constexpr const char* kPassword = "ftp-pass-9";
  ServerHome home;
  int port = FreePort();

  explicit FtpServer(Security security) {
    if (std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
                     "subjectAltName=IP:127.0.0.1 -keyout '" + (home.dir / "key.pem").string() + "' -out '" +
                     (home.dir / "cert.pem").string() + "' 2>/dev/null")
                        .c_str()) != 0)
      return;
    std::filesystem::create_directories(home.dir / "empty");
    home.dir.Write("passwords", std::string(kPassword) + "\n");
    std::ofstream conf(home.dir / "vsftpd.conf");
    // Only anonymous logins work when vsftpd runs as the launching user; it may write below its root.
    conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
         << "\nbackground=NO\nrun_as_launching_user=YES\nftp_username=" << home.user
         << "\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
            "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\nanon_umask=022\n"
            "secure_email_list_enable=YES\nemail_password_file=" << (home.dir / "passwords").string()
         << "\nanon_root=" << (home.dir / "www").string() << "\nsecure_chroot_dir=" << (home.dir / "empty").string()
         << "\nseccomp_sandbox=NO\npasv_enable=YES\npasv_address=127.0.0.1\nconnect_from_port_20=NO\n"
            "xferlog_enable=NO\n";
    if (security == Security::Plain) {
      conf << "ssl_enable=NO\n";
    } else {
      conf << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
              "require_ssl_reuse=NO\nrsa_cert_file=" << (home.dir / "cert.pem").string()
           << "\nrsa_private_key_file=" << (home.dir / "key.pem").string() << "\n";
      if (security == Security::Implicit) conf << "implicit_ssl=YES\n";
    }
    conf.close();
    // vsftpd reads only a configuration file its account owns.
    if (!home.Own("vsftpd.conf") || !home.Own("key.pem")) return;
    process_ = std::make_unique<ServerProcess>(
        home, std::vector<std::string>{ServerProgram("vsftpd"), (home.dir / "vsftpd.conf").string()}, port,
        "vsftpd.log");
  }
  bool ready() const { return process_ && process_->ready(); }
  std::string Url(const std::string& scheme) const {
    return scheme + "://anonymous@127.0.0.1:" + std::to_string(port) + "/";
  }
  std::string CaFile() const { return "--ca-file '" + (home.dir / "cert.pem").string() + "'"; }

private:
  std::unique_ptr<ServerProcess> process_;
};

struct FtpPublishFixture : ::testing::Test, PublishRun {
  int Publish(const std::string& url, const std::string& extra, const std::string& password = FtpServer::kPassword) {
    return PublishRun::Publish(url, extra, password);
  }
  static inline std::unique_ptr<FtpServer> explicitTls, implicitTls, plain;

  static void SetUpTestSuite() {
    explicitTls = std::make_unique<FtpServer>(Security::Explicit);
    implicitTls = std::make_unique<FtpServer>(Security::Implicit);
    plain = std::make_unique<FtpServer>(Security::Plain);
  }
  static void TearDownTestSuite() {
    explicitTls.reset();
    implicitTls.reset();
    plain.reset();
  }
  void SetUp() override {
    if (!explicitTls->ready() || !implicitTls->ready() || !plain->ready())
      GTEST_SKIP() << "vsftpd did not start (velmora.sh test unpacks it into the build folder)";
  }
};

}  // namespace

TEST_F(FtpPublishFixture, ExplicitTlsPublishesThenSendsOnlyTheChangedPage) {
  const ServerHome& remote = explicitTls->home;
  const std::string url = explicitTls->Url("ftps");
  ASSERT_EQ(Publish(url, explicitTls->CaFile()), 0) << err;
  EXPECT_EQ(remote.Remote("garden-hose-files/two.svg"), "<svg>2</svg>");
  EXPECT_NE(remote.Remote("garden-hose.htm").find("<img src=\"garden-hose-files/one.svg\">"), std::string::npos);
  ASSERT_EQ(Publish(url, explicitTls->CaFile()), 0) << err;
  EXPECT_NE(out.find("published: 0 sent, 0 deleted"), std::string::npos) << out;

  remote.dir.Write("www/by-hand.txt", "mine");
  WriteProject("Garden Hose", {(work / "pics/one.svg").string()});
  ASSERT_EQ(Publish(url, explicitTls->CaFile()), 0) << err;
  EXPECT_EQ(out.substr(0, out.find("published")), "sent garden-hose.htm\ndeleted garden-hose-files/two.svg\n");
  EXPECT_FALSE(remote.RemoteExists("garden-hose-files/two.svg"));
  EXPECT_EQ(remote.Remote("by-hand.txt"), "mine");
  EXPECT_FALSE(remote.RemoteExists(".garden-hose.htm.velmora-upload"));

  // A wrong password fails with 1 and leaves the server as it was.
  const std::string before = remote.Remote("garden-hose.htm");
  WriteProject("Garden Hose Two", {});
  EXPECT_EQ(Publish(url, explicitTls->CaFile(), "wrong"), 1) << err;
  EXPECT_NE(err.find("Login"), std::string::npos) << "the server's own words: " << err;
  EXPECT_EQ(remote.Remote("garden-hose.htm"), before);
  EXPECT_TRUE(remote.RemoteExists("garden-hose-files/one.svg"));
}

TEST_F(FtpPublishFixture, UntrustedCertificateIsRefusedUntilItsKeyIsAccepted) {
  const std::string url = implicitTls->Url("ftps-implicit");
  ASSERT_EQ(Publish(url, ""), 2) << err;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(err, match, std::regex("sha256//[A-Za-z0-9+/=]+"))) << err;
  EXPECT_FALSE(implicitTls->home.RemoteExists("garden-hose.htm"));
  ASSERT_EQ(Publish(url, "--accept-host-key " + match.str()), 0) << err;
  EXPECT_TRUE(implicitTls->home.RemoteExists("garden-hose.htm"));
  ASSERT_EQ(Publish(url, ""), 0) << err << " (the key stays pinned for the target)";
}

TEST_F(FtpPublishFixture, PlainFtpWarnsAndAnotherProjectsPageNeedsOverwrite) {
  plain->home.dir.Write("www/garden-hose.htm", "<p>someone else's page</p>");
  const std::string url = plain->Url("ftp");
  EXPECT_EQ(Publish(url, ""), 1);
  EXPECT_NE(err.find("unencrypted"), std::string::npos) << err;
  EXPECT_NE(err.find("--overwrite"), std::string::npos) << err;
  EXPECT_EQ(plain->home.Remote("garden-hose.htm"), "<p>someone else's page</p>");
  ASSERT_EQ(Publish(url, "--overwrite"), 0) << err;
  EXPECT_NE(plain->home.Remote("garden-hose.htm").find("<h1>Garden Hose</h1>"), std::string::npos);
}
