#include "services/NewsService.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/BrandFile.h"
#include "app/Utils.h"
#include "crypto/AesLib.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::string kBase = "http://news.example/svc/";
const std::string kListUrl = kBase + "getlastnews.php";
const std::string kDetailsUrl = kBase + "getnewsdetails.php";

NewsTier MasterTier() { return {"Master", "BM", "pub-7", kBase}; }

struct NewsServiceFixture : ::testing::Test {
  test::FakeHttp http;
  test::FakeMessages messages;
  NewsService service{http, messages};

  // Each request's reply, once the fake has answered it.
  template <class T, class Start>
  NewsReply<T> Answered(Start start) {
    const auto reply = http.Settle<NewsReply<T>>(start);
    EXPECT_TRUE(reply) << "the service never called back";
    return reply.value_or(NewsReply<T>{});
  }
  std::optional<std::vector<std::string>> List() {
    return Answered<std::vector<std::string>>([&](auto done) { service.GetNewsList(MasterTier(), "CODE", done); })
        .value;
  }
  std::optional<LatestNews> Latest() {
    return Answered<LatestNews>([&](auto done) { service.GetLastNews(MasterTier(), "CODE", done); }).value;
  }
  std::optional<std::string> Details(const std::string& id = "1") {
    return Answered<std::string>([&](auto done) { service.GetNewsDetails(MasterTier(), "CODE", id, done); }).value;
  }
};

void WriteBrand(const test::TempDir& dir, const std::string& plain) {
  std::string enciphered;
  ASSERT_EQ(EncipherBytes(plain, enciphered), CipherResult::Ok);
  dir.Write(kBrandFileName, enciphered);
}

std::string DecipheredBrand(const test::TempDir& dir) {
  std::string plain;
  EXPECT_EQ(DecipherBytes(dir.Read(kBrandFileName), plain), CipherResult::Ok);
  return plain;
}

}  // namespace

TEST(NewsTierTest, OnlyTheExactTierNameWithAPublisherIdTakesPart) {
  BrandSettings brand;
  brand.MasterPublID = "m";
  brand.PlatinumPublID = "p";
  brand.GoldPublID = "g";
  brand.GoldNewsBaseURL = "http://gold/";
  struct Case {
    const char* type;
    const char* code;  // nullptr: no request
  };
  for (const Case& c : {Case{"Master", "BM"}, Case{"Platinum", "BP"}, Case{"Gold", "BG"}, Case{"master", nullptr},
                        Case{"Free", nullptr}, Case{"", nullptr}}) {
    brand.BranderType = c.type;
    const auto tier = MatchNewsTier(brand);
    if (!c.code) {
      EXPECT_FALSE(tier) << c.type;
      continue;
    }
    ASSERT_TRUE(tier) << c.type;
    EXPECT_EQ(tier->tierCode, c.code);
  }
  brand.BranderType = "Gold";
  EXPECT_EQ(MatchNewsTier(brand)->publisherId, "g");
  EXPECT_EQ(MatchNewsTier(brand)->baseUrl, "http://gold/");
  brand.GoldPublID.clear();
  EXPECT_FALSE(MatchNewsTier(brand)) << "a tier without publisher id makes no request";
}

TEST(NewsScriptUrlTest, ExactlyOneSlashStandsBeforeTheScript) {
  EXPECT_EQ(NewsScriptUrl("http://h/news/", "getlastnews.php"), "http://h/news/getlastnews.php");
  EXPECT_EQ(NewsScriptUrl("http://h/news", "getlastnews.php"), "http://h/news/getlastnews.php");
  EXPECT_EQ(NewsScriptUrl("", "getnewsdetails.php"), "/getnewsdetails.php");
}

