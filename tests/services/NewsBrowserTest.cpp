#include "services/NewsBrowser.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/BrandFile.h"
#include "crypto/AesLib.h"
#include "services/NewsService.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

BrandSettings GoldBrand() {
  BrandSettings brand;
  brand.BranderType = "Gold";
  brand.BranderCode = "PROD";
  brand.MasterPublID = "master-id";
  brand.MasterNewsBaseURL = "http://master/";
  brand.GoldPublID = "gold-id";
  brand.GoldNewsBaseURL = "http://gold/news";
  return brand;
}

struct NewsBrowserFixture : ::testing::Test {
  test::TempDir dir;
  test::FakeHttp http;
  test::FakeMessages messages;
  BrandSettings brand = GoldBrand();

  std::optional<NewsItemOpener::Opened> Open(NewsItemOpener& opener, const std::string& id) {
    const auto opened =
        http.Settle<std::optional<NewsItemOpener::Opened>>([&](auto done) { EXPECT_TRUE(opener.Open(id, done)); });
    EXPECT_TRUE(opened) << "the opener never called back";
    return opened.value_or(std::nullopt);
  }

  void SetUp() override {
    std::string enciphered;
    ASSERT_EQ(EncipherBytes("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n", enciphered), CipherResult::Ok);
    dir.Write(kBrandFileName, enciphered);
  }
};

}  // namespace

TEST_F(NewsBrowserFixture, CheckUsesTheBrandsTierAndDeliversTheList) {
  http.replies["http://gold/news/getlastnews.php"] = "2^B^Feb\xAF" "1^A^Jan\xAFOK";
  NewsCheck check(http, messages);
  const auto list = http.Settle<std::vector<std::string>>([&](auto done) { EXPECT_TRUE(check.Start(brand, done)); });
  EXPECT_EQ(list, (std::vector<std::string>{"2^B^Feb", "1^A^Jan"}));
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].fields[0].value, "gold-id");
  EXPECT_EQ(http.requests[0].fields[2].value, "BG");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(check.Running());
}

TEST_F(NewsBrowserFixture, NoNewsIsReportedInOneBoxAndNoWindowOpens) {
  const test::ShownMessage noNews{MessageKind::Information, "There's no news for this application!"};
  const test::ShownMessage trouble{MessageKind::Warning,
                                   "There is a trouble with the Publisher Id. Contact your provider."};
  NewsCheck check(http, messages);
  const auto run = [&] {
    messages.shown.clear();
    return http.Settle<std::vector<std::string>>([&](auto done) { check.Start(brand, done); });
  };
  const std::vector<std::string> none;

  http.replies["http://gold/news/getlastnews.php"] = "OK";
  EXPECT_EQ(run(), none);
  EXPECT_EQ(messages.shown, std::vector<test::ShownMessage>{noNews});

  http.replies["http://gold/news/getlastnews.php"] = "INVALIDUSER";
  EXPECT_EQ(run(), none);
  EXPECT_EQ(messages.shown, std::vector<test::ShownMessage>{trouble}) << "the warning alone says what went wrong";

  http.replies["http://gold/news/getlastnews.php"] = "Server busy";
  EXPECT_EQ(run(), none);
  EXPECT_EQ(messages.shown, std::vector<test::ShownMessage>{noNews}) << "a reply without a warning of its own";

  http.replies.clear();
  EXPECT_EQ(run(), none);
  EXPECT_EQ(messages.shown.size(), 1u) << "server down: one box";

  const auto requestsBefore = http.requests.size();
  brand.BranderType = "Free";
  EXPECT_EQ(run(), none);
  EXPECT_EQ(http.requests.size(), requestsBefore) << "no tier, no request";
  EXPECT_EQ(messages.shown, std::vector<test::ShownMessage>{noNews});
}

TEST_F(NewsBrowserFixture, ASecondCheckWhileOneRunsIsRefusedAndACancelledOneSaysNothing) {
  NewsCheck check(http, messages);
  int delivered = 0;
  EXPECT_TRUE(check.Start(brand, [&](auto) { ++delivered; }));
  EXPECT_TRUE(check.Running());
  EXPECT_FALSE(check.Start(brand, [&](auto) { ++delivered; }));
  EXPECT_EQ(http.requests.size(), 1u);
  http.Disconnect();
  EXPECT_EQ(delivered, 1);
  EXPECT_FALSE(check.Running());
  EXPECT_TRUE(messages.shown.empty());

  // A check whose owner has gone calls nothing when its answer comes.
  auto gone = std::make_unique<NewsCheck>(http, messages);
  gone->Start(brand, [&](auto) { ++delivered; });
  gone.reset();
  http.AnswerAll();
  EXPECT_EQ(delivered, 1);
}

