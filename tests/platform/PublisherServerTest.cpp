// The reference publisher server (server/) answered through the program's
// own client and news service.
#include <fstream>
#include <gtest/gtest.h>

#include "platform/QtHttpClient.h"
#include "services/NewsService.h"
#include "services/UpdateCheck.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"
#include "tests/platform/LoopbackServers.h"

using namespace velmora;

namespace {

struct PublisherServerFixture : ::testing::Test {
  static inline std::unique_ptr<test::PhpPublisherServer> server;
  QtHttpClient client;
  test::FakeMessages messages;
  NewsService news{client, messages};

  static void SetUpTestSuite() { server = std::make_unique<test::PhpPublisherServer>(); }
  static void TearDownTestSuite() { server.reset(); }
  void SetUp() override {
    if (!server->ready()) GTEST_SKIP() << "the reference server did not start (is php-cli installed?)";
    server->ResetStore();
  }

  NewsTier Tier(const std::string& code = "BM", const std::string& publisher = "demo-publisher") {
    return {"", code, publisher, server->Url("/news")};
  }
  void WriteStore(const std::string& json) { std::ofstream(server->store(), std::ios::binary | std::ios::trunc) << json; }
};

}  // namespace

TEST_F(PublisherServerFixture, ListsTheTiersNewsNewestFirst) {
  std::vector<std::string> list;
  ASSERT_TRUE(news.GetNewsList(Tier(), "VELMORA-DEMO", list));
  EXPECT_EQ(list, (std::vector<std::string>{"3^Holiday promotion kit^2026-12-01",
                                            "2^Three new page templates^2026-11-20",
                                            "1^Welcome to Velmora^2026-11-02"}));
  list.clear();
  ASSERT_TRUE(news.GetNewsList(Tier("BG", "demo-gold"), "VELMORA-DEMO", list));
  EXPECT_EQ(list.size(), 2u) << "item 3 is for Master resellers only";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PublisherServerFixture, LatestNewsIsTheHighestId) {
  const auto latest = news.GetLastNews(Tier(), "VELMORA-DEMO");
  ASSERT_TRUE(latest);
  EXPECT_TRUE(latest->any);
  EXPECT_EQ(latest->id, "3");
  EXPECT_EQ(latest->title, "Holiday promotion kit");
}

TEST_F(PublisherServerFixture, DetailsSurviveDollarsAndNonAsciiBytes) {
  WriteStore(R"({"products":[{"code":"P","publishers":{"BM":["u"]},"news":[
      {"id":7,"title":"Caf\u00e9 ^ news \u00af","date":"d","html":"<p>$5 \u00e9 \u00af OK\r\n</p>"}]}]})");
  const auto text = news.GetNewsDetails(Tier("BM", "u"), "P", "7");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "<p>$5 \xC3\xA9 \xC2\xAF OK\r\n</p>") << "UTF-8 bytes come through unchanged";
  std::vector<std::string> list;
  ASSERT_TRUE(news.GetNewsList(Tier("BM", "u"), "P", list));
  ASSERT_EQ(list.size(), 1u) << "separator bytes in a title must not split it";
  EXPECT_EQ(list[0].substr(0, 7), "7^Caf\xE9 ");
}

TEST_F(PublisherServerFixture, EachFailureWordReachesTheUserAsItsMessage) {
  struct Case {
    NewsTier tier;
    std::string product;
    std::string newsId;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Tier("BM", "stranger"), "VELMORA-DEMO", "1", "There is a trouble with the Publisher Id. Contact your provider."},
      {Tier("BG", "demo-publisher"), "VELMORA-DEMO", "1",
       "There is a trouble with the Publisher Id. Contact your provider."},
      {Tier(), "OTHER-PRODUCT", "1", "There is a trouble with the product validation. Contact your provider."},
      {Tier(), "VELMORA-DEMO", "99", "There is a trouble with this news. Contact your provider."},
  };
  for (const auto& c : cases) {
    messages.shown.clear();
    EXPECT_FALSE(news.GetNewsDetails(c.tier, c.product, c.newsId));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message});
  }
  messages.shown.clear();
  std::vector<std::string> list;
  EXPECT_FALSE(news.GetNewsList(Tier("BP", "demo-publisher"), "VELMORA-DEMO", list));
  EXPECT_EQ(messages.Texts(),
            std::vector<std::string>{"There is a trouble with the Publisher Id. Contact your provider."});
}

TEST_F(PublisherServerFixture, UnreadableStoreIsReportedAsConnectionFail) {
  WriteStore("{ not json");
  std::vector<std::string> list;
  EXPECT_FALSE(news.GetNewsList(Tier(), "VELMORA-DEMO", list));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"There is a trouble in the settings file on the news site."});
}

TEST_F(PublisherServerFixture, EmptyNewsIsOkAlone) {
  WriteStore(R"({"products":[{"code":"P","publishers":{"BM":["u"]},"news":[]}]})");
  std::vector<std::string> list;
  EXPECT_TRUE(news.GetNewsList(Tier("BM", "u"), "P", list));
  EXPECT_TRUE(list.empty());
  const auto latest = news.GetLastNews(Tier("BM", "u"), "P");
  ASSERT_TRUE(latest);
  EXPECT_FALSE(latest->any);
}

TEST_F(PublisherServerFixture, DemoManifestOffersAnUpdate) {
  test::TempDir dir;
  dir.Write(kUpdaterName, "");
  test::FakeShell shell;
  messages.answers = {true, false};
  const UpdateContext context{client, messages, shell, dir.folder(), server->Url("/liveupdate/velmora/")};
  EXPECT_EQ(CheckForUpdates(context, true), UpdateOutcome::Declined);
  ASSERT_FALSE(messages.shown.empty());
  EXPECT_EQ(messages.shown[0].text,
            "There is a new update: (version 2.1) available for your application!. Do you want download this update "
            "now?");
  EXPECT_TRUE(dir.Exists(kManifestName));

  messages.shown.clear();
  const UpdateContext missing{client, messages, shell, dir.folder(), server->Url("/liveupdate/nothing/")};
  EXPECT_EQ(CheckForUpdates(missing, false), UpdateOutcome::ServerUnreachable) << "404 for the manifest";
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kUpdateServerUnreachableMessage});
  EXPECT_FALSE(dir.Exists(kManifestName));
}
