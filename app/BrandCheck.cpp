#include "app/BrandCheck.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "app/BrandSettingsReader.h"
#include "app/Utils.h"

namespace velmora {

namespace {

class CheckingReader {
public:
  CheckingReader(std::string_view text, std::vector<std::string>& warnings) : whole_(text), work_(text), warnings_(warnings) {}

  // The value start-up reads for `name`, with a warning when the file holds
  // the field but start-up cannot see it.
  std::string Next(const std::string& name) {
    const std::string open = OpenTag(name);
    const std::string close = CloseTag(name);
    if (FindIgnoreCaseAscii(work_, open) == std::string::npos) {
      if (FindIgnoreCaseAscii(whole_, open) != std::string::npos)
        warnings_.push_back(name + " stands before a field that is read earlier, so it reads as empty");
      return {};
    }
    std::string value = ExtractTagged(open, close, work_);
    if (FindIgnoreCaseAscii(work_, close) != 0) warnings_.push_back(name + " has no closing tag " + close);
    return value;
  }

private:
  std::string_view whole_;
  std::string work_;
  std::vector<std::string>& warnings_;
};

// The numbers of every "<%%" + prefix + digits + "%%>" in the text.
std::set<int> NumbersInText(std::string_view text, std::string_view prefix) {
  std::set<int> numbers;
  const std::string open = "<%%" + std::string(prefix);
  std::size_t at = 0;
  while ((at = FindIgnoreCaseAscii(text, open, at)) != std::string::npos) {
    at += open.size();
    std::size_t end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    const std::string_view digits = text.substr(at, end - at);
    if (digits.empty() || digits.size() > 6 || digits.front() == '0') continue;
    if (text.substr(end, 3) != "%%>") continue;
    numbers.insert(std::stoi(std::string(digits)));
  }
  return numbers;
}

std::vector<std::string> CheckPool(CheckingReader& reader, std::string_view text, std::string_view prefix,
                                   std::vector<std::string>& warnings) {
  const std::string name(prefix);
  std::vector<std::string> pool;
  for (int n = 1; n <= kBrandPoolLimit; ++n) {
    std::string value = reader.Next(name + std::to_string(n));
    if (value.empty()) break;
    pool.push_back(std::move(value));
  }
  const int firstUnread = static_cast<int>(pool.size()) + 1;
  for (const int n : NumbersInText(text, prefix)) {
    if (n > kBrandPoolLimit) {
      warnings.push_back(name + std::to_string(n) + " is past " + std::to_string(kBrandPoolLimit) +
                         " and is never read");
    } else if (n > firstUnread) {
      warnings.push_back(name + std::to_string(n) + " follows a gap (" + name + std::to_string(firstUnread) +
                         " is missing or empty) and is never read");
    }
  }
  return pool;
}

void CheckEntryFields(const std::vector<std::string>& pool, std::string_view prefix, std::string_view what,
                      std::vector<std::string>& warnings) {
  for (std::size_t i = 0; i < pool.size(); ++i) {
    if (SplitFields('^', pool[i]).size() < 2)
      warnings.push_back(std::string(prefix) + std::to_string(i + 1) + " lacks its second field: it needs " +
                         std::string(what) + " separated by ^");
  }
}

void CheckTier(std::string_view tier, const std::string& id, const std::string& address, bool own,
               std::vector<std::string>& warnings) {
  const std::string name(tier);
  if (id.empty() && address.empty() && !own) return;
  if (id.empty()) warnings.push_back("the " + name + " tier has no publisher id (" + name + "PublID)");
  if (address.empty()) warnings.push_back("the " + name + " tier has no news address (" + name + "NewsBaseURL)");
}

}  // namespace

std::vector<std::string> CheckBrandText(std::string_view plainText, const std::filesystem::path& programFolder) {
  std::vector<std::string> warnings;
  CheckingReader reader(plainText, warnings);
  std::map<std::string_view, std::string> fields;
  for (const auto name : BrandFieldOrder()) fields[name] = reader.Next(std::string(name));
  const auto field = [&](std::string_view name) -> const std::string& { return fields.at(name); };

  CheckPool(reader, plainText, "Welcome", warnings);
  const auto banners = CheckPool(reader, plainText, "Banner", warnings);
  const auto links = CheckPool(reader, plainText, "Link", warnings);
  CheckEntryFields(banners, "Banner", "an image file name and a click address", warnings);
  CheckEntryFields(links, "Link", "a caption and an address", warnings);
  for (std::size_t i = 0; i < banners.size(); ++i) {
    const std::string file = BannerFileName(static_cast<int>(i) + 1);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(programFolder / file, ec))
      warnings.push_back("Banner" + std::to_string(i + 1) + " has no picture file " + file + " in the program folder");
  }

  const std::string& tier = field("BranderType");
  if (tier != "Master" && tier != "Platinum" && tier != "Gold" && tier != "Free") {
    warnings.push_back("BranderType \"" + tier +
                       "\" is not one of Master, Platinum, Gold, Free (exact case): there is no news");
  }
  // Free reads the news of the Master tier.
  CheckTier("Master", field("MasterPublID"), field("MasterNewsBaseURL"), tier == "Master" || tier == "Free", warnings);
  CheckTier("Platinum", field("PlatinumPublID"), field("PlatinumNewsBaseURL"), tier == "Platinum", warnings);
  CheckTier("Gold", field("GoldPublID"), field("GoldNewsBaseURL"), tier == "Gold", warnings);
  return warnings;
}

}  // namespace velmora