TEST_F(NewsServiceFixture, RequestsSendTheirFieldsInProtocolOrder) {
  http.replies[kListUrl] = "OK";
  http.replies[kDetailsUrl] = "x\xAFOK";
  List();
  Latest();
  Details("42");
  ASSERT_EQ(http.requests.size(), 3u);
  const auto names = [](const test::FakeHttp::Request& r) {
    std::vector<std::string> n;
    for (const auto& f : r.fields) n.push_back(f.name + "=" + f.value);
    return n;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(http.requests[0].url, kListUrl);
  EXPECT_EQ(names(http.requests[0]),
            (V{"memusername=pub-7", "prodcode=CODE", "prodtype=BM", "conttype=all", "newstarget=UA", "something="}));
  EXPECT_EQ(names(http.requests[1]), (V{"memusername=pub-7", "prodcode=CODE", "prodtype=BM", "conttype=lastcode",
                                        "newstarget=UA", "something="}));
  EXPECT_EQ(http.requests[2].url, kDetailsUrl);
  EXPECT_EQ(names(http.requests[2]),
            (V{"memusername=pub-7", "prodcode=CODE", "prodtype=BM", "newsid=42", "newstarget=UA", "something="}));
}

TEST_F(NewsServiceFixture, ListKeepsServerOrderAndDropsMarkerAndEmptyPieces) {
  http.replies[kListUrl] = "  \r\n3^Third^Mar\xAF\xAF" "2^^Feb\xAFOK\xAF" "1^First^Jan\xAF\r\n";
  EXPECT_EQ(List(), (std::vector<std::string>{"3^Third^Mar", "2^^Feb", "1^First^Jan"}));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(NewsServiceFixture, OkAloneIsASuccessfulEmptyList) {
  http.replies[kListUrl] = "OK";
  EXPECT_EQ(List(), std::vector<std::string>());
}

TEST_F(NewsServiceFixture, ReplyThatMerelyHoldsTheLettersOkIsNoReply) {
  for (const std::string reply : {"5^BOOKS^today", "<html><title>OK</title><body>502 Bad Gateway</body></html>",
                                  "7^OKAY^now\xAFOKAY", "OK^title"}) {
    SCOPED_TRACE(reply);
    http.replies[kListUrl] = reply;
    http.replies[kDetailsUrl] = reply;
    EXPECT_FALSE(List());
    EXPECT_FALSE(Latest());
    EXPECT_FALSE(Details());
  }
  EXPECT_TRUE(messages.shown.empty()) << "text that is no error word gets no warning";
}

TEST_F(NewsServiceFixture, ErrorRepliesWarnWithTheirOwnText) {
  struct Case {
    std::optional<std::string> reply;
    std::optional<std::string> listMessage;
    std::optional<std::string> detailsMessage;
  };
  const std::string trouble = "There is a trouble accessing the news site. Contact your provider.";
  const std::vector<Case> cases = {
      {std::nullopt, trouble, trouble},
      {"", trouble, trouble},
      {" \t\r\n", trouble, trouble},
      {"CONNECTIONFAIL", "There is a trouble in the settings file on the news site.",
       "There is a trouble in the settings file on the news site."},
      {"  INVALIDUSER\r\n", "There is a trouble with the Publisher Id. Contact your provider.",
       "There is a trouble with the Publisher Id. Contact your provider."},
      {"INVALIDPRODUCT", "There is a trouble with the product validation. Contact your provider.",
       "There is a trouble with the product validation. Contact your provider."},
      {"INVALIDNEWS", std::nullopt, "There is a trouble with this news. Contact your provider."},
      {"invaliduser", std::nullopt, std::nullopt},
      {"Server busy", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.value_or("<failed request>"));
    http.replies[kListUrl] = c.reply;
    http.replies[kDetailsUrl] = c.reply;
    messages.shown.clear();
    EXPECT_FALSE(List());
    EXPECT_FALSE(Details());
    std::vector<test::ShownMessage> expected;
    if (c.listMessage) expected.push_back({MessageKind::Warning, *c.listMessage});
    if (c.detailsMessage) expected.push_back({MessageKind::Warning, *c.detailsMessage});
    EXPECT_EQ(messages.shown, expected);
    EXPECT_FALSE(Latest());
    EXPECT_EQ(messages.shown.size(), expected.size()) << "the latest-news request stays silent";
  }
}

TEST_F(NewsServiceFixture, LatestNewsGivesIdAndTitle) {
  struct Case {
    std::string reply;
    bool any;
    std::string id;
    std::string title;
  };
  for (const auto& c : {Case{"17^Spring sale\xAFOK", true, "17", "Spring sale"},
                        Case{"\r\n 9^Title^extra\xAFOK  ", true, "9", "Title"}, Case{"OK", false, "", ""},
                        Case{"\xAFOK", false, "", ""}, Case{"12\xAFOK", false, "", ""}}) {
    SCOPED_TRACE(c.reply);
    http.replies[kListUrl] = c.reply;
    const auto latest = Latest();
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->any, c.any);
    EXPECT_EQ(latest->id, c.id);
    EXPECT_EQ(latest->title, c.title);
  }
}

TEST_F(NewsServiceFixture, DetailsAreHexDecoded) {
  http.replies[kDetailsUrl] = "$41$42C <b>50$25</b>$24\xAFOK\r\n";
  EXPECT_EQ(Details(), "ABC <b>50%</b>$");
  http.replies[kDetailsUrl] = "caf$E9 $AF\xAFOK";
  EXPECT_EQ(Details(), "caf\xE9 \xAF") << "bytes pass unconverted";
  http.replies[kDetailsUrl] = "\xAFOK";
  EXPECT_EQ(Details(), "") << "an item without text";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(NewsServiceFixture, MalformedEscapeFailsTheDetailsWithAWarning) {
  for (const std::string reply : {"<p>5$ZZ</p>\xAFOK", "ends in $4\xAFOK", "$\xAFOK"}) {
    SCOPED_TRACE(reply);
    http.replies[kDetailsUrl] = reply;
    messages.shown.clear();
    EXPECT_EQ(Details(), std::nullopt);
    EXPECT_EQ(messages.shown, (std::vector<test::ShownMessage>{
                                  {MessageKind::Warning, "There is a trouble with this news. Contact your provider."}}));
  }
}

TEST_F(NewsServiceFixture, OversizedReplyIsAFailedRequest) {
  http.replies[kListUrl] = std::string(kNewsReplyLimit + 1, 'x') + "\xAFOK";
  EXPECT_FALSE(List());
  EXPECT_EQ(messages.Texts(),
            std::vector<std::string>{"There is a trouble accessing the news site. Contact your provider."});
}

TEST_F(NewsServiceFixture, RepliesComeOnlyWithTheAnswerAndCancelledOnesSayNothing) {
  http.replies[kListUrl] = "OK";
  http.replies[kDetailsUrl] = "INVALIDNEWS";
  std::vector<NewsReply<std::string>> details;
  std::vector<NewsReply<LatestNews>> latest;
  std::vector<NewsReply<std::vector<std::string>>> lists;
  service.GetNewsDetails(MasterTier(), "C", "1", [&](auto reply) { details.push_back(reply); });
  service.GetLastNews(MasterTier(), "C", [&](auto reply) { latest.push_back(reply); });
  service.GetNewsList(MasterTier(), "C", [&](auto reply) { lists.push_back(reply); });
  EXPECT_TRUE(details.empty() && latest.empty() && lists.empty()) << "nothing before the answers";
  EXPECT_EQ(http.Waiting(), 3u);

  http.Disconnect();
  ASSERT_EQ(details.size(), 1u);
  ASSERT_EQ(latest.size(), 1u);
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_TRUE(details[0].cancelled && latest[0].cancelled && lists[0].cancelled);
  EXPECT_FALSE(details[0].value || latest[0].value || lists[0].value);
  EXPECT_TRUE(messages.shown.empty()) << "a request the user ended gets no trouble message";
}

TEST(LastNewsIdTest, MissingFileReadsEmptyAndIsNeverCreated) {
  test::TempDir dir;
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
  EXPECT_TRUE(WriteLastNewsId(dir.folder(), "5"));
  EXPECT_FALSE(dir.Exists(kBrandFileName));
  EXPECT_FALSE(dir.Exists(kBrandPlainCopyName));
}

TEST(LastNewsIdTest, FirstWriteAppendsTheTagAndLaterWritesReplaceIt) {
  test::TempDir dir;
  WriteBrand(dir, "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n<%%BranderCode%%>X<%%/BranderCode%%>\r\n");
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");

  EXPECT_TRUE(WriteLastNewsId(dir.folder(), "12"));
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "12");
  EXPECT_EQ(DecipheredBrand(dir),
            "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n<%%BranderCode%%>X<%%/BranderCode%%>\r\n"
            "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n");

  EXPECT_TRUE(WriteLastNewsId(dir.folder(), "3"));
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "3") << "an older item lowers the stored id";
  EXPECT_EQ(DecipheredBrand(dir),
            "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n<%%BranderCode%%>X<%%/BranderCode%%>\r\n"
            "<%%LastNewsId%%>3<%%/LastNewsId%%>\r\n");
  EXPECT_FALSE(dir.Exists(kBrandPlainCopyName));
}

