#include "project/ProjectFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "app/TextCodec.h"
#include "app/Utils.h"
#include "project/ItemText.h"
#include "project/PromoLists.h"

namespace velmora {

namespace {

constexpr std::size_t kPpcCarets = 4;                 // "^title^body^link^"

constexpr std::string_view kBannerAltsTag = "AfBannerAlts";
// Holds "1" when the items hold escapes (project/ItemText.h).
constexpr std::string_view kEscapesTag = "AfEscapes";

template <typename Stored>
std::string JoinItems(const PromoList& items, std::string_view separator, Stored stored) {
  std::string text;
  std::size_t size = 0;
  for (const auto& item : items) size += item.size() + 2;
  text.reserve(size);
  for (const auto& item : items) {
    text += stored(item);
    text += "\r\n";
  }
  return FlattenLines(text, separator);
}

// Whether every byte is ASCII, eight at a time.
bool IsAscii(std::string_view text) {
  std::size_t i = 0;
  std::uint64_t high = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    high |= word;
  }
  for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
  return (high & 0x8080808080808080ull) == 0;
}

// Where the next of `byte` stands from `from` on, or the text's end.
std::size_t NextOf(std::string_view text, char byte, std::size_t from) {
  if (from >= text.size()) return text.size();  // an empty view may have no data to search
  const void* at = std::memchr(text.data() + from, byte, text.size() - from);
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : text.size();
}

// Items between separators; a break at the very end gives no empty item,
// two in a row give an empty one. Hand-edited values may hold real line
// breaks, which separate items as well.
PromoList SplitItems(std::string_view value, std::string_view separator) {
  PromoList items;
  std::size_t start = 0;
  // The next candidate of each kind of break, found again only once passed.
  std::size_t mark = NextOf(value, separator.front(), 0);
  std::size_t cr = NextOf(value, '\r', 0);
  std::size_t lf = NextOf(value, '\n', 0);
  for (;;) {
    const std::size_t i = std::min({mark, cr, lf});
    if (i == value.size()) break;
    std::size_t breakLength = 0;
    if (i == mark && value.compare(i, separator.size(), separator) == 0)
      breakLength = separator.size();
    else if (i == cr)
      breakLength = i + 1 < value.size() && value[i + 1] == '\n' ? 2 : 1;
    else if (i == lf)
      breakLength = 1;
    if (breakLength != 0) {
      items.emplace_back(value.substr(start, i - start));
      start = i + breakLength;
    }
    // Past the break, or one byte past a separator's first byte that began none.
    const std::size_t next = breakLength != 0 ? start : i + 1;
    if (mark < next) mark = NextOf(value, separator.front(), next);
    if (cr < next) cr = NextOf(value, '\r', next);
    if (lf < next) lf = NextOf(value, '\n', next);
  }
  if (start < value.size()) items.emplace_back(value.substr(start));
  // Older files were written in Windows-1252; the program works in UTF-8.
  if (!IsAscii(value)) {
    for (auto& item : items)
      if (!IsValidUtf8(item)) item = Windows1252ToUtf8(item);
  }
  return items;
}

bool HasOnlyCrLfLineEnds(std::string_view text) {
  for (std::size_t at = NextOf(text, '\r', 0); at < text.size(); at = NextOf(text, '\r', at + 1))
    if (at + 1 == text.size() || text[at + 1] != '\n') return false;
  for (std::size_t at = NextOf(text, '\n', 0); at < text.size(); at = NextOf(text, '\n', at + 1))
    if (at == 0 || text[at - 1] != '\r') return false;
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
PromoList JoinPpcPieces(PromoList pieces, std::string_view separator) {
  PromoList ads;
  ads.reserve(pieces.size());
  for (std::size_t i = 0; i < pieces.size();) {
    std::string ad = std::move(pieces[i++]);
    if (!ad.empty() && ad.front() == '^') {
      std::size_t carets = CountCarets(ad);
      while (carets < kPpcCarets && i < pieces.size()) {
        const std::size_t more = CountCarets(pieces[i]);
        if (carets + more > kPpcCarets) break;
        ad += separator;
        ad += pieces[i++];
        carets += more;
      }
    }
    ads.push_back(std::move(ad));
  }
  return ads;
}

// The first `needle` from `from` on, ASCII letters in either case; the
// needles are tags, which begin with '<'.
std::size_t FindTag(std::string_view text, std::string_view needle, std::size_t from) {
  for (std::size_t at = NextOf(text, needle.front(), from); at < text.size(); at = NextOf(text, needle.front(), at + 1))
    if (text.size() - at >= needle.size() && EqualsIgnoreCaseAscii(text.substr(at, needle.size()), needle)) return at;
  return std::string_view::npos;
}

// ExtractTagged on a view: the value between the first open tag and the
// next close tag; `rest` then begins at the close tag, or after an open tag
// that has none.
std::string_view TakeTagged(std::string_view open, std::string_view close, std::string_view& rest) {
  const std::size_t openAt = FindTag(rest, open, 0);
  if (openAt == std::string_view::npos) return {};
  const std::size_t valueAt = openAt + open.size();
  const std::size_t closeAt = FindTag(rest, close, valueAt);
  if (closeAt == std::string_view::npos) {
    rest.remove_prefix(valueAt);
    return {};
  }
  const std::string_view value = rest.substr(valueAt, closeAt - valueAt);
  rest.remove_prefix(closeAt);
  return value;
}

std::string IntendedText(const std::vector<std::string>& keys) {
  std::string text;
  for (const std::string& key : keys) {
    if (!text.empty()) text += ' ';
    text += OneLine(key);
  }
  return text;
}

Project ParseWorkingText(const std::string& text) {
  // Each field is looked for only after the one before it.
  std::string_view rest = text;
  auto take = [&rest](std::string_view name) { return TakeTagged(OpenTag(name), CloseTag(name), rest); };
  auto takeValue = [&take](std::string_view name) { return OneLine(ToDisplayUtf8(take(name))); };
  Project project;
  project.Title = takeValue("AfTitle");
  project.URL = takeValue("AfURL");
  project.ClickBankId = takeValue("AfClickBankId");
  project.Template = takeValue("AfTemplate");
  auto takeItems = [&take, &project](const PromoKindInfo& kind) {
    PromoList items = SplitItems(take(kind.tag), kind.separator);
    ListOf(project, kind.kind) =
        kind.shape == PromoShape::PpcAd ? JoinPpcPieces(std::move(items), kind.separator) : std::move(items);
  };
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (!kind.storedLast) takeItems(kind);
  project.FileName = takeValue("AfFileName");
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (kind.storedLast) takeItems(kind);
  project.Description = takeValue(kDescriptionTag);
  project.PageId = takeValue("AfPageId");
  project.PublishTargets = TargetsFromText(take("AfPublishTargets"));
  const PromoList alts = SplitItems(take(kBannerAltsTag), "$$");
  const bool escaped = TrimControl(take(kEscapesTag)) == "1";
  for (PromoKind kind : kPromoKinds)
    for (std::string& item : ListOf(project, kind))
      ReadFromFile(kind, item, escaped);
  for (std::size_t i = 0; i < alts.size() && i < project.Banners.size(); ++i)
    SetBannerAlt(project, project.Banners[i], UnescapedLine(alts[i]));
  // Keys hold no blanks; a hand-edited list may hold any number of them.
  std::unordered_set<std::string> intended;
  for (std::string& key : SplitFields(' ', ToDisplayUtf8(take("AfIntendedFindings"))))
    if (!key.empty() && intended.insert(key).second) project.IntendedFindings.push_back(std::move(key));
  return project;
}

}  // namespace

Lines ProjectLines(const Project& project) {
  Lines lines = {
      TagLine("AfTitle", project.Title),
      TagLine("AfURL", project.URL),
      TagLine("AfClickBankId", project.ClickBankId),
      TagLine("AfTemplate", project.Template),
  };
  bool escaped = false;
  for (PromoKind kind : kPromoKinds)
    for (const std::string& item : ListOf(project, kind)) escaped = escaped || NeedsEscapes(kind, item);
  auto addItems = [&lines, &project, escaped](const PromoKindInfo& kind) {
    lines.push_back(TagLine(kind.tag, JoinItems(ListOf(project, kind.kind), kind.separator, [&](const std::string& item) {
                              return escaped ? EscapedInFile(kind.kind, item) : PlainInFile(kind.kind, item);
                            })));
  };
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (!kind.storedLast) addItems(kind);
  lines.push_back(TagLine("AfFileName", project.FileName));
  // Only when they hold something, so that a project without them is written as before.
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (kind.storedLast && !ListOf(project, kind.kind).empty()) addItems(kind);
  if (!project.Description.empty()) lines.push_back(TagLine(kDescriptionTag, project.Description));
  if (!project.PageId.empty()) lines.push_back(TagLine("AfPageId", project.PageId));
  if (!project.PublishTargets.empty()) lines.push_back(TagLine("AfPublishTargets", TargetsText(project.PublishTargets)));
  // One per banner, in its order, always escaped: only this copy reads them.
  const bool alts = std::any_of(project.Banners.begin(), project.Banners.end(),
                                [&](const std::string& banner) { return !BannerAlt(project, banner).empty(); });
  if (alts)
    lines.push_back(TagLine(kBannerAltsTag, JoinItems(project.Banners, "$$", [&](const std::string& banner) {
                              return EscapedLine(BannerAlt(project, banner));
                            })));
  if (escaped) lines.push_back(TagLine(kEscapesTag, "1"));
  if (!project.IntendedFindings.empty())
    lines.push_back(TagLine("AfIntendedFindings", IntendedText(project.IntendedFindings)));
  return lines;
}

Result<void> SaveProjectFile(const std::filesystem::path& path, const Project& project) {
  return WriteLineFile(path, ProjectLines(project));
}

Project ParseProject(std::string_view text) { return ParseWorkingText(WorkingText(std::string(text))); }

Result<Project> LoadProjectFile(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    return FileFailure(ErrorKind::Unreadable, "Cannot open the file", path, "it is a folder");
  auto bytes = ReadWholeFile(path, kMaxProjectBytes);
  if (!bytes) return bytes.error();
  if (!LooksLikeProjectFile(*bytes))
    return FileFailure(ErrorKind::Invalid, "Cannot load the file", path, "it is not a project file");
  return ParseWorkingText(WorkingText(std::move(*bytes)));
}

const std::array<std::string_view, kProjectFieldCount> kProjectFields = [] {
  std::array<std::string_view, kProjectFieldCount> fields{"AfTitle", "AfURL", "AfClickBankId", "AfTemplate"};
  std::size_t at = 4;
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (!kind.storedLast) fields[at++] = kind.tag;
  fields[at++] = "AfFileName";
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (kind.storedLast) fields[at++] = kind.tag;
  fields[at++] = kDescriptionTag;
  fields[at++] = "AfPageId";
  fields[at++] = "AfPublishTargets";
  fields[at++] = kBannerAltsTag;
  fields[at++] = kEscapesTag;
  fields[at++] = "AfIntendedFindings";
  return fields;
}();

std::size_t FindProjectTag(std::string_view text, std::string* tag) {
  constexpr std::string_view kOpen = "<%%";
  constexpr std::string_view kClose = "%%>";
  for (std::size_t at = text.find(kOpen); at != std::string_view::npos; at = text.find(kOpen, at + 1)) {
    std::size_t name = at + kOpen.size();
    if (name < text.size() && text[name] == '/') ++name;
    for (std::string_view field : kProjectFields) {
      if (text.size() - name < field.size() + kClose.size()) continue;
      if (!EqualsIgnoreCaseAscii(text.substr(name, field.size()), field) ||
          text.substr(name + field.size(), kClose.size()) != kClose)
        continue;
      if (tag) *tag = std::string(text.substr(at, name + field.size() + kClose.size() - at));
      return at;
    }
  }
  return std::string_view::npos;
}

bool LooksLikeProjectFile(std::string_view bytes) {
  const std::size_t tag = FindProjectTag(bytes);
  return tag != std::string_view::npos && bytes.substr(0, tag).find('\0') == std::string_view::npos;
}

std::filesystem::path WithProjectExtension(std::filesystem::path path) {
  if (!path.has_extension()) path += ".set";
  return path;
}

std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      line += ' ';
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  return line;
}

std::optional<std::string> SaveProblem(const Project& project) {
  const std::pair<const std::string*, const char*> values[] = {
      {&project.Title, "The page title"},       {&project.URL, "The affiliate URL"},
      {&project.ClickBankId, "The affiliate ID"}, {&project.Template, "The template name"},
      {&project.FileName, "The output filename"}, {&project.Description, "The page description"}};
  std::string tag;
  for (const auto& [value, what] : values)
    if (FindProjectTag(*value, &tag) != std::string_view::npos)
      return std::string(what) + " can't contain " + tag + ": project files use it to mark their fields.";
  return std::nullopt;
}

}  // namespace velmora