TEST(NewsRowsTest, RowsKeepOrderAndShowMissingFieldsEmpty) {
  const auto rows = NewsRows({"3^Three^Mar", "2^^Feb", "1^Only title", "7"});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].id, "3");
  EXPECT_EQ(rows[0].title, "Three");
  EXPECT_EQ(rows[0].date, "Mar");
  EXPECT_EQ(rows[1].title, "");
  EXPECT_EQ(rows[1].date, "Feb");
  EXPECT_EQ(rows[2].date, "");
  EXPECT_EQ(rows[3].id, "7");
  EXPECT_EQ(rows[3].title, "");
}

TEST(NewsRowsTest, TheNewestRowIsTheHighestNumberedId) {
  EXPECT_EQ(NewestNewsRow(NewsRows({"3^Three", "12^Twelve", "7^Seven"})), 1u);
  EXPECT_EQ(NewestNewsRow(NewsRows({"x^Odd", "-4^Neg", "2^Two"})), 2u);
  EXPECT_EQ(NewestNewsRow(NewsRows({"a^A", "b^B"})), 0u) << "no number: the first";
  EXPECT_FALSE(NewestNewsRow({}));
}

TEST_F(NewsBrowserFixture, OpeningAnItemShowsItsTextAndStoresItsId) {
  http.replies["http://gold/news/getnewsdetails.php"] = "<p>Hello $24</p>\xAFOK";
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  const auto opened = Open(opener, "5");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->html, "<p>Hello $</p>");
  EXPECT_TRUE(opened->idStored);
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "5");
  EXPECT_EQ(http.requests.back().fields[3].value, "5");
  EXPECT_FALSE(opener.Busy());
}

TEST_F(NewsBrowserFixture, FailedDetailsKeepTheStoredId) {
  http.replies["http://gold/news/getnewsdetails.php"] = "INVALIDNEWS";
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  EXPECT_FALSE(Open(opener, "5"));
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"There is a trouble with this news. Contact your provider."});
  EXPECT_FALSE(opener.Busy());
}

TEST_F(NewsBrowserFixture, MalformedEscapesFailAndStoreNothing) {
  http.replies["http://gold/news/getnewsdetails.php"] = "$G1\xAFOK";
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  EXPECT_FALSE(Open(opener, "8"));
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"There is a trouble with this news. Contact your provider."});
}

TEST_F(NewsBrowserFixture, ItemWithAnIdTheBrandFileMustNotTakeIsShownButNotStored) {
  http.replies["http://gold/news/getnewsdetails.php"] = "text\xAFOK";
  const std::string before = dir.Read(kBrandFileName);
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  const auto opened = Open(opener, "9\r\n<%%Welcome2%%>hi<%%/Welcome2%%>");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->html, "text");
  EXPECT_FALSE(opened->idStored);
  EXPECT_EQ(dir.Read(kBrandFileName), before);
}

TEST_F(NewsBrowserFixture, ASecondOpenWhileBusyIsRefused) {
  http.replies["http://gold/news/getnewsdetails.php"] = "text\xAFOK";
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  std::vector<std::optional<NewsItemOpener::Opened>> opened;
  EXPECT_TRUE(opener.Open("4", [&](auto item) { opened.push_back(item); }));
  EXPECT_TRUE(opener.Busy());
  EXPECT_FALSE(opener.Open("9", [&](auto item) { opened.push_back(item); }));
  http.AnswerAll();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0]);
  EXPECT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "4");
  EXPECT_FALSE(opener.Busy());
}

TEST_F(NewsBrowserFixture, ReadOnlyFolderStillShowsTheItemAndLeavesBusy) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string before = dir.Read(kBrandFileName);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  http.replies["http://gold/news/getnewsdetails.php"] = "text\xAFOK";
  NewsItemOpener opener(http, messages, brand, Places::Portable(dir.folder()));
  const auto opened = Open(opener, "6");
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->html, "text");
  EXPECT_FALSE(opened->idStored);
  EXPECT_FALSE(opener.Busy());
  EXPECT_EQ(dir.Read(kBrandFileName), before);
  EXPECT_FALSE(dir.Exists(kBrandPlainCopyName));
}
