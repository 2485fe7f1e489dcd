// velmora-tool news and update-check against the reference publisher
// server, run by `php -S` on loopback for the length of this suite.
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/BrandFile.h"
#include "crypto/AesLib.h"
#include "services/NewsService.h"
#include "tests/mock/TempDir.h"

extern char** environ;

using namespace velmora;

namespace {

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class NewsCommandTest : public ::testing::Test {
protected:
  static inline pid_t php = 0;
  static inline int port = 0;

  static void SetUpTestSuite() {
    if (std::system("php --version >/dev/null 2>&1") != 0) return;
    port = FreePort();
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const std::string docroot = std::string(VELMORA_SOURCE_DIR) + "/server/public";
    const char* argv[] = {"php", "-S", listen.c_str(), "-t", docroot.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&php, "php", &actions, nullptr, const_cast<char**>(argv), environ) != 0) php = 0;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; php && i < 100 && !Answers(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  static void TearDownTestSuite() {
    if (!php) return;
    kill(php, SIGTERM);
    waitpid(php, nullptr, 0);
    php = 0;
  }

  test::TempDir dir;

  void SetUp() override {
    if (!php || !Answers(port)) GTEST_SKIP() << "php is not installed (apt-get install php-cli)";
    if (Tool("--help").out.find("news ") == std::string::npos) GTEST_SKIP() << "tool built without the news commands";
    WriteBrand("Master", "http://127.0.0.1:" + std::to_string(port) + "/news");
  }

  void WriteBrand(const std::string& type, const std::string& base) {
    const std::string plain = "<%%ApplicationName%%>Demo<%%/ApplicationName%%>\r\n"
                              "<%%BranderCode%%>VELMORA-DEMO<%%/BranderCode%%>\r\n"
                              "<%%BranderType%%>" + type + "<%%/BranderType%%>\r\n"
                              "<%%MasterNewsBaseURL%%>" + base + "<%%/MasterNewsBaseURL%%>\r\n"
                              "<%%MasterPublID%%>demo-publisher<%%/MasterPublID%%>\r\n";
    std::string enciphered;
    ASSERT_EQ(EncipherBytes(plain, enciphered), CipherResult::Ok);
    dir.Write(kBrandFileName, enciphered);
  }

  ToolRun Tool(const std::string& arguments) {
    // The tool's per-user folders stay inside the test's folder.
    const std::string home = "env XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_CACHE_HOME='" +
                             (dir / "cache").string() + "' XDG_DATA_HOME='" + (dir / "data").string() + "' ";
    const std::string command = home + std::string(VELMORA_TOOL_PATH) + " " + arguments + " >" + (dir / "out").string() +
                                " 2>" + (dir / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("out"), dir.Read("err")};
  }
  ToolRun News(const std::string& arguments) { return Tool("news " + arguments + " --program-folder " + dir.path().string()); }
};

}  // namespace

TEST_F(NewsCommandTest, ListAndLatestPrintTheServersItems) {
  const ToolRun list = News("list");
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "3^Holiday promotion kit^2026-12-01\n2^Three new page templates^2026-11-20\n1^Welcome to Velmora^2026-11-02\n");
  const ToolRun latest = News("latest");
  EXPECT_EQ(latest.exitCode, 0);
  EXPECT_EQ(latest.out, "3^Holiday promotion kit\n");
}

TEST_F(NewsCommandTest, DetailsPrintTheTextAndStoreTheIdLikeTheWindow) {
  const ToolRun details = News("details 2");
  EXPECT_EQ(details.exitCode, 0) << details.err;
  EXPECT_NE(details.out.find("Prices start at $19"), std::string::npos) << details.out;
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "2");

  const ToolRun missing = News("details 99");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "There is a trouble with this news. Contact your provider.\n");
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "2") << "a failed request stores nothing";
}

TEST_F(NewsCommandTest, FailuresGoToStderrWithTheWindowsTexts) {
  WriteBrand("Free", "http://127.0.0.1:" + std::to_string(port) + "/news");
  const ToolRun noTier = News("list");
  EXPECT_EQ(noTier.exitCode, 1);
  EXPECT_EQ(noTier.err, "There's no news for this application!\n");

  WriteBrand("Master", "http://127.0.0.1:" + std::to_string(FreePort()) + "/news");
  const ToolRun refused = News("list");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err,
            "There is a trouble accessing the news site. Contact your provider.\n(Connection refused)\n")
      << "one message, and the client's reason";
  EXPECT_EQ(News("latest").exitCode, 1);
}

TEST_F(NewsCommandTest, WrongUsageExitsWithTwo) {
  EXPECT_EQ(News("details").exitCode, 2);
  EXPECT_EQ(News("everything").exitCode, 2);
  EXPECT_EQ(Tool("news list --program-folder").exitCode, 2) << "a folder must follow the option";
}

TEST_F(NewsCommandTest, DetailsRefuseAnIdTheBrandFileMustNotTake) {
  const std::string before = dir.Read(kBrandFileName);
  for (const char* id : {"'9\r\n<%%Welcome2%%>x'", "' 12'", "0x10", "2147483648", "1.5"}) {
    SCOPED_TRACE(id);
    const ToolRun refused = News(std::string("details ") + id);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("news id"), std::string::npos) << refused.err;
    EXPECT_EQ(dir.Read(kBrandFileName), before);
  }
}

TEST_F(NewsCommandTest, UpdateCheckTellsTheVersionAndTheOffer) {
  const ToolRun check = Tool("update-check --program-folder " + dir.path().string() + " --base-url http://127.0.0.1:" +
                         std::to_string(port) + "/liveupdate/velmora/");
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_EQ(check.out, "Version: 2.1\nUpdate offered: yes\n");
  const ToolRun missing = Tool("update-check --program-folder " + dir.path().string() + " --base-url http://127.0.0.1:" +
                           std::to_string(port) + "/liveupdate/none/");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("HTTP 404"), std::string::npos) << "the client's reason reaches the publisher: " << missing.err;
}
