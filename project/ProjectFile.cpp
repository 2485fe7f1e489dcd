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
  PromoList items;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < value.size()) {
    std::size_t breakLength = 0;
    if (value[i] == separator.front() && value.compare(i, separator.size(), separator) == 0)
      breakLength = separator.size();
    else if (value[i] == '\r')
      breakLength = i + 1 < value.size() && value[i + 1] == '\n' ? 2 : 1;
    else if (value[i] == '\n')
      breakLength = 1;
    if (breakLength == 0) {
      ++i;
      continue;
    }
    items.emplace_back(value.substr(start, i - start));
    i += breakLength;
    start = i;
  }
  if (start < value.size()) items.emplace_back(value.substr(start));
  return items;
}

bool HasOnlyCrLfLineEnds(std::string_view text) {
  for (std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos;
       at = text.find_first_of("\r\n", at + 2)) {
    if (text[at] != '\r' || at + 1 >= text.size() || text[at + 1] != '\n') return false;
  }
  return true;
}

// The text as a line file reads it: every line end made CR LF, nothing
// after a NUL byte. Files we wrote need no change and are not copied.
std::string WorkingText(std::string text) {
  text.resize(std::min(text.size(), text.find('\0')));
  if (HasOnlyCrLfLineEnds(text)) return text;
  std::string work;
  work.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      work += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      work += c;
    }
  }
  return work;
}

std::size_t CountCarets(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '^'));
}

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

TAffManager ParseWorkingText(std::string work) {
  // Each field is looked for only after the one before it.
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

TAffManager ParseProject(std::string_view text) { return ParseWorkingText(WorkingText(std::string(text))); }

TAffManager LoadProjectFile(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw FileError("Cannot open the file", path, "it is a folder");
  return ParseWorkingText(WorkingText(ReadWholeFile(path, kMaxProjectBytes)));
}

}  // namespace velmora