TEST(LastNewsIdTest, TagReadInAnyCaseButRewrittenOnlyWhenExact) {
  test::TempDir dir;
  WriteBrand(dir, "a\r\n<%%lastnewsid%%>7<%%/lastnewsid%%>\r\nb\r\n");
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "7");
  EXPECT_TRUE(WriteLastNewsId(dir.folder(), "8"));
  EXPECT_EQ(DecipheredBrand(dir),
            "a\r\n<%%lastnewsid%%>7<%%/lastnewsid%%>\r\nb\r\n<%%LastNewsId%%>8<%%/LastNewsId%%>\r\n");
}

TEST(LastNewsIdTest, DamagedFileIsLeftAloneByAWrite) {
  test::TempDir dir;
  WriteBrand(dir, "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n");
  std::string damaged = dir.Read(kBrandFileName);
  for (auto& corruptedAt : {std::size_t{0}, damaged.size() - 1}) {
    SCOPED_TRACE(corruptedAt == 0 ? "header (password check)" : "authentication code");
    std::string bytes = damaged;
    bytes[corruptedAt] = static_cast<char>(bytes[corruptedAt] ^ 0x5A);
    dir.Write(kBrandFileName, bytes);
    EXPECT_TRUE(WriteLastNewsId(dir.folder(), "99"));
    EXPECT_EQ(dir.Read(kBrandFileName), bytes) << "the brand settings survive";
    EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
    EXPECT_FALSE(dir.Exists(kBrandPlainCopyName));
  }
}

