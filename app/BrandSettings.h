#pragma once
// The values a copy's brand-settings file leaves for the life of the process.

#include <string>
#include <utility>
#include <vector>

namespace velmora {

inline constexpr const char* ProgramVersion = "2.0";

struct BrandSettings {
  std::string ApplicationName;
  std::string BranderCode;
  std::string BranderType;
  std::string AffiliateURL;  // with every "%%AFFILIATEID%%" filled in
  std::string AffiliateTYPE;
  std::string AffiliateID;
  std::string MasterNewsBaseURL;
  std::string PlatinumNewsBaseURL;
  std::string GoldNewsBaseURL;
  std::string MasterPublID;
  std::string PlatinumPublID;
  std::string GoldPublID;
  std::string MakeMoneyButton;  // as read; empty when absent
  std::string AppHelpURL;
  std::string CopyrightYears;
  std::string CopyrightCompany;
  std::string AboutText;

  // The numbered pools as read (at most 16 each, up to the first gap).
  std::vector<std::string> WelcomePool;
  std::vector<std::vector<std::string>> BannerPool;  // caret fields of each entry
  std::vector<std::vector<std::string>> LinkPool;

  // The random picks of this start.
  std::string WelcomeText;
  std::string BannerImage;
  std::string BannerURL;
  int BannerNumber = 0;  // N of bannerN.dat; 0 when no banner was picked
  std::string Link1Caption;
  std::string Link1URL;
  std::string Link2Caption;
  std::string Link2URL;
};

}  // namespace velmora
