#include "app/BrandSettingsReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Utils.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/BrandText.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;

namespace {

using test::BrandText;
using test::Field;

BrandSettings Parse(const std::vector<Field>& fields, std::deque<std::size_t> picks = {}) {
  test::FixedRandom random;
  random.picks = std::move(picks);
  return ParseBrandSettings(BrandText(fields), random);
}

std::vector<Field> Numbered(const std::string& prefix, int from, int to, const std::string& suffix = "") {
  std::vector<Field> fields;
  for (int n = from; n <= to; ++n) fields.push_back({prefix + std::to_string(n), prefix + std::to_string(n) + suffix});
  return fields;
}

const std::pair<const char*, std::string BrandSettings::*> kFixedFields[] = {
    {"ApplicationName", &BrandSettings::ApplicationName},   {"BranderCode", &BrandSettings::BranderCode},
    {"BranderType", &BrandSettings::BranderType},           {"AffiliateURL", &BrandSettings::AffiliateURL},
    {"AffiliateTYPE", &BrandSettings::AffiliateTYPE},       {"AffiliateID", &BrandSettings::AffiliateID},
    {"MasterNewsBaseURL", &BrandSettings::MasterNewsBaseURL}, {"PlatinumNewsBaseURL", &BrandSettings::PlatinumNewsBaseURL},
    {"GoldNewsBaseURL", &BrandSettings::GoldNewsBaseURL},   {"MasterPublID", &BrandSettings::MasterPublID},
    {"PlatinumPublID", &BrandSettings::PlatinumPublID},     {"GoldPublID", &BrandSettings::GoldPublID},
    {"MakeMoneyButton", &BrandSettings::MakeMoneyButton},   {"AppHelpURL", &BrandSettings::AppHelpURL},
    {"CopyrightYears", &BrandSettings::CopyrightYears},     {"CopyrightCompany", &BrandSettings::CopyrightCompany},
    {"AboutText", &BrandSettings::AboutText}};

}  // namespace

TEST(BrandSettingsReader, FieldsAreReadInTheirOrderAndOneStandingTooEarlyIsEmpty) {
  std::vector<Field> fields;
  for (const auto& [name, member] : kFixedFields) fields.push_back({name, std::string(name) + " value\r\n "});
  BrandSettings brand = Parse(fields);
  for (const auto& [name, member] : kFixedFields) EXPECT_EQ(brand.*member, std::string(name) + " value\r\n ") << name;

  std::swap(fields[0], fields[1]);
  brand = Parse(fields);
  EXPECT_EQ(brand.ApplicationName, "ApplicationName value\r\n ");
  EXPECT_EQ(brand.BranderCode, "") << "passed while taking ApplicationName";
}

TEST(BrandSettingsReader, AffiliateIdFillsEveryExactCaseMarker) {
  const BrandSettings brand =
      Parse({{"AffiliateURL", "a/%%AFFILIATEID%%/?x=%%AFFILIATEID%%&y=%%affiliateid%%"}, {"AffiliateID", "joe"}});
  EXPECT_EQ(brand.AffiliateURL, "a/joe/?x=joe&y=%%affiliateid%%");
}

TEST(BrandSettingsReader, PoolsStopAtTheFirstGapOrAfterSixteenAndLaterGroupsAreStillFound) {
  std::vector<Field> fields = {{"Welcome1", "w1"}, {"Welcome2", ""}, {"Welcome3", "w3"}};
  for (const auto& f : Numbered("Banner", 1, 17, ".png^u")) fields.push_back(f);
  fields.push_back({"Link1", "L1^u"});
  fields.push_back({"Link3", "L3^u"});
  const BrandSettings brand = Parse(fields);
  EXPECT_THAT(brand.WelcomePool, ElementsAre("w1"));
  ASSERT_EQ(brand.BannerPool.size(), 16u);
  EXPECT_THAT(brand.BannerPool.back(), ElementsAre("Banner16.png", "u"));
  ASSERT_EQ(brand.LinkPool.size(), 1u);
}

