#include "publish/Publisher.h"

#include <gtest/gtest.h>

#include "publish/PublishTarget.h"

using namespace velmora;

namespace {

// A server in memory that can be told to fail.
class FakeServer final : public PublishTransport {
public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;  // "put x", "mv x y", "rm x"
  int failingUploads = 0;        // the next uploads fail with the server's words
  int truncatingUploads = 0;     // the next uploads keep only half the bytes
  std::function<void()> duringUpload;

  Result<void> Connect() override { return {}; }
  Result<std::optional<std::string>> Read(const std::string& path, std::size_t) override {
    const auto it = files.find(path);
    if (it == files.end()) return std::optional<std::string>();
    return std::optional<std::string>(it->second);
  }
  Result<void> Upload(const std::string& path, std::string_view bytes, const UploadProgress& progress) override {
    log.push_back("put " + path);
    if (duringUpload) duringUpload();
    if (failingUploads > 0) {
      --failingUploads;
      files[path] = std::string(bytes.substr(0, bytes.size() / 2));
      return Error{ErrorKind::Unreadable, "552 Disk full"};
    }
    if (!progress(bytes.size())) {
      files[path] = "";
      return Error{ErrorKind::Unreadable, "stopped"};
    }
    files[path] = std::string(truncatingUploads > 0 ? bytes.substr(0, bytes.size() / 2) : bytes);
    if (truncatingUploads > 0) --truncatingUploads;
    return {};
  }
  Result<std::uint64_t> SizeOf(const std::string& path) override { return std::uint64_t{files.at(path).size()}; }
  Result<void> Rename(const std::string& from, const std::string& to) override {
    log.push_back("mv " + from + " " + to);
    files[to] = files.at(from);
    files.erase(from);
    return {};
  }
  Result<void> Remove(const std::string& path) override {
    log.push_back("rm " + path);
    files.erase(path);
    return {};
  }
  Result<void> MakeFolder(const std::string&) override { return {}; }
};

struct PublishFixture : ::testing::Test {
  FakeServer server;
  std::vector<PublishFile> files{{"offer-files/a.png", "AAAA"}, {"offer-files/b.png", "BBBB"}, {"offer.htm", "<p>1</p>"}};
  std::vector<std::string> steps;
  std::vector<std::string> progress;  // "n/m path sent/total"

  Result<PublishSummary> Run(bool dryRun = false) {
    server.log.clear();
    PublishOptions options;
    options.dryRun = dryRun;
    options.stepDone = [this](const PublishStep& step) {
      steps.push_back((step.what == PublishStep::What::Sent ? "sent " : "deleted ") + step.path);
    };
    options.progress = [this](const PublishProgress& now) {
      progress.push_back(std::to_string(now.index) + "/" + std::to_string(now.count) + " " + now.path + " " +
                         std::to_string(now.sent) + "/" + std::to_string(now.total));
    };
    return Publish(server, files, options);
  }
};

}  // namespace

TEST_F(PublishFixture, FirstPublishSendsEverythingUnderTemporaryNamesAndTheManifestLast) {
  ASSERT_TRUE(Run());
  EXPECT_EQ(server.files.at("offer.htm"), "<p>1</p>");
  EXPECT_EQ(server.files.at("offer-files/a.png"), "AAAA");
  EXPECT_EQ(server.log.front(), "put offer-files/.a.png.velmora-upload");
  EXPECT_EQ(server.log[1], "mv offer-files/.a.png.velmora-upload offer-files/a.png");
  EXPECT_EQ(server.log.back(), "mv ..velmora-manifest.velmora-upload .velmora-manifest");
  EXPECT_EQ(steps, (std::vector<std::string>{"sent offer-files/a.png", "sent offer-files/b.png", "sent offer.htm"}));
  const auto manifest = ParseManifest(server.files.at(".velmora-manifest"));
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->at("offer.htm"), Sha256Hex("<p>1</p>"));
  EXPECT_EQ(server.files.size(), 4u) << "no temporary file is left";
  EXPECT_EQ(progress, (std::vector<std::string>{"1/3 offer-files/a.png 4/16", "2/3 offer-files/b.png 8/16",
                                                "3/3 offer.htm 16/16"}))
      << "file n of m and the bytes, the manifest not counted";
}

TEST_F(PublishFixture, RepublishSendsOnlyWhatChangedAndDeletesOnlyWhatItHadListed) {
  server.files["by-hand.txt"] = "placed on the server by hand";
  ASSERT_TRUE(Run());
  const auto unchanged = Run();
  ASSERT_TRUE(unchanged);
  EXPECT_TRUE(unchanged->plan.send.empty());
  EXPECT_TRUE(server.log.empty()) << "nothing written when nothing changed";

  files = {{"offer-files/a.png", "AAAA"}, {"offer.htm", "<p>2</p>"}};
  const auto dry = Run(true);
  ASSERT_TRUE(dry);
  EXPECT_EQ(dry->plan.send, std::vector<std::string>{"offer.htm"});
  EXPECT_EQ(dry->plan.remove, std::vector<std::string>{"offer-files/b.png"});
  EXPECT_TRUE(server.log.empty()) << "a dry run changes nothing";

  steps.clear();
  ASSERT_TRUE(Run());
  EXPECT_EQ(steps, (std::vector<std::string>{"sent offer.htm", "deleted offer-files/b.png"}));
  EXPECT_FALSE(server.files.count("offer-files/b.png"));
  EXPECT_EQ(server.files.at("by-hand.txt"), "placed on the server by hand");
}

