// The SFTP transport when the network stalls: a proxy between it and sshd
// stops passing bytes in the middle of an upload.
#include "publish/SftpTransport.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "tests/publish/TestServers.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Passes loopback connections on to `target` until paused; paused, it holds
// every byte and keeps the connections open, as a stalled network does.
class StallingProxy {
public:
  std::atomic<bool> paused{false};
  int port = 0;

  explicit StallingProxy(int target) : target_(target) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~StallingProxy() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

private:
  void Serve() {
    std::vector<std::pair<int, int>> pairs;  // client, server
    while (!stop_) {
      std::vector<pollfd> watched{{listener_, POLLIN, 0}};
      if (!paused)
        for (const auto& [client, server] : pairs) {
          watched.push_back({client, POLLIN, 0});
          watched.push_back({server, POLLIN, 0});
        }
      if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
      if (watched[0].revents & POLLIN) {
        const int client = ::accept(listener_, nullptr, nullptr);
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(target_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pairs.emplace_back(client, server);
      }
      for (std::size_t i = 1; i < watched.size(); ++i) {
        if (!(watched[i].revents & (POLLIN | POLLHUP))) continue;
        const auto& pair = pairs[(i - 1) / 2];
        const int to = watched[i].fd == pair.first ? pair.second : pair.first;
        char buffer[65536];
        const ssize_t got = ::read(watched[i].fd, buffer, sizeof buffer);
        if (got > 0) (void)::write(to, buffer, static_cast<std::size_t>(got));
      }
    }
    for (const auto& [client, server] : pairs) {
      ::close(client);
      ::close(server);
    }
  }

  int target_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string Fingerprint(const std::filesystem::path& publicKey) {
  std::string line(256, '\0');
  FILE* listing = ::popen(("ssh-keygen -E sha256 -lf '" + publicKey.string() + "'").c_str(), "r");
  if (!listing) return "";
  const std::size_t got = std::fread(line.data(), 1, line.size(), listing);
  ::pclose(listing);
  line.resize(got);
  const std::size_t start = line.find("SHA256:");
  return start == std::string::npos ? "" : line.substr(start, line.find(' ', start) - start);
}

}  // namespace

TEST(SftpTransport, AnUploadThatStallsFailsAfterTheStallTimeout) {
  SshServer server;
  if (!server.ready()) GTEST_SKIP() << "sshd did not start (velmora.sh test unpacks it into the build folder)";
  StallingProxy proxy(server.port);
  auto target = ParsePublishAddress("sftp://" + server.home.user + "@127.0.0.1:" + std::to_string(proxy.port) +
                                    (server.home.dir / "www").string() + "/");
  ASSERT_TRUE(target) << target.error().message;
  SftpLogin login;
  login.identity = server.home.dir / "client_key";
  login.knownHosts = server.home.dir / "known";
  login.acceptedKey = Fingerprint(server.home.dir / "host_key.pub");
  login.stallSeconds = 2;
  SftpTransport transport(*target, login);
  ASSERT_TRUE(transport.Connect());

  const std::string bytes(std::size_t{16} << 20, 'x');
  auto upload = std::async(std::launch::async, [&] {
    return transport.Upload("stalled.bin", bytes, [&proxy](std::uint64_t) {
      proxy.paused = true;
      return true;
    });
  });
  if (upload.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    proxy.paused = false;  // lets it end, so that the test does
    FAIL() << "the upload still waits on the stalled network after a minute";
  }
  const Result<void> sent = upload.get();
  ASSERT_FALSE(sent) << "the upload ended although the network stalled";
  EXPECT_NE(sent.error().message.find("stalled.bin"), std::string::npos) << sent.error().message;
}
