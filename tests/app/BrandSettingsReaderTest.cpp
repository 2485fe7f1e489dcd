#include "app/BrandSettingsReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Utils.h"
#include "crypto/AesLib.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Field = std::pair<std::string, std::string>;

// A brand text as a publisher's tool writes it: one tag line per field.
std::string BrandText(const std::vector<Field>& fields) {
  Lines lines;
  for (const auto& [name, value] : fields) lines.push_back(TagLine(name, value));
  return JoinLines(lines);
}

std::vector<Field> AllFixedFields() {
  return {{"ApplicationName", "Acme Pages"},
          {"BranderCode", "ACME-1"},
          {"BranderType", "Platinum"},
          {"AffiliateURL", "http://aff.example/?id=%%AFFILIATEID%%"},
          {"AffiliateTYPE", "cb"},
          {"AffiliateID", "joe"},
          {"MasterNewsBaseURL", "http://m.example/news/"},
          {"PlatinumNewsBaseURL", "http://p.example/news/"},
          {"GoldNewsBaseURL", "http://g.example/news/"},
          {"MasterPublID", "m-1"},
          {"PlatinumPublID", "p-1"},
          {"GoldPublID", "g-1"},
          {"MakeMoneyButton", "Earn Now"},
          {"AppHelpURL", "http://help.example/"},
          {"CopyrightYears", "2005-2007"},
          {"CopyrightCompany", "Acme Ltd"},
          {"AboutText", "line one$$line two"}};
}

BrandSettings Parse(const std::string& text, std::deque<std::size_t> picks = {}) {
  test::FixedRandom random;
  random.picks = std::move(picks);
  return ParseBrandSettings(text, random);
}

std::vector<Field> Numbered(const std::string& prefix, std::vector<int> numbers, const std::string& suffix = "") {
  std::vector<Field> fields;
  for (const int n : numbers) fields.push_back({prefix + std::to_string(n), prefix + "-" + std::to_string(n) + suffix});
  return fields;
}

