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
const std::string kManifestUrl = "http://pub/liveupdate/velmora/mainappupdate.inf";

struct NotifierFixture : ::testing::Test {
  test::TempDir dir;
  test::FakeHttp http;
  test::FakeMessages messages;
  test::FakeShell shell;
  UpdateContext context{http, messages, shell, dir.folder(), "http://pub/liveupdate/velmora/"};
  BrandSettings brand;
  std::vector<std::string> hints;

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
  NotifierResult Run() {
    return Timer1Timer(context, brand, [this](const std::string& text) { hints.push_back(text); });
  }
  bool ManifestRequested() const {
    return !http.requests.empty() && http.requests.back().method == "GET" && http.requests.back().url == kManifestUrl;
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
    hints.clear();
    http.replies[kLatestUrl] = c.latest + "^Title " + c.latest + "\xAFOK";
    EXPECT_EQ(Run().hintShown, c.shown);
    if (c.shown) {
      ASSERT_EQ(hints.size(), 1u);
      EXPECT_EQ(hints[0], "You've Got A Message!\r\nTitle " + c.latest);
    } else {
      EXPECT_TRUE(hints.empty());
    }
  }
}

TEST_F(NotifierFixture, NoNewsNoTierOrErrorsAreSilentAndTheQuietCheckStillRuns) {
  StoreLastNewsId(std::nullopt);
  for (const std::optional<std::string>& reply :
       {std::optional<std::string>("OK"), std::optional<std::string>("INVALIDUSER"), std::optional<std::string>()}) {
    http.replies[kLatestUrl] = reply;
    http.requests.clear();
    EXPECT_FALSE(Run().hintShown);
    EXPECT_TRUE(ManifestRequested());
  }
  brand.BranderType = "Free";
  http.requests.clear();
  EXPECT_EQ(Run().update, UpdateOutcome::ServerUnreachable) << "this server has no manifest";
  ASSERT_EQ(http.requests.size(), 1u) << "no news request without a tier";
  EXPECT_TRUE(ManifestRequested());
  EXPECT_TRUE(hints.empty());
  EXPECT_TRUE(messages.shown.empty()) << "the start-up check says nothing when it fails";
}

TEST_F(NotifierFixture, NotifierNeverStoresTheId) {
  StoreLastNewsId("1");
  http.replies[kLatestUrl] = "5^T\xAFOK";
  Run();
  Run();
  EXPECT_EQ(hints.size(), 2u) << "the balloon comes back until the item is opened";
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "1");
}
