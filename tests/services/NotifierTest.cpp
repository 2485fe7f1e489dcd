#include "services/Notifier.h"

#include <gtest/gtest.h>

#include "app/BrandFile.h"
#include "crypto/AesLib.h"
#include "services/NewsService.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::string kLatestUrl = "http://pub/news/getlastnews.php";
const std::optional<std::optional<std::string>> kCalledBackWithoutBalloon{std::in_place, std::nullopt};

struct NotifierFixture : ::testing::Test {
  test::TempDir dir;
  test::FakeHttp http;
  test::FakeMessages messages;
  BrandSettings brand;

  void SetUp() override {
    brand.BranderType = "Master";
    brand.BranderCode = "CODE";
    brand.MasterPublID = "pub";
    brand.MasterNewsBaseURL = "http://pub/news";
  }
  void StoreLastNewsId(const std::optional<std::string>& id) {
    std::string plain = "<%%ApplicationName%%>A<%%/ApplicationName%%>\r\n";
    if (id) plain += "<%%LastNewsId%%>" + *id + "<%%/LastNewsId%%>\r\n";
    std::string enciphered;
    ASSERT_EQ(EncipherBytes(plain, enciphered), CipherResult::Ok);
    dir.Write(kBrandFileName, enciphered);
  }
  // The balloon text, once the fake has answered; nothing inside when no balloon.
  std::optional<std::optional<std::string>> Run() {
    return http.Settle<std::optional<std::string>>(
        [&](auto done) { AnnounceNewerNews(http, messages, Places::Portable(dir.folder()), brand, done); });
  }
};

}  // namespace

TEST_F(NotifierFixture, BalloonOnlyForANewerIdComparedAsSignedNumbers) {
  struct Case {
    std::optional<std::string> stored;  // nullopt: no LastNewsId tag
    std::string latest;
    bool shown;
  };
  const std::vector<Case> cases = {
      {"12", "13", true},    {"12", "12", false},  {"13", "12", false},  {std::nullopt, "1", true},
      {std::nullopt, "0", false}, {"9", "10", true}, {"-3", "0", true},   {"abc", "1", true},
      {"5", "x", false},     {"2147483647", "2147483648", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.value_or("<none>") + " vs " + c.latest);
    StoreLastNewsId(c.stored);
    http.replies[kLatestUrl] = c.latest + "^Title " + c.latest + "\xAFOK";
    const auto hint = Run();
    ASSERT_TRUE(hint) << "the notifier always calls back after an answer";
    EXPECT_EQ(*hint, c.shown ? std::optional<std::string>("You've Got A Message!\r\nTitle " + c.latest)
                             : std::nullopt);
  }
}

TEST_F(NotifierFixture, NoNewsNoTierAndErrorsAreSilent) {
  StoreLastNewsId(std::nullopt);
  for (const std::optional<std::string>& reply :
       {std::optional<std::string>("OK"), std::optional<std::string>("INVALIDUSER"), std::optional<std::string>()}) {
    http.replies[kLatestUrl] = reply;
    EXPECT_EQ(Run(), kCalledBackWithoutBalloon);
  }
  brand.BranderType = "Free";
  http.requests.clear();
  EXPECT_EQ(Run(), kCalledBackWithoutBalloon);
  EXPECT_TRUE(http.requests.empty()) << "no news request without a tier";
  EXPECT_TRUE(messages.shown.empty()) << "the start-up notifier says nothing when it fails";
}

TEST_F(NotifierFixture, NotifierNeverStoresTheIdAndACancelledOneEndsTheChain) {
  StoreLastNewsId("1");
  http.replies[kLatestUrl] = "5^T\xAFOK";
  EXPECT_TRUE(Run().value());
  EXPECT_TRUE(Run().value()) << "the balloon comes back until the item is opened";
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "1");

  bool called = false;
  AnnounceNewerNews(http, messages, Places::Portable(dir.folder()), brand, [&](auto) { called = true; });
  http.Disconnect();
  EXPECT_FALSE(called) << "nothing follows a close";
}
