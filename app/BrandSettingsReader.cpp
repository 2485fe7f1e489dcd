#include "app/BrandSettingsReader.h"

#include <filesystem>
#include <system_error>

#include "app/Utils.h"

namespace velmora {

namespace {

using FieldMember = std::string BrandSettings::*;

constexpr std::pair<std::string_view, FieldMember> kFixedFields[] = {
    {"ApplicationName", &BrandSettings::ApplicationName},
    {"BranderCode", &BrandSettings::BranderCode},
    {"BranderType", &BrandSettings::BranderType},
    {"AffiliateURL", &BrandSettings::AffiliateURL},
    {"AffiliateTYPE", &BrandSettings::AffiliateTYPE},
    {"AffiliateID", &BrandSettings::AffiliateID},
    {"MasterNewsBaseURL", &BrandSettings::MasterNewsBaseURL},
    {"PlatinumNewsBaseURL", &BrandSettings::PlatinumNewsBaseURL},
    {"GoldNewsBaseURL", &BrandSettings::GoldNewsBaseURL},
    {"MasterPublID", &BrandSettings::MasterPublID},
    {"PlatinumPublID", &BrandSettings::PlatinumPublID},
    {"GoldPublID", &BrandSettings::GoldPublID},
    {"MakeMoneyButton", &BrandSettings::MakeMoneyButton},
    {"AppHelpURL", &BrandSettings::AppHelpURL},
    {"CopyrightYears", &BrandSettings::CopyrightYears},
    {"CopyrightCompany", &BrandSettings::CopyrightCompany},
    {"AboutText", &BrandSettings::AboutText},
};

class FieldReader {
public:
  explicit FieldReader(std::string_view text) : work_(text) {}
  std::string Next(std::string_view name) { return ExtractTagged(OpenTag(name), CloseTag(name), work_); }

private:
  std::string work_;
};

std::vector<std::string> ReadPool(FieldReader& reader, std::string_view prefix) {
  std::vector<std::string> pool;
  for (int n = 1; n <= kBrandPoolLimit; ++n) {
    std::string value = reader.Next(std::string(prefix) + std::to_string(n));
    if (value.empty()) break;
    pool.push_back(std::move(value));
  }
  return pool;
}

std::vector<std::vector<std::string>> SplitEntries(const std::vector<std::string>& entries) {
  std::vector<std::vector<std::string>> split;
  split.reserve(entries.size());
  for (const auto& entry : entries) split.push_back(SplitFields('^', entry));
  return split;
}

// The file-name part of an entry's image name; folders written either way are dropped.
std::string_view FileNamePart(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace

const std::vector<std::string_view>& BrandFieldOrder() {
  static const std::vector<std::string_view> order = [] {
    std::vector<std::string_view> names;
    for (const auto& field : kFixedFields) names.push_back(field.first);
    return names;
  }();
  return order;
}

BrandSettings ParseBrandSettings(std::string_view plainText, RandomSource& random) {
  FieldReader reader(plainText);
  BrandSettings brand;
  for (const auto& [name, member] : kFixedFields) brand.*member = reader.Next(name);
  // Exact case: a lower-case marker is ordinary text of the address.
  brand.AffiliateURL = ReplaceAll(brand.AffiliateURL, kAffiliateIdMarker, brand.AffiliateID);

  brand.WelcomePool = ReadPool(reader, "Welcome");
  brand.BannerPool = SplitEntries(ReadPool(reader, "Banner"));
  brand.LinkPool = SplitEntries(ReadPool(reader, "Link"));

  if (!brand.WelcomePool.empty()) brand.WelcomeText = brand.WelcomePool[random.Below(brand.WelcomePool.size())];

  if (!brand.BannerPool.empty()) {
    const std::size_t pick = random.Below(brand.BannerPool.size());
    // An entry without its second field simply has no click address.
    brand.BannerImage = FieldOrEmpty(brand.BannerPool[pick], 0);
    brand.BannerURL = FieldOrEmpty(brand.BannerPool[pick], 1);
    brand.BannerNumber = static_cast<int>(pick) + 1;
  }

  std::vector<const std::vector<std::string>*> links;
  for (const auto& link : brand.LinkPool) links.push_back(&link);
  if (!links.empty()) {
    const std::size_t first = random.Below(links.size());
    brand.Link1Caption = FieldOrEmpty(*links[first], 0);
    brand.Link1URL = FieldOrEmpty(*links[first], 1);
    links.erase(links.begin() + static_cast<std::ptrdiff_t>(first));
  }
  if (!links.empty()) {
    const std::size_t second = random.Below(links.size());
    brand.Link2Caption = FieldOrEmpty(*links[second], 0);
    brand.Link2URL = FieldOrEmpty(*links[second], 1);
  }
  return brand;
}

BrandSettingsLoad LoadBrandSettingsFile(const std::filesystem::path& programFolder, RandomSource& random) {
  BrandFileContent content = ReadBrandFile(programFolder);
  BrandSettingsLoad load;
  load.status = content.status;
  if (content.status == BrandFileStatus::Ok) load.settings = ParseBrandSettings(JoinLines(content.lines), random);
  return load;
}

bool NewsButtonVisible(const BrandSettings& brand) {
  const auto both = [](const std::string& id, const std::string& address) {
    return !id.empty() && !address.empty();
  };
  const std::string& tier = brand.BranderType;
  if (tier == "Master" || tier == "Free") return both(brand.MasterPublID, brand.MasterNewsBaseURL);
  if (tier == "Platinum") return both(brand.PlatinumPublID, brand.PlatinumNewsBaseURL);
  if (tier == "Gold") return both(brand.GoldPublID, brand.GoldNewsBaseURL);
  return false;
}

std::string BannerFileName(int number) { return "banner" + std::to_string(number) + ".dat"; }

BrandAppearance DescribeAppearance(const BrandSettings& brand, const std::filesystem::path& programFolder) {
  BrandAppearance look;
  look.title = brand.ApplicationName + " v" + ProgramVersion;
  look.newsButtonVisible = NewsButtonVisible(brand);
  look.makeMoneyCaption = brand.MakeMoneyButton.empty() ? std::string("Make Money") : brand.MakeMoneyButton;
  look.bannerHandCursor = !brand.BannerURL.empty();
  look.linksVisible = !brand.Link1Caption.empty();

  if (!brand.BannerImage.empty() && brand.BannerNumber > 0) {
    const std::filesystem::path picture = programFolder / BannerFileName(brand.BannerNumber);
    std::error_code ec;
    if (std::filesystem::is_regular_file(picture, ec)) {
      // The format is named by the entry's image name; the folder the
      // program lies in has no say in it.
      const std::string name = ToLowerAscii(FileNamePart(brand.BannerImage));
      look.bannerVisible = true;
      look.bannerPath = picture.string();
      look.bannerAnimated = name.find(".gif") != std::string::npos;
      const std::size_t dot = name.rfind('.');
      look.bannerFormat = look.bannerAnimated ? std::string("gif")
                          : dot == std::string::npos ? std::string()
                                                     : name.substr(dot + 1);
    }
  }
  return look;
}

}  // namespace velmora
