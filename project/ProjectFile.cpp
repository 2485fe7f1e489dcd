#include "project/ProjectFile.h"

#include <algorithm>

#include "app/Utils.h"

namespace velmora {

namespace {

// Large enough for any project a person writes, small enough that a wrong
// file chosen by mistake cannot exhaust memory.
constexpr std::size_t kMaxProjectBytes = std::size_t{256} << 20;

constexpr std::string_view kItemSeparator = "$$";    // anchors, PPC, banners
constexpr std::string_view kTextSeparator = "^^";    // the five multi-line kinds
constexpr std::size_t kPpcCarets = 4;                 // "^title^body^link^"

std::string JoinItems(const PromoList& items, std::string_view separator) {
  std::string text;
  std::size_t size = 0;
  for (const auto& item : items) size += item.size() + 2;
  text.reserve(size);
  for (const auto& item : items) {
    text += item;
    text += "\r\n";
  }
  return FlattenLines(text, separator);
}

// Items between separators; a break at the very end gives no empty item,
// two in a row give an empty one. Hand-edited values may hold real line
// breaks, which separate items as well.
PromoList SplitItems(std::string_view value, std::string_view separator) {
  if (value.empty()) return {};
  return SplitLines(ReplaceAll(value, separator, "\r\n"));
}

std::size_t CountCarets(std::string_view text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '^')); }

// A PPC body's line breaks are stored as "$$", the same mark that separates
// ads, so a multi-line ad reads back in pieces. An ad begins with "^" and
// holds four carets; pieces are joined back while they add up to no more
// than that. Single-line ads, and pieces that cannot belong together, stay
// as they were read.
PromoList JoinPpcPieces(PromoList pieces) {
  PromoList ads;
  ads.reserve(pieces.size());
  for (std::size_t i = 0; i < pieces.size();) {
    std::string ad = std::move(pieces[i++]);
    if (!ad.empty() && ad.front() == '^') {
      std::size_t carets = CountCarets(ad);
      while (carets < kPpcCarets && i < pieces.size()) {
        const std::size_t more = CountCarets(pieces[i]);
        if (carets + more > kPpcCarets) break;
        ad += kItemSeparator;
        ad += pieces[i++];
        carets += more;
      }
    }
    ads.push_back(std::move(ad));
  }
  return ads;
}

}  // namespace

Lines ProjectLines(const TAffManager& project) {
  return {
      TagLine("AfTitle", project.Title),
      TagLine("AfURL", project.URL),
      TagLine("AfClickBankId", project.ClickBankId),
      TagLine("AfTemplate", project.Template),
      TagLine("AfAnchors", JoinItems(project.Anchors, kItemSeparator)),
      TagLine("AfPPC", JoinItems(project.PPC, kItemSeparator)),
      TagLine("AfBanners", JoinItems(project.Banners, kItemSeparator)),
      TagLine("AfSignatures", JoinItems(project.Signatures, kTextSeparator)),
      TagLine("AfEmail", JoinItems(project.Email, kTextSeparator)),
      TagLine("AfAutoEmail", JoinItems(project.AutoEmail, kTextSeparator)),
      TagLine("AfArticles", JoinItems(project.Articles, kTextSeparator)),
      TagLine("AfPopUps", JoinItems(project.PopUps, kTextSeparator)),
      TagLine("AfFileName", project.FileName),
  };
}

void SaveProjectFile(const std::filesystem::path& path, const TAffManager& project) {
  WriteLineFile(path, ProjectLines(project));
}

TAffManager ParseProject(std::string_view text) {
  // The working text is the file's lines joined with CR LF; each field is
  // looked for only after the one before it.
  std::string work = JoinLines(SplitLines(text));
  auto take = [&work](std::string_view name) { return ExtractTagged(OpenTag(name), CloseTag(name), work); };

  TAffManager project;
  project.Title = take("AfTitle");
  project.URL = take("AfURL");
  project.ClickBankId = take("AfClickBankId");
  project.Template = take("AfTemplate");
  project.Anchors = SplitItems(take("AfAnchors"), kItemSeparator);
  project.PPC = JoinPpcPieces(SplitItems(take("AfPPC"), kItemSeparator));
  project.Banners = SplitItems(take("AfBanners"), kItemSeparator);
  project.Signatures = SplitItems(take("AfSignatures"), kTextSeparator);
  project.Email = SplitItems(take("AfEmail"), kTextSeparator);
  project.AutoEmail = SplitItems(take("AfAutoEmail"), kTextSeparator);
  project.Articles = SplitItems(take("AfArticles"), kTextSeparator);
  project.PopUps = SplitItems(take("AfPopUps"), kTextSeparator);
  project.FileName = take("AfFileName");
  return project;
}

TAffManager LoadProjectFile(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw FileError("Cannot open the file", path, "it is a folder");
  return ParseProject(ReadWholeFile(path, kMaxProjectBytes));
}

}  // namespace velmora