TEST_F(PublishFixture, FailuresAreRetriedThenNameTheFileAndKeepTheOldPage) {
  ASSERT_TRUE(Run());
  files.back().bytes = "<p>new</p>";
  server.failingUploads = 2;
  server.truncatingUploads = 0;
  ASSERT_TRUE(Run()) << "two failures, then the third attempt";
  EXPECT_EQ(server.files.at("offer.htm"), "<p>new</p>");

  files.back().bytes = "<p>newer</p>";
  server.failingUploads = 3;
  const auto failed = Run();
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().message, "Cannot send offer.htm: 552 Disk full");
  EXPECT_EQ(server.files.at("offer.htm"), "<p>new</p>");
  EXPECT_FALSE(server.files.count(".offer.htm.velmora-upload"));

  server.truncatingUploads = 3;
  const auto truncated = Run();
  ASSERT_FALSE(truncated);
  EXPECT_NE(truncated.error().message.find("the server holds 6 of its 12 bytes"), std::string::npos);
  EXPECT_EQ(server.files.at("offer.htm"), "<p>new</p>");
}

TEST_F(PublishFixture, CancelLeavesThePreviousPageWhole) {
  ASSERT_TRUE(Run());
  files.back().bytes = "<p>new</p>";
  bool cancel = false;
  server.duringUpload = [&cancel] { cancel = true; };
  PublishOptions options;
  options.cancelled = [&cancel] { return cancel; };
  const auto result = Publish(server, files, options);
  ASSERT_FALSE(result);
  EXPECT_EQ(server.files.at("offer.htm"), "<p>1</p>");
  EXPECT_FALSE(server.files.count(".offer.htm.velmora-upload"));
}

TEST(Manifest, ForeignOrHostileManifestsDeleteNothing) {
  const std::string hash(64, 'a');
  for (const std::string& text : std::vector<std::string>{"something else\n", "velmora-manifest 1\n" + hash + "  ../etc/passwd\n",
        "velmora-manifest 1\n" + hash + "  /etc/passwd\n", "velmora-manifest 1\n" + hash + "  a//b\n",
        "velmora-manifest 1\n" + hash + "  .velmora-manifest\n", "velmora-manifest 1\nshort  a\n"})
    EXPECT_FALSE(ParseManifest(text)) << text;
  const Manifest manifest{{"a b/c.png", hash}, {"index.htm", std::string(64, '0')}};
  EXPECT_EQ(ParseManifest(ManifestText(manifest)).value(), manifest);
}

TEST(PublishAddress, ParsesTheFourProtocols) {
  struct Case {
    std::string address;
    PublishProtocol protocol;
    std::string user, host;
    int port;
    std::string folder;
  };
  const Case cases[] = {
      {"sftp://ann@example.com/var/www/", PublishProtocol::Sftp, "ann", "example.com", 22, "/var/www/"},
      {"sftp://ann@127.0.0.1:2222/~/site", PublishProtocol::Sftp, "ann", "127.0.0.1", 2222, "site/"},
      {"ftps://me%40isp@ftp.example.com", PublishProtocol::Ftps, "me@isp", "ftp.example.com", 21, ""},
      {"ftps-implicit://u@[::1]/htdocs/", PublishProtocol::FtpsImplicit, "u", "::1", 990, "/htdocs/"},
      {"FTP://u@h:2121/a%20b/", PublishProtocol::Ftp, "u", "h", 2121, "/a b/"},
  };
  for (const auto& c : cases) {
    const auto target = ParsePublishAddress(c.address);
    ASSERT_TRUE(target) << c.address << ": " << target.error().message;
    EXPECT_EQ(target->protocol, c.protocol) << c.address;
    EXPECT_EQ(target->user, c.user) << c.address;
    EXPECT_EQ(target->host, c.host) << c.address;
    EXPECT_EQ(target->port, c.port) << c.address;
    EXPECT_EQ(target->folder, c.folder) << c.address;
    EXPECT_EQ(ParsePublishAddress(PublishAddressOf(*target))->folder, c.folder) << c.address;
  }
  for (const std::string& bad : std::vector<std::string>{"http://u@h/", "sftp://h/", "sftp://u:secret@h/", "sftp://u@h:0/", "sftp://u@h:99999/",
                                "sftp://u@/x", "sftp://u@h/a/../b", "sftp://u@h/%0a", "sftp://u@h;rm/"})
    EXPECT_FALSE(ParsePublishAddress(bad)) << bad;
}

TEST(PublishTargets, RoundTripThroughTheProjectLineWithTheirKeyFiles) {
  auto staging = ParsePublishAddress("sftp://ann@example.com/www/").value();
  staging.name = "staging ^$$";
  staging.publicAddress = "https://example.com/offer.htm";
  staging.identity = "/home/ann/.ssh/id_ed25519";
  auto production = ParsePublishAddress("ftps://bob@ftp.example.com/").value();
  production.name = "production";
  const std::vector<PublishTarget> targets{staging, production};
  EXPECT_EQ(TargetsFromText(TargetsText(targets)), targets);
  EXPECT_EQ(TargetsText({production}), "^ftps%3A%2F%2Fbob%40ftp.example.com%2F~%2F^production^^")
      << "without a key file, the line is as older copies wrote it";
  EXPECT_EQ(TargetsFromText(TargetsText({staging}) + "a later field^").at(0).identity, staging.identity)
      << "fields after the known ones are skipped";
}
