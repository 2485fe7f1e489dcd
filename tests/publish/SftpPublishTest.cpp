// velmora-tool publish against OpenSSH's sshd, started on loopback as an
// ordinary user (nobody when the tests run as root) from the build folder.
#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "tests/mock/TempDir.h"

namespace fs = std::filesystem;
using velmora::test::TempDir;

namespace {

const std::string kSshd = std::string(VELMORA_SERVERS_DIR) + "/root/usr/sbin/sshd";

int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

bool Accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return ok;
}

class SshServer {
public:
  TempDir dir;
  std::string user;
  int port = 0;

  SshServer() {
    if (!fs::exists(kSshd)) return;
    const bool root = ::getuid() == 0;
    const passwd* account = root ? ::getpwnam("nobody") : ::getpwuid(::getuid());
    if (!account) return;
    user = account->pw_name;
    const uid_t uid = account->pw_uid;
    const gid_t gid = account->pw_gid;
    for (const char* key : {"host_key", "client_key"})
      if (std::system(("ssh-keygen -q -t ed25519 -N '' -f '" + (dir / key).string() + "'").c_str()) != 0) return;
    fs::copy_file(dir / "client_key.pub", dir / "authorized_keys");
    fs::create_directories(dir / "www");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec |
                                    fs::perms::group_read | fs::perms::group_exec);
    fs::permissions(dir / "www", fs::perms::all);
    if (root && ::chown((dir / "host_key").c_str(), uid, gid) != 0) return;
    port = FreePort();
    std::ofstream(dir / "sshd_config") << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << (dir / "host_key").string()
                                       << "\nPidFile none\nAuthorizedKeysFile " << (dir / "authorized_keys").string()
                                       << "\nStrictModes no\nUsePAM yes\nPasswordAuthentication yes\n"
                                          "Subsystem sftp internal-sftp\nForceCommand internal-sftp -d "
                                       << (dir / "www").string() << "\n";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int log = ::open((dir / "sshd.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(log, 2);
      if (root && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)) ::_exit(127);
      ::execl(kSshd.c_str(), kSshd.c_str(), "-D", "-e", "-f", (dir / "sshd_config").c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 100 && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ready_ = Accepts(port);
  }
  ~SshServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return ready_; }
  std::string Url() const { return "sftp://" + user + "@127.0.0.1:" + std::to_string(port) + (dir / "www").string() + "/"; }
  std::string Remote(const std::string& name) const { return dir.Read("www/" + name); }
  bool RemoteExists(const std::string& name) const { return dir.Exists("www/" + name); }

private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

struct SftpPublishFixture : ::testing::Test {
  static inline std::unique_ptr<SshServer> server;
  TempDir work;
  std::string out, err;

  static void SetUpTestSuite() { server = std::make_unique<SshServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  void SetUp() override {
    if (!server->ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
    work.Write("prog/Templates/plain.tem",
               "<h1>%%TITLE%%</h1>%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\">%%TABLE_BANNER_END%%\n");
    work.Write("pics/one.svg", "<svg>1</svg>");
    work.Write("pics/two.svg", "<svg>2</svg>");
    WriteProject("Garden Hose", {(work / "pics/one.svg").string(), (work / "pics/two.svg").string()});
  }
  void WriteProject(const std::string& title, const std::vector<std::string>& banners) {
    std::string joined;
    for (const auto& banner : banners) joined += banner + "$$";
    work.Write("p.set", "<%%AfTitle%%>" + title + "<%%/AfTitle%%>\r\n<%%AfURL%%>https://x.example/<%%/AfURL%%>\r\n"
                        "<%%AfClickBankId%%>me<%%/AfClickBankId%%>\r\n<%%AfTemplate%%>Plain<%%/AfTemplate%%>\r\n"
                        "<%%AfBanners%%>" + joined + "<%%/AfBanners%%>\r\n");
  }
  int Publish(const std::string& extra, const std::string& password = "") {
    const std::string command =
        "env -u VELMORA_PUBLISH_PASSWORD " + (password.empty() ? "" : "VELMORA_PUBLISH_PASSWORD='" + password + "' ") +
        "XDG_CONFIG_HOME='" + (work / "config").string() + "' " + VELMORA_TOOL_PATH + " publish --program-folder '" +
        (work / "prog").string() + "' --project '" + (work / "p.set").string() + "' --to '" + server->Url() +
        "' --known-hosts '" + (work / "known").string() + "' " + extra + " >'" + (work / "out").string() + "' 2>'" +
        (work / "err").string() + "'";
    const int status = std::system(command.c_str());
    out = work.Read("out");
    err = work.Read("err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Key() const { return "--identity '" + (server->dir / "client_key").string() + "'"; }
  std::string Fingerprint() const {
    std::smatch match;
    return std::regex_search(err, match, std::regex("SHA256:[A-Za-z0-9+/]+")) ? match.str() : "";
  }
};

}  // namespace

TEST_F(SftpPublishFixture, PublishesThenSendsOnlyChangesAndRefusesUntrustedHosts) {
  // An unknown host: its fingerprint, exit 2, nothing sent.
  ASSERT_EQ(Publish(Key()), 2) << err;
  const std::string fingerprint = Fingerprint();
  ASSERT_FALSE(fingerprint.empty()) << err;
  EXPECT_FALSE(server->RemoteExists("garden-hose.htm"));

  ASSERT_EQ(Publish(Key() + " --accept-host-key " + fingerprint), 0) << err;
  EXPECT_NE(out.find("sent garden-hose-files/one.svg\nsent garden-hose-files/two.svg\nsent garden-hose.htm\n"),
            std::string::npos) << out;
  EXPECT_EQ(server->Remote("garden-hose-files/one.svg"), "<svg>1</svg>");
  const std::string page = server->Remote("garden-hose.htm");
  EXPECT_NE(page.find("<img src=\"garden-hose-files/two.svg\">"), std::string::npos) << page;
  EXPECT_TRUE(server->RemoteExists(".velmora-manifest"));

  ASSERT_EQ(Publish(Key()), 0) << err;
  EXPECT_NE(out.find("published: 0 sent, 0 deleted"), std::string::npos) << out;

  server->dir.Write("www/by-hand.txt", "mine");
  WriteProject("Garden Hose", {(work / "pics/one.svg").string()});
  ASSERT_EQ(Publish(Key() + " --dry-run"), 0) << err;
  EXPECT_NE(out.find("would send garden-hose.htm\nwould delete garden-hose-files/two.svg\n"), std::string::npos) << out;
  EXPECT_TRUE(server->RemoteExists("garden-hose-files/two.svg"));
  ASSERT_EQ(Publish(Key()), 0) << err;
  EXPECT_EQ(out.substr(0, out.find("published")), "sent garden-hose.htm\ndeleted garden-hose-files/two.svg\n");
  EXPECT_FALSE(server->RemoteExists("garden-hose-files/two.svg"));
  EXPECT_EQ(server->Remote("by-hand.txt"), "mine");

  // A wrong password fails with 1 and leaves the server as it was.
  const std::string before = server->Remote("garden-hose.htm");
  WriteProject("Garden Hose Two", {});
  EXPECT_EQ(Publish("", "wrong"), 1) << err;
  EXPECT_EQ(server->Remote("garden-hose.htm"), before);

  // A changed key is refused.
  work.Write("known", "127.0.0.1:" + std::to_string(server->port) + " SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n");
  EXPECT_EQ(Publish(Key()), 2);
  EXPECT_NE(err.find("has changed"), std::string::npos) << err;
}
