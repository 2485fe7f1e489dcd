#pragma once
// File servers for the publishing tests, unpacked into the build folder and
// started on 127.0.0.1 as an ordinary user (nobody when the tests run as
// root), never as system services. Each stops with its object.

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
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
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/mock/TempDir.h"

namespace velmora::test {

inline std::string ServerProgram(const std::string& name) {
  return std::string(VELMORA_SERVERS_DIR) + "/root/usr/sbin/" + name;
}

inline int FreePort() {
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

inline bool Accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return ok;
}

// The account a server runs as, and the folder it serves from (writable by it).
class ServerHome {
public:
  TempDir dir;
  std::string user;
  uid_t uid = 0;
  gid_t gid = 0;
  bool root = ::getuid() == 0;

  ServerHome() {
    const passwd* account = root ? ::getpwnam("nobody") : ::getpwuid(::getuid());
    if (!account) return;
    user = account->pw_name;
    uid = account->pw_uid;
    gid = account->pw_gid;
    namespace fs = std::filesystem;
    fs::create_directories(dir / "www");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir / "www", fs::perms::all);
  }
  // The server account owns it (some servers insist on that).
  bool Own(const std::string& name) const { return !root || ::chown((dir / name).c_str(), uid, gid) == 0; }
  std::string Remote(const std::string& name) const { return dir.Read("www/" + name); }
  bool RemoteExists(const std::string& name) const { return dir.Exists("www/" + name); }
};

// A server process as the home's account, its errors in `log` in the home.
class ServerProcess {
public:
  ServerProcess(const ServerHome& home, const std::vector<std::string>& argv, int port, const std::string& log) {
    if (!std::filesystem::exists(argv.front())) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open((home.dir / log).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(out, 2);
      if (home.root && (::setgroups(0, nullptr) != 0 || ::setgid(home.gid) != 0 || ::setuid(home.uid) != 0)) ::_exit(127);
      std::vector<char*> args;
      for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    for (int i = 0; i < 100 && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ready_ = Accepts(port);
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  bool ready() const { return ready_; }

private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// OpenSSH's sshd serving SFTP into the home's www/, with a host key and two
// client keys made for it, which log in: client_key has no passphrase,
// locked_key has kKeyPassphrase.
class SshServer {
public:
  static constexpr const char* kKeyPassphrase = "open sesame 7";
  ServerHome home;
  int port = FreePort();

  SshServer() {
    for (const auto& [key, passphrase] : {std::pair<std::string, std::string>{"host_key", ""},
                                          {"client_key", ""}, {"locked_key", kKeyPassphrase}})
      if (std::system(("ssh-keygen -q -t ed25519 -N '" + passphrase + "' -f '" + (home.dir / key).string() + "'")
                          .c_str()) != 0)
        return;
    home.dir.Write("authorized_keys", home.dir.Read("client_key.pub") + home.dir.Read("locked_key.pub"));
    if (!home.Own("host_key")) return;
    std::ofstream(home.dir / "sshd_config") << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey "
                                            << (home.dir / "host_key").string() << "\nPidFile none\nAuthorizedKeysFile "
                                            << (home.dir / "authorized_keys").string()
                                            << "\nStrictModes no\nUsePAM yes\nPasswordAuthentication yes\n"
                                               "Subsystem sftp internal-sftp\nForceCommand internal-sftp -d "
                                            << (home.dir / "www").string() << "\n";
    process_ = std::make_unique<ServerProcess>(
        home, std::vector<std::string>{ServerProgram("sshd"), "-D", "-e", "-f", (home.dir / "sshd_config").string()},
        port, "sshd.log");
  }
  bool ready() const { return process_ && process_->ready(); }
  std::string Url() const {
    return "sftp://" + home.user + "@127.0.0.1:" + std::to_string(port) + (home.dir / "www").string() + "/";
  }

private:
  std::unique_ptr<ServerProcess> process_;
};

// velmora-tool publish of a project in `work`, with its own configuration
// folder. The password comes from the argument alone: the desktop's keyring
// is out of reach unless `keyring` is set.
struct PublishRun {
  TempDir work;
  std::string out, err;
  bool keyring = false;

  PublishRun() {
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
  std::string Command(const std::string& url, const std::string& extra, const std::string& password) const {
    return "env -u VELMORA_PUBLISH_PASSWORD " +
           (password.empty() ? "" : "VELMORA_PUBLISH_PASSWORD='" + password + "' ") +
           (keyring ? "" : "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/velmora-test-bus ") + "XDG_CONFIG_HOME='" +
           (work / "config").string() + "' " + VELMORA_TOOL_PATH + " publish --program-folder '" +
           (work / "prog").string() + "' --project '" + (work / "p.set").string() + "' --to '" + url +
           "' --known-hosts '" + (work / "known").string() + "' " + extra + " >'" + (work / "out").string() +
           "' 2>'" + (work / "err").string() + "'";
  }
  int Publish(const std::string& url, const std::string& extra, const std::string& password = "") {
    const int status = std::system(Command(url, extra, password).c_str());
    out = work.Read("out");
    err = work.Read("err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The same in the background: the tool's process, for a test to stop.
  pid_t Start(const std::string& url, const std::string& extra, const std::string& password = "") const {
    const std::string command = "exec " + Command(url, extra, password);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
};

}  // namespace velmora::test