TEST(BrandSettingsReader, EachPickIsDrawnOverItsOwnPoolAndTheSecondLinkFromThoseLeft) {
  test::FixedRandom random;
  random.picks = {1, 2, 2, 0};
  std::vector<Field> fields = Numbered("Welcome", 1, 2);
  for (const auto& f : Numbered("Banner", 1, 3, ".gif^click")) fields.push_back(f);
  for (const auto& f : Numbered("Link", 1, 3, "^addr")) fields.push_back(f);
  const BrandSettings brand = ParseBrandSettings(BrandText(fields), random);
  EXPECT_THAT(random.asked, ElementsAre(2u, 3u, 3u, 2u));
  EXPECT_EQ(brand.WelcomeText, "Welcome2");
  EXPECT_EQ(brand.BannerImage, "Banner3.gif");
  EXPECT_EQ(brand.BannerURL, "click");
  EXPECT_EQ(brand.BannerNumber, 3);
  EXPECT_EQ(brand.Link1Caption, "Link3");
  EXPECT_EQ(brand.Link2Caption, "Link1");
}

TEST(BrandSettingsReader, OneLinkAndEntriesWithoutASecondFieldLeaveEmptyTexts) {
  const BrandSettings brand = Parse({{"Banner1", "pic.gif^"}, {"Link1", "Caption only"}});
  EXPECT_EQ(brand.BannerImage, "pic.gif");
  EXPECT_EQ(brand.BannerURL, "");
  EXPECT_EQ(brand.Link1Caption, "Caption only");
  EXPECT_EQ(brand.Link1URL, "");
  EXPECT_EQ(brand.Link2Caption, "");
}

TEST(NewsButton, ShowsOnlyForATierWithBothItsIdAndAddress) {
  const std::vector<std::pair<std::vector<Field>, bool>> cases = {
      {{{"BranderType", "Master"}, {"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, true},
      {{{"BranderType", "Master"}, {"MasterNewsBaseURL", "m"}}, false},
      {{{"BranderType", "Platinum"}, {"PlatinumNewsBaseURL", "p"}, {"PlatinumPublID", "1"}}, true},
      {{{"BranderType", "Platinum"}, {"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, false},
      {{{"BranderType", "Gold"}, {"GoldNewsBaseURL", "g"}, {"GoldPublID", "1"}}, true},
      {{{"BranderType", "Gold"}, {"GoldPublID", "1"}}, false},
      {{{"BranderType", "Free"}, {"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, true},
      {{{"BranderType", "Free"}, {"GoldNewsBaseURL", "g"}, {"GoldPublID", "1"}}, false},
      {{{"BranderType", "master"}, {"MasterNewsBaseURL", "m"}, {"MasterPublID", "1"}}, false},
  };
  for (const auto& [fields, shows] : cases) EXPECT_EQ(NewsButtonVisible(Parse(fields)), shows) << BrandText(fields);
}

TEST(BrandAppearance, BannerIsTheEntrysFileInTheFormatItsNameGivesWhateverTheFolderIsCalled) {
  test::TempDir root;
  const std::string folder = (root / "Velmora.gif" / "").string();
  root.Write("Velmora.gif/banner2.dat", "picture bytes");
  const std::vector<std::tuple<std::string, bool, std::string>> cases = {
      {"ad.GIF", true, "gif"},     {"pics\\ad.jpg", false, "jpg"}, {"x.gif.d/ad.png", false, "png"},
      {"ad.gif.bmp", true, "gif"}, {"noextension", false, ""}};
  for (const auto& [image, animated, format] : cases) {
    BrandSettings brand;
    brand.BannerImage = image;
    brand.BannerNumber = 2;
    const BrandAppearance look = DescribeAppearance(brand, folder);
    EXPECT_TRUE(look.bannerVisible) << image;
    EXPECT_EQ(look.bannerPath, (root / "Velmora.gif" / "banner2.dat").string());
    EXPECT_EQ(look.bannerAnimated, animated) << image;
    EXPECT_EQ(look.bannerFormat, format) << image;
  }
}

TEST(BrandAppearance, BannerAreaHidesWithoutAnImageNameOrItsFile) {
  test::TempDir folder;
  folder.Write("banner1.dat", "x");
  BrandSettings brand;
  brand.BannerNumber = 1;
  brand.BannerURL = "http://click.example/";
  EXPECT_FALSE(DescribeAppearance(brand, folder.folder()).bannerVisible) << "no image name";
  EXPECT_TRUE(DescribeAppearance(brand, folder.folder()).bannerHandCursor);
  brand.BannerImage = "ad.jpg";
  brand.BannerNumber = 2;
  EXPECT_FALSE(DescribeAppearance(brand, folder.folder()).bannerVisible) << "banner2.dat is missing";
}
