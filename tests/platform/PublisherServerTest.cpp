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
  std::optional<std::vector<std::string>> List(const NewsTier& tier, const std::string& product) {
    return Reply<std::vector<std::string>>([&](auto done) { news.GetNewsList(tier, product, done); });
  }
  std::optional<LatestNews> Latest(const NewsTier& tier, const std::string& product) {
    return Reply<LatestNews>([&](auto done) { news.GetLastNews(tier, product, done); });
  }
  std::optional<std::string> Details(const NewsTier& tier, const std::string& product, const std::string& id) {
    return Reply<std::string>([&](auto done) { news.GetNewsDetails(tier, product, id, done); });
  }
  template <class T, class Start>
  std::optional<T> Reply(Start start) {
    const auto reply = test::Await<NewsReply<T>>(start);
    EXPECT_TRUE(reply && !reply->cancelled);
    return reply ? reply->value : std::nullopt;
  }
  UpdateOutcome Check(const UpdateContext& context, bool quiet) {
    return test::Await<UpdateOutcome>([&](auto done) {
             CheckForUpdates(context, quiet, [done](UpdateOutcome outcome, const std::string&) { done(outcome); });
           })
        .value_or(UpdateOutcome::Cancelled);
  }
  void WriteStore(const std::string& json) { std::ofstream(server->store(), std::ios::binary | std::ios::trunc) << json; }
};

}  // namespace

TEST_F(PublisherServerFixture, ListsTheTiersNewsNewestFirst) {
  EXPECT_EQ(List(Tier(), "VELMORA-DEMO"), (std::vector<std::string>{"3^Holiday promotion kit^2026-12-01",
                                            "2^Three new page templates^2026-11-20",
                                            "1^Welcome to Velmora^2026-11-02"}));
  EXPECT_EQ(List(Tier("BG", "demo-gold"), "VELMORA-DEMO").value_or(std::vector<std::string>()).size(), 2u)
      << "item 3 is for Master resellers only";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PublisherServerFixture, LatestNewsIsTheHighestId) {
  const auto latest = Latest(Tier(), "VELMORA-DEMO");
  ASSERT_TRUE(latest);
  EXPECT_TRUE(latest->any);
  EXPECT_EQ(latest->id, "3");
  EXPECT_EQ(latest->title, "Holiday promotion kit");
}

TEST_F(PublisherServerFixture, DetailsSurviveDollarsAndNonAsciiBytes) {
  WriteStore(R"({"products":[{"code":"P","publishers":{"BM":["u"]},"news":[
      {"id":7,"title":"Caf\u00e9 ^ news \u00af","date":"d","html":"<p>$5 \u00e9 \u00af OK\r\n</p>"}]}]})");
  const auto text = Details(Tier("BM", "u"), "P", "7");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "<p>$5 \xC3\xA9 \xC2\xAF OK\r\n</p>") << "UTF-8 bytes come through unchanged";
  const auto list = List(Tier("BM", "u"), "P").value_or(std::vector<std::string>());
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
    EXPECT_FALSE(Details(c.tier, c.product, c.newsId));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message});
  }
  messages.shown.clear();
  EXPECT_FALSE(List(Tier("BP", "demo-publisher"), "VELMORA-DEMO"));
  EXPECT_EQ(messages.Texts(),
            std::vector<std::string>{"There is a trouble with the Publisher Id. Contact your provider."});
}

TEST_F(PublisherServerFixture, UnreadableStoreIsReportedAsConnectionFail) {
  WriteStore("{ not json");
  EXPECT_FALSE(List(Tier(), "VELMORA-DEMO"));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"There is a trouble in the settings file on the news site."});
}

TEST_F(PublisherServerFixture, EmptyNewsIsOkAlone) {
  WriteStore(R"({"products":[{"code":"P","publishers":{"BM":["u"]},"news":[]}]})");
  EXPECT_EQ(List(Tier("BM", "u"), "P"), std::vector<std::string>());
  const auto latest = Latest(Tier("BM", "u"), "P");
  ASSERT_TRUE(latest);
  EXPECT_FALSE(latest->any);
}

TEST_F(PublisherServerFixture, DemoManifestOffersAnUpdate) {
  test::TempDir dir;
  dir.Write(kUpdaterName, "");
  test::FakeShell shell;
  messages.answers = {true, false};
  const UpdateContext context{client, messages, shell, Places::Portable(dir.folder()), server->Url("/liveupdate/velmora/")};
  EXPECT_EQ(Check(context, true), UpdateOutcome::Declined);
  ASSERT_FALSE(messages.shown.empty());
  EXPECT_EQ(messages.shown[0].text,
            "There is a new update: (version 2.1) available for your application!. Do you want download this update "
            "now?");
  EXPECT_TRUE(dir.Exists(kManifestName));

  messages.shown.clear();
  const UpdateContext missing{client, messages, shell, Places::Portable(dir.folder()), server->Url("/liveupdate/nothing/")};
  EXPECT_EQ(Check(missing, false), UpdateOutcome::ServerUnreachable) << "404 for the manifest";
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_FALSE(dir.Exists(kManifestName));
}
