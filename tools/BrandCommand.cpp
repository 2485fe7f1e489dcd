// velmora-tool brand: shows a program folder's brand settings as start-up
// reads them, and with --check what its publisher probably got wrong.
#include <iostream>
#include <string>
#include <vector>

#include "app/BrandCheck.h"
#include "app/BrandSettingsReader.h"
#include "app/TextCodec.h"
#include "app/Utils.h"
#include "tools/Command.h"
#include "tools/ToolPlaces.h"

namespace velmora::tool {

namespace {

// The picks are not shown, so any choice serves.
class FirstChoice final : public RandomSource {
public:
  std::size_t Below(std::size_t) override { return 0; }
};

std::string JsonPairs(const std::vector<std::vector<std::string>>& entries) {
  std::string out = "[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) out += ", ";
    // Appended piece by piece: g++ 12 at -O3 warns falsely about "[" + temporary.
    out += '[';
    out += JsonString(FieldOrEmpty(entries[i], 0));
    out += ", ";
    out += JsonString(FieldOrEmpty(entries[i], 1));
    out += ']';
  }
  return out + "]";
}

std::string BrandJson(const BrandSettings& brand, const std::string& lastNewsId) {
  const std::pair<const char*, const std::string*> fields[] = {
      {"ApplicationName", &brand.ApplicationName},
      {"BranderCode", &brand.BranderCode},
      {"BranderType", &brand.BranderType},
      {"AffiliateURL", &brand.AffiliateURL},
      {"AffiliateTYPE", &brand.AffiliateTYPE},
      {"AffiliateID", &brand.AffiliateID},
      {"MasterNewsBaseURL", &brand.MasterNewsBaseURL},
      {"PlatinumNewsBaseURL", &brand.PlatinumNewsBaseURL},
      {"GoldNewsBaseURL", &brand.GoldNewsBaseURL},
      {"MasterPublID", &brand.MasterPublID},
      {"PlatinumPublID", &brand.PlatinumPublID},
      {"GoldPublID", &brand.GoldPublID},
      {"MakeMoneyButton", &brand.MakeMoneyButton},
      {"AppHelpURL", &brand.AppHelpURL},
      {"CopyrightYears", &brand.CopyrightYears},
      {"CopyrightCompany", &brand.CopyrightCompany},
      {"AboutText", &brand.AboutText},
      {"LastNewsId", &lastNewsId},
  };
  std::string out = "{\n";
  for (const auto& [name, value] : fields) out += "  \"" + std::string(name) + "\": " + JsonString(*value) + ",\n";
  out += "  \"Welcome\": [";
  for (std::size_t i = 0; i < brand.WelcomePool.size(); ++i) out += (i ? ", " : "") + JsonString(brand.WelcomePool[i]);
  out += "],\n";
  out += "  \"Banners\": " + JsonPairs(brand.BannerPool) + ",\n";
  out += "  \"Links\": " + JsonPairs(brand.LinkPool) + "\n}\n";
  return out;
}

int RunBrand(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--program-folder"}, {"--check"});
  if (!parsed.positional.empty()) throw UsageError("unexpected argument " + parsed.positional.front());
  const std::filesystem::path folder = ToolPlaces(parsed).ProgramFolder();

  const BrandFileContent content = ReadBrandFile(folder);
  if (content.status == BrandFileStatus::Missing) {
    std::cerr << "velmora-tool brand: " << (folder / kBrandFileName).string() << " does not exist\n";
    return 1;
  }
  if (content.status == BrandFileStatus::Failed) {
    std::cerr << "velmora-tool brand: " << (folder / kBrandFileName).string()
              << " cannot be read, or fails the password check or the authentication (damaged or altered)\n";
    return 1;
  }
  const std::string text = JoinLines(content.lines);
  FirstChoice random;
  const BrandSettings brand = ParseBrandSettings(text, random);
  std::string work = text;
  const std::string lastNewsId = ExtractTagged(OpenTag("LastNewsId"), CloseTag("LastNewsId"), work);
  std::cout << BrandJson(brand, lastNewsId) << std::flush;

  if (!parsed.Flag("--check")) return 0;
  const std::vector<std::string> warnings = CheckBrandText(text, folder);
  for (const auto& warning : warnings) std::cerr << "warning: " << ToDisplayUtf8(warning) << "\n";
  return warnings.empty() ? 0 : 1;
}

const RegisterCommand kRegistered{{
    "brand",
    "velmora-tool brand [--check] [--program-folder DIR]",
    RunBrand,
}};

}  // namespace

}  // namespace velmora::tool