std::vector<Field> Concat(std::initializer_list<std::vector<Field>> parts) {
  std::vector<Field> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

TEST(BrandSettingsReader, FieldsInTheirOrderAreAllRead) {
  const BrandSettings brand = Parse(BrandText(AllFixedFields()));
  EXPECT_EQ(brand.ApplicationName, "Acme Pages");
  EXPECT_EQ(brand.BranderCode, "ACME-1");
  EXPECT_EQ(brand.BranderType, "Platinum");
  EXPECT_EQ(brand.AffiliateURL, "http://aff.example/?id=joe");
  EXPECT_EQ(brand.AffiliateTYPE, "cb");
  EXPECT_EQ(brand.AffiliateID, "joe");
  EXPECT_EQ(brand.MasterNewsBaseURL, "http://m.example/news/");
  EXPECT_EQ(brand.PlatinumNewsBaseURL, "http://p.example/news/");
  EXPECT_EQ(brand.GoldNewsBaseURL, "http://g.example/news/");
  EXPECT_EQ(brand.MasterPublID, "m-1");
  EXPECT_EQ(brand.PlatinumPublID, "p-1");
  EXPECT_EQ(brand.GoldPublID, "g-1");
  EXPECT_EQ(brand.MakeMoneyButton, "Earn Now");
  EXPECT_EQ(brand.AppHelpURL, "http://help.example/");
  EXPECT_EQ(brand.CopyrightYears, "2005-2007");
  EXPECT_EQ(brand.CopyrightCompany, "Acme Ltd");
  EXPECT_EQ(brand.AboutText, "line one$$line two");
}

TEST(BrandSettingsReader, FieldStandingBeforeOneAlreadyReadIsEmpty) {
  auto fields = AllFixedFields();
  std::swap(fields[0], fields[1]);  // BranderCode before ApplicationName
  const BrandSettings brand = Parse(BrandText(fields));
  EXPECT_EQ(brand.ApplicationName, "Acme Pages");
  EXPECT_EQ(brand.BranderCode, "") << "passed while taking ApplicationName";
  EXPECT_EQ(brand.BranderType, "Platinum");
}

TEST(BrandSettingsReader, ValuesKeepLineBreaksBlanksAndTagsMatchInAnyCase) {
  const std::string text = "<%%applicationname%%> Acme <%%/APPLICATIONNAME%%>\r\n"
                           "<%%AboutText%%>first\r\n  second\r\n<%%/AboutText%%>\n";
  const BrandSettings brand = Parse(text);
  EXPECT_EQ(brand.ApplicationName, " Acme ");
  EXPECT_EQ(brand.AboutText, "first\r\n  second\r\n");
}

TEST(BrandSettingsReader, AffiliateIdFillsEveryExactCaseMarker) {
  const BrandSettings brand = Parse(BrandText({{"AffiliateURL", "a/%%AFFILIATEID%%/b?x=%%AFFILIATEID%%&y=%%affiliateid%%"},
                                               {"AffiliateID", "joe"}}));
  EXPECT_EQ(brand.AffiliateURL, "a/joe/b?x=joe&y=%%affiliateid%%");
  const BrandSettings noId = Parse(BrandText({{"AffiliateURL", "a/%%AFFILIATEID%%"}}));
  EXPECT_EQ(noId.AffiliateURL, "a/");
}

TEST(BrandSettingsReader, PoolsStopAtTheFirstGapAndLaterGroupsAreStillFound) {
  const BrandSettings brand = Parse(BrandText(Concat({Numbered("Welcome", {1, 3}), Numbered("Banner", {1, 2}, ".jpg^u"),
                                                      Numbered("Link", {1}, "^u")})));
  EXPECT_THAT(brand.WelcomePool, ElementsAre("Welcome-1"));
  ASSERT_EQ(brand.BannerPool.size(), 2u);
  EXPECT_THAT(brand.BannerPool[1], ElementsAre("Banner-2.jpg", "u"));
  ASSERT_EQ(brand.LinkPool.size(), 1u);
}

TEST(BrandSettingsReader, AnEmptyEntryEndsItsPoolLikeAMissingOne) {
  const BrandSettings brand = Parse(BrandText({{"Welcome1", "one"}, {"Welcome2", ""}, {"Welcome3", "three"}}));
  EXPECT_THAT(brand.WelcomePool, ElementsAre("one"));
}

TEST(BrandSettingsReader, OnlyTheFirstSixteenEntriesAreOffered) {
  std::vector<int> numbers;
  for (int n = 1; n <= 17; ++n) numbers.push_back(n);
  const BrandSettings brand = Parse(BrandText(Concat({Numbered("Banner", numbers, ".png^u"), Numbered("Link", {1}, "^u")})));
  ASSERT_EQ(brand.BannerPool.size(), 16u);
  EXPECT_EQ(brand.BannerPool.back()[0], "Banner-16.png");
  EXPECT_EQ(brand.LinkPool.size(), 1u) << "the links after the 17th banner are still read";
}

TEST(BrandSettingsReader, PicksComeFromTheRandomSourceEachOverItsOwnPool) {
  test::FixedRandom random;
  random.picks = {1, 2, 2, 0};
  const BrandSettings brand = ParseBrandSettings(
      BrandText(Concat({Numbered("Welcome", {1, 2}), Numbered("Banner", {1, 2, 3}, ".gif^click"),
                        Numbered("Link", {1, 2, 3}, "^addr")})),
      random);
  EXPECT_THAT(random.asked, ElementsAre(2u, 3u, 3u, 2u)) << "welcome, banner, first link, second link";
  EXPECT_EQ(brand.WelcomeText, "Welcome-2");
  EXPECT_EQ(brand.BannerImage, "Banner-3.gif");
  EXPECT_EQ(brand.BannerURL, "click");
  EXPECT_EQ(brand.BannerNumber, 3);
  EXPECT_EQ(brand.Link1Caption, "Link-3");
  EXPECT_EQ(brand.Link1URL, "addr");
  EXPECT_EQ(brand.Link2Caption, "Link-1") << "the second pick is among the links left over";
}

TEST(BrandSettingsReader, TheTwoLinksAlwaysDiffer) {
  const std::string text = BrandText(Numbered("Link", {1, 2}, "^addr"));
  for (std::size_t first = 0; first < 2; ++first) {
    for (std::size_t second = 0; second < 3; ++second) {
      const BrandSettings brand = Parse(text, {first, second});
      EXPECT_NE(brand.Link1Caption, brand.Link2Caption) << first << "," << second;
      EXPECT_FALSE(brand.Link2Caption.empty());
    }
  }
}

TEST(BrandSettingsReader, OneLinkLeavesTheSecondEmpty) {
  const BrandSettings brand = Parse(BrandText({{"Link1", "Home^http://home.example/"}}));
  EXPECT_EQ(brand.Link1Caption, "Home");
  EXPECT_EQ(brand.Link1URL, "http://home.example/");
  EXPECT_EQ(brand.Link2Caption, "");
  EXPECT_EQ(brand.Link2URL, "");
}

TEST(BrandSettingsReader, EntriesWithoutTheirSecondFieldGiveAnEmptyOne) {
  const BrandSettings brand = Parse(BrandText({{"Banner1", "pic.gif^"}, {"Link1", "Caption only"}}));
  EXPECT_EQ(brand.BannerImage, "pic.gif");
  EXPECT_EQ(brand.BannerURL, "");
  EXPECT_EQ(brand.Link1Caption, "Caption only");
  EXPECT_EQ(brand.Link1URL, "");
}

TEST(BrandSettingsReader, EmptyTextLeavesEverythingEmptyAndDrawsNothing) {
  test::FixedRandom random;
  const BrandSettings brand = ParseBrandSettings("", random);
  EXPECT_EQ(brand.ApplicationName, "");
  EXPECT_EQ(brand.BannerNumber, 0);
  EXPECT_THAT(random.asked, IsEmpty());
}

struct TierCase {
  const char* tier;
  std::vector<Field> fields;
  bool shows;
};

TEST(NewsButton, ShowsOnlyForATierWithBothItsIdAndAddress) {
  const std::vector<TierCase> cases = {
      {"Master", {{"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, true},
      {"Master", {{"MasterNewsBaseURL", "m"}}, false},
      {"Platinum", {{"PlatinumNewsBaseURL", "p"}, {"PlatinumPublID", "1"}}, true},
      {"Platinum", {{"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, false},
      {"Gold", {{"GoldNewsBaseURL", "g"}, {"GoldPublID", "1"}}, true},
      {"Gold", {{"GoldPublID", "1"}}, false},
      {"Free", {{"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, true},
      {"Free", {{"GoldNewsBaseURL", "g"}, {"GoldPublID", "1"}}, false},
      {"master", {{"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, false},
      {"", {{"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, false},
  };
  for (const auto& c : cases) {
    std::vector<Field> fields = {{"BranderType", c.tier}};
    fields.insert(fields.end(), c.fields.begin(), c.fields.end());
    const BrandSettings brand = Parse(BrandText(fields));
    EXPECT_EQ(NewsButtonVisible(brand), c.shows) << "tier \"" << c.tier << "\" with " << c.fields.size() << " fields";
  }
}

TEST(BrandAppearance, TitleCaptionAndLinksFollowTheSettings) {
  BrandSettings brand;
  BrandAppearance look = DescribeAppearance(brand, "/nowhere/");
  EXPECT_EQ(look.title, " v2.0");
  EXPECT_EQ(look.makeMoneyCaption, "Make Money");
  EXPECT_FALSE(look.linksVisible);
  EXPECT_FALSE(look.bannerVisible);

  brand.ApplicationName = "Acme Pages";
  brand.MakeMoneyButton = "Earn";
  brand.Link1Caption = "Home";
  look = DescribeAppearance(brand, "/nowhere/");
  EXPECT_EQ(look.title, "Acme Pages v2.0");
  EXPECT_EQ(look.makeMoneyCaption, "Earn");
  EXPECT_TRUE(look.linksVisible);
}

struct BannerCase {
  std::string image;
  bool animated;
  std::string format;
};

TEST(BrandAppearance, BannerFileIsTheEntrysNumberInTheFormatItsNameGives) {
  test::TempDir folder;
  folder.Write("banner2.dat", "picture bytes");
  const std::vector<BannerCase> cases = {
      {"ad.GIF", true, "gif"},       {"pics\\ad.jpg", false, "jpg"}, {"pics/x.gif.d/ad.png", false, "png"},
      {"AD.JPEG", false, "jpeg"},    {"ad.gif.bmp", true, "gif"},    {"noextension", false, ""},
  };
  for (const auto& c : cases) {
    BrandSettings brand;
    brand.BannerImage = c.image;
    brand.BannerNumber = 2;
    const BrandAppearance look = DescribeAppearance(brand, folder.folder());
    EXPECT_TRUE(look.bannerVisible) << c.image;
    EXPECT_EQ(look.bannerPath, (folder / "banner2.dat").string());
    EXPECT_EQ(look.bannerAnimated, c.animated) << c.image;
    EXPECT_EQ(look.bannerFormat, c.format) << c.image;
  }
}

TEST(BrandAppearance, AFolderNamedLikeAGifDoesNotMakeTheBannerAnimated) {
  test::TempDir root;
  const std::string folder = (root / "Velmora.gif" / "").string();
  root.Write("Velmora.gif/banner1.dat", "x");
  BrandSettings brand;
  brand.BannerImage = "ad.jpg";
  brand.BannerNumber = 1;
  const BrandAppearance look = DescribeAppearance(brand, folder);
  EXPECT_TRUE(look.bannerVisible);
  EXPECT_FALSE(look.bannerAnimated);
}

TEST(BrandAppearance, BannerAreaHidesWithoutAnImageNameOrItsFile) {
  test::TempDir folder;
  folder.Write("banner1.dat", "x");
  BrandSettings brand;
  brand.BannerNumber = 1;
  brand.BannerURL = "http://click.example/";
  BrandAppearance look = DescribeAppearance(brand, folder.folder());
  EXPECT_FALSE(look.bannerVisible) << "no image name";
  EXPECT_TRUE(look.bannerHandCursor);

  brand.BannerImage = "ad.jpg";
  brand.BannerNumber = 2;
  look = DescribeAppearance(brand, folder.folder());
  EXPECT_FALSE(look.bannerVisible) << "banner2.dat is missing";
}

TEST(LoadBrandSettingsFile, ReadsTheEncipheredFileOfTheFolder) {
  test::TempDir folder;
  std::string enciphered;
  ASSERT_EQ(EncipherBytes(BrandText(AllFixedFields()), enciphered), CipherResult::Ok);
  folder.Write("dbsettings.dat", enciphered);
  test::FixedRandom random;
  const BrandSettingsLoad load = LoadBrandSettingsFile(folder.folder(), random);
  EXPECT_EQ(load.status, BrandFileStatus::Ok);
  EXPECT_EQ(load.settings.ApplicationName, "Acme Pages");
  EXPECT_EQ(load.settings.AboutText, "line one$$line two");
}

TEST(LoadBrandSettingsFile, AlteredFileDressesNothing) {
  test::TempDir folder;
  std::string enciphered;
  ASSERT_EQ(EncipherBytes(BrandText(AllFixedFields()), enciphered), CipherResult::Ok);
  enciphered[12] = static_cast<char>(enciphered[12] ^ 0x01);  // inside the cipher text
  folder.Write("dbsettings.dat", enciphered);
  test::FixedRandom random;
  const BrandSettingsLoad load = LoadBrandSettingsFile(folder.folder(), random);
  EXPECT_EQ(load.status, BrandFileStatus::Failed);
  EXPECT_EQ(load.settings.ApplicationName, "");
  EXPECT_EQ(load.settings.BranderType, "");
  EXPECT_FALSE(NewsButtonVisible(load.settings));
}