TEST(LastNewsIdTest, PerUserCopyKeepsNewsReadWhenTheProgramFolderIsNotTheUsers) {
  test::TempDir program, config;
  WriteBrand(program, "<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n");
  const std::string shipped = program.Read(kBrandFileName);
  const Places installed = Places::Installed(program.folder(), {config / "Documents", config.path(), {}, {}});

  EXPECT_EQ(ReadLastNewsId(installed), "4") << "without a copy the brand file answers";
  EXPECT_TRUE(WriteLastNewsId(installed, "9"));
  EXPECT_EQ(program.Read(kBrandFileName), shipped) << "the installed brand file is never written";
  EXPECT_EQ(config.Read("LastNewsId"), "<%%LastNewsId%%>9<%%/LastNewsId%%>\r\n");
  EXPECT_EQ(ReadLastNewsId(installed), "9");
  EXPECT_TRUE(WriteLastNewsId(installed, "2"));
  EXPECT_EQ(ReadLastNewsId(installed), "2") << "an older item lowers the stored id here too";

  // A portable copy writes its brand file and drops the copy that would shadow it.
  const Places portable = Places::Portable(program.folder(), {{}, config.path(), {}, {}});
  EXPECT_EQ(ReadLastNewsId(portable), "2") << "the copy is read first";
  EXPECT_TRUE(WriteLastNewsId(portable, "11"));
  EXPECT_FALSE(config.Exists("LastNewsId"));
  EXPECT_EQ(ReadLastNewsId(program.folder()), "11");
  EXPECT_EQ(ReadLastNewsId(portable), "11");
}

TEST(LastNewsIdTest, ReadOnlyPortableFolderFallsBackToThePerUserCopy) {
  test::TempDir program, config;
  WriteBrand(program, "a\r\n");
  std::filesystem::permissions(program.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  if (::access(program.path().c_str(), W_OK) == 0) GTEST_SKIP() << "permissions do not bind this user";
  const Places portable = Places::Portable(program.folder(), {{}, config / "deep/config", {}, {}});
  EXPECT_TRUE(WriteLastNewsId(portable, "6"));
  EXPECT_EQ(ReadLastNewsId(portable), "6");
  EXPECT_EQ(ReadLastNewsId(program.folder()), "");
  EXPECT_FALSE(program.Exists(kBrandPlainCopyName));
}

TEST(LastNewsIdTest, OnlyPlainDecimalIdsThatFit32BitsAreStored) {
  for (const char* id : {"12", "-3", "+7", "007", "2147483647", "-2147483648"}) {
    EXPECT_TRUE(IsStorableNewsId(id)) << id;
  }
  test::TempDir dir;
  WriteBrand(dir, "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n<%%Banner1%%>b.gif^http://x/<%%/Banner1%%>\r\n");
  const std::string before = dir.Read(kBrandFileName);
  for (const char* id : {"9\r\n<%%Welcome2%%>hi<%%/Welcome2%%>", "9<%%/LastNewsId%%><%%Banner1%%>", "", " 12",
                         "12 ", "1 2", "0x10", "1.5", "1e3", "+", "-", "+-1", "2147483648", "-2147483649",
                         "99999999999999999999", "\xEF\xBC\x91"}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(IsStorableNewsId(id));
    EXPECT_TRUE(WriteLastNewsId(dir.folder(), id));
    EXPECT_EQ(dir.Read(kBrandFileName), before) << "the brand file is byte-identical";
  }
  EXPECT_FALSE(dir.Exists(kBrandPlainCopyName));
}
