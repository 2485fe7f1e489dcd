#pragma once
// Reading the brand settings as start-up does, and what the main window
// makes of them. The window only applies the result.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/BrandFile.h"
#include "app/BrandSettings.h"
#include "app/Ports.h"

namespace velmora {

// The fixed fields in the order the reader takes them, and so the order
// they must stand in the file. The pools Welcome, Banner and Link follow.
const std::vector<std::string_view>& BrandFieldOrder();
inline constexpr int kBrandPoolLimit = 16;
inline constexpr std::string_view kAffiliateIdMarker = "%%AFFILIATEID%%";

// Takes every field from the deciphered text (one shrinking working text),
// fills the pools and makes this start's random picks.
BrandSettings ParseBrandSettings(std::string_view plainText, RandomSource& random);

struct BrandSettingsLoad {
  BrandFileStatus status = BrandFileStatus::Missing;
  BrandSettings settings;  // every field empty unless status is Ok
};
// `programFolder` + dbsettings.dat, read as start-up reads it.
BrandSettingsLoad LoadBrandSettingsFile(const std::filesystem::path& programFolder, RandomSource& random);

// The tier's publisher id and news address are both set; Free borrows Master's.
bool NewsButtonVisible(const BrandSettings& brand);

// The banner picture of banner entry `number`: "banner" + number + ".dat".
std::string BannerFileName(int number);

// What the main window shows for a read brand file.
struct BrandAppearance {
  std::string title;  // ApplicationName + " v" + ProgramVersion
  bool newsButtonVisible = false;
  std::string makeMoneyCaption;
  bool bannerVisible = false;
  std::string bannerPath;    // programFolder + bannerN.dat
  bool bannerAnimated = false;
  std::string bannerFormat;  // lower-case extension of the entry's file name ("gif" when animated)
  bool bannerHandCursor = false;
  bool linksVisible = false;
};
BrandAppearance DescribeAppearance(const BrandSettings& brand, const std::filesystem::path& programFolder);

}  // namespace velmora
