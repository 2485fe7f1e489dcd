#include "generator/PageGenerator.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <optional>
#include <cstdint>
#include <system_error>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageText.h"
#include "generator/TemplateCatalogue.h"
#include "project/ItemText.h"
#include "project/PromoKinds.h"
#include "project/PromoLists.h"
#include "project/SocialPost.h"

namespace velmora {

namespace {

constexpr std::string_view kPpcAds = "%%PPCADS%%";
constexpr std::string_view kDescription = "%%DESCRIPTION%%";

// In a social post's block: the post and the link percent-encoded, for share links.
constexpr std::string_view kPostEncoded = "%%SOCIAL_ENCODED%%";
constexpr std::string_view kLinkEncoded = "%%AFFILIATELINK_ENCODED%%";

// The description is plain text for an attribute value.
std::string EscapeForAttribute(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\r': case '\n': escaped += ' '; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string PageDescription(const Project& project) {
  const std::string description = TrimControl(project.Description);
  if (!description.empty()) return EscapeForAttribute(description);
  const std::string title = TrimControl(project.Title);
  if (title.empty()) return "Ready-made promotional material for affiliates: copy it, paste it and start earning.";
  return EscapeForAttribute("Ready-made promotional material for affiliates of " + title +
                            ": copy it, paste it and start earning.");
}

std::string BuildPageMenu(const Project& project) {
  std::string menu;
  if (!project.URL.empty()) menu += R"(<a href="#affiliatelink">Affiliate Link</a> | )";
  for (const PromoKind kind : kPageMenuOrder)
    if (!ListOf(project, kind).empty()) menu += InfoOf(kind).menuEntry;
  return menu;
}

namespace {

// What BuildPostRows will make, counted without making it; the encoded
// forms are counted at their largest, three bytes a byte.
std::size_t PostRowsSize(std::string_view block, const PromoList& posts, std::string_view link, bool startsInTextArea) {
  const std::size_t shown = CountOf(block, InfoOf(PromoKind::SocialPosts).placeholder);
  // In a text box "&" takes five bytes.
  const bool boxes = startsInTextArea || FindIgnoreCaseAscii(block, "<textarea") != std::string_view::npos;
  const std::size_t boxGrowth = boxes ? 5 : 1;
  const std::size_t encoded = CountOf(block, kPostEncoded);
  const std::size_t links = CountOf(block, kLinkEncoded);
  std::size_t size = 0;
  for (const std::string& post : posts) {
    // The post with the link where it names it, else after it.
    const std::size_t named = CountOf(post, kAffiliateLink);
    const std::size_t text = named == 0 ? post.size() + 1 + link.size() : post.size() - named * kAffiliateLink.size() + named * link.size();
    size += block.size() + shown * boxGrowth * text + encoded * 3 * text + links * 3 * link.size();
  }
  return size;
}

}  // namespace

std::string BuildPostRows(std::string_view block, const PromoList& posts, std::string_view link, bool startsInTextArea) {
  const std::string encodedLink = PercentEncode(link);
  const std::string_view placeholder = InfoOf(PromoKind::SocialPosts).placeholder;
  const std::vector<bool> boxed = MatchesInTextAreas(block, placeholder, startsInTextArea);
  std::string rows;
  for (const std::string& post : posts) {
    const std::string text = PostWithLink(TypedText(PromoKind::SocialPosts, post), link);
    // The encoded forms first: the post as shown may hold their names.
    std::string row = ReplaceAll(block, kPostEncoded, PercentEncode(text));
    row = ReplaceAll(row, kLinkEncoded, encodedLink);
    std::size_t at = 0;
    for (std::size_t k = 0; k < boxed.size(); ++k) {
      at = row.find(placeholder, at);
      const std::string shown = boxed[k] ? EscapeForTextArea(text) : text;
      row.replace(at, placeholder.size(), shown);
      at += shown.size();
    }
    rows += row;
  }
  return rows;
}

namespace {

// The fields TypedPpcAd reads from an ad, as views into it: the ones of an
// ad without references, which is nearly every ad, need no copies.
std::array<std::string_view, 4> PpcFields(std::string_view ad) {
  std::array<std::string_view, 4> fields{};
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t at = ad.find('^'); at != std::string_view::npos && count < fields.size(); at = ad.find('^', start)) {
    fields[count++] = ad.substr(start, at - start);
    start = at + 1;
  }
  if (count < fields.size() && start < ad.size()) fields[count] = ad.substr(start);
  return fields;
}

// The body's "$$" become CR LF on the way into the table.
void AppendBody(std::string& table, std::string_view body) {
  std::size_t from = 0;
  for (std::size_t at = body.find("$$"); at != std::string_view::npos; at = body.find("$$", from)) {
    table.append(body, from, at - from);
    table += "\r\n";
    from = at + 2;
  }
  table.append(body, from);
}

}  // namespace

std::string BuildPpcTable(const PromoList& ads) {
  if (ads.empty()) return {};
  std::size_t size = 64;
  for (const auto& ad : ads) size += ad.size() + 160;
  std::string table;
  table.reserve(size);
  table = R"(<table width="491" border="0" align="center">)";
  PpcAdText typed;
  for (std::size_t i = 0; i < ads.size(); ++i) {
    // Hand-edited projects may hold ads with missing fields; those read as empty.
    const bool references = ads[i].find("&#") != std::string::npos;
    if (references) typed = TypedPpcAd(ads[i]);
    const auto fields = PpcFields(ads[i]);
    const std::string_view title = references ? std::string_view(typed.title) : fields[1];
    const std::string_view link = references ? std::string_view(typed.link) : fields[3];
    if (i % 2 == 0) {
      table += "<tr>";
    } else {
      table += "<td>&nbsp;</td>";
    }
    table += R"(<td valign=top bgcolor=#FFFFA0 class="style17">)";
    table += R"(<u><span class="style7">)";
    table += title;
    table += "</span></u><br>";
    if (references) {
      table += typed.body;
    } else {
      AppendBody(table, fields[2]);
    }
    table += "<br>";
    table += "<span class=style24>";
    table += link;
    table += "</span>";
    table += "</td>";
    if (i % 2 == 1) table += "</tr>";
  }
  table += "</table>";
  return table;
}

namespace {

// Why a page is refused: what filled in passed the limit.
Error PageTooLarge(std::size_t limit, const std::string& cause) {
  return {ErrorKind::TooLarge, "The page would be larger than " + ByteSize(limit) + "; " + cause +
                                   ". Choose another template, or make the project's items fewer or shorter."};
}

// ReplaceAllInPlace, unless the text would pass `limit`; counted before it grows.
bool ReplaceWithin(std::string& text, std::string_view from, std::string_view to, std::size_t limit) {
  if (from.empty()) return true;
  if (to.size() > from.size()) {
    const std::size_t each = to.size() - from.size();
    const auto fits = [&](std::size_t count) { return text.size() <= limit && count <= (limit - text.size()) / each; };
    // Counted only when the most matches the text could hold might not fit.
    if (!fits(text.size() / from.size())) {
      if (!fits(CountOf(text, from))) return false;
    }
  }
  ReplaceAllInPlace(text, from, to);
  return true;
}

}  // namespace

std::string ByteSize(std::size_t bytes) {
  constexpr std::size_t kMegabyte = std::size_t{1} << 20;
  if (bytes != 0 && bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + " MB";
  return std::to_string(bytes) + " bytes";
}

std::string PageFileTooLargeMessage(const std::filesystem::path& file) {
  return "The page " + file.string() + " is larger than " + ByteSize(kMaxPageBytes) +
         ", the most a page may be; it is not read.";
}

std::string ApplySections(std::string_view templateText, const Project& project) {
  std::string text(templateText);
  for (const PromoKindInfo& kind : kPromoKindTable) {
    const std::string begin = "%%SECTION_" + std::string(kind.sectionName) + "_BEGIN%%";
    const std::string end = "%%SECTION_" + std::string(kind.sectionName) + "_END%%";
    const bool empty = ListOf(project, kind.kind).empty();
    std::string kept;
    std::size_t from = 0;
    for (std::size_t at = text.find(begin); at != std::string::npos; at = text.find(begin, from)) {
      kept.append(text, from, at - from);
      const std::size_t close = text.find(end, at + begin.size());
      if (close == std::string::npos) {  // a lone begin marker goes alone
        from = at + begin.size();
        continue;
      }
      if (!empty) kept.append(text, at + begin.size(), close - at - begin.size());
      from = close + end.size();
    }
    kept.append(text, from);
    text = ReplaceAll(kept, end, "");  // lone end markers
  }
  return text;
}

namespace {

// The page filled in but for the affiliate link, handed to `finish`, which
// fills that in as it writes the page out and is false when the page would
// pass the limit. Nothing when it was finished, else why it was refused.
std::optional<Error> FillWith(std::string_view templateText, const Project& project, std::size_t maxPageBytes,
                              const std::function<bool(const PageText&)>& finish) {
  // Sections of kinds without items go before anything else is looked for.
  std::string sectioned;
  if (templateText.find("%%SECTION_") != std::string_view::npos) {
    sectioned = ApplySections(templateText, project);
    templateText = sectioned;
  }
  const auto repeated = [&](std::string_view what) {
    return PageTooLarge(maxPageBytes, "the template repeats the " + std::string(what) + " too often");
  };
  // In text boxes the title and the link are shown escaped; put there first,
  // so that the blocks are cut from the template as it will stand.
  const std::string boxedLink = EscapeForTextArea(project.URL);
  std::string boxed;
  if (FindIgnoreCaseAscii(templateText, "<textarea") != std::string_view::npos) {
    for (const auto& [from, raw, what] : {std::tuple{std::string_view("%%TITLE%%"), std::string_view(project.Title), "title"},
                                          std::tuple{kAffiliateLink, std::string_view(project.URL), "affiliate link"}}) {
      const std::string to = EscapeForTextArea(raw);
      if (to.size() == raw.size()) continue;  // nothing to escape
      if (to.size() > from.size() &&
          CountOf(templateText, from) > (maxPageBytes - std::min(maxPageBytes, templateText.size())) / (to.size() - from.size()))
        return repeated(what);
      boxed = ReplaceInTextAreas(templateText, from, to);
      templateText = boxed;
    }
  }
  // Blocks are cut from the template as it stands, each after the one before;
  // a block that begins inside a text box shows its items escaped from the start.
  const auto boxes = TextAreaContents(templateText);
  const auto inBox = [&](std::size_t position) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const auto& box) { return box.first <= position && position < box.second; });
  };
  std::string work(templateText);
  std::array<std::string, kPageBlockOrder.size()> blocks;
  std::array<bool, kPageBlockOrder.size()> blockInBox{};
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    const std::size_t open = FindIgnoreCaseAscii(work, kind.blockOpen);
    if (open != std::string::npos) blockInBox[k] = inBox(templateText.size() - work.size() + open);
    blocks[k] = TrimControl(ExtractTagged(kind.blockOpen, kind.blockClose, work));
  }
  // Every text the page is searched for once the blocks are filled, in order.
  std::vector<std::string_view> searched;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    searched.insert(searched.end(), {blocks[k], kind.blockOpen, kind.blockClose, kind.placeholder});
  }
  searched.push_back(kBannerAlt);
  searched.push_back(kPpcAds);
  // Alternative texts are plain text for an attribute value.
  std::vector<std::string> alts;
  for (const std::string& banner : project.Banners) alts.push_back(EscapeForAttribute(BannerAlt(project, banner)));

  std::string page(templateText);
  if (page.size() > maxPageBytes) return PageTooLarge(maxPageBytes, "its template alone is larger than that");
  if (!ReplaceWithin(page, "%%TITLE%%", project.Title, maxPageBytes)) return repeated("title");
  if (!ReplaceWithin(page, kDescription, PageDescription(project), maxPageBytes)) return repeated("description");
  if (!ReplaceWithin(page, "%%MENU%%", BuildPageMenu(project), maxPageBytes)) return repeated("menu");
  if (!ReplaceWithin(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId,
                     maxPageBytes))
    return repeated("affiliate code");

  PageText grown(std::move(page), kAffiliateLink, maxPageBytes);
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    const PromoList& items = ListOf(project, kind.kind);
    // Without items the block makes no rows, so its links need no filling.
    std::string block = blocks[k];
    if (kind.fillsLink && !items.empty() && !ReplaceWithin(block, kAffiliateLink, project.URL, maxPageBytes))
      return repeated("affiliate link");
    const auto blockTooLarge = [&] {
      return PageTooLarge(maxPageBytes, "the template's block of " + std::string(kind.pluralName) +
                                            " is written once for each of the " + std::to_string(items.size()) + " " +
                                            std::string(kind.pluralName));
    };
    if (kind.shape == PromoShape::Post) {
      if (PostRowsSize(block, items, project.URL, blockInBox[k]) > maxPageBytes) return blockTooLarge();
      if (!grown.Replace(blocks[k], BuildPostRows(block, items, project.URL, blockInBox[k]))) return blockTooLarge();
    } else {
      const std::span later(searched.begin() + static_cast<std::ptrdiff_t>(4 * k + 1), searched.end());
      auto rows = std::make_shared<BlockRows>(std::move(block), kind.placeholder, items, kind.MultiLine(), blockInBox[k],
                                              boxedLink == project.URL ? std::string_view() : std::string_view(boxedLink),
                                              kind.kind == PromoKind::Banners ? kBannerAlt : std::string_view(), &alts);
      if (!grown.Replace(blocks[k], rows, later)) return blockTooLarge();
    }
    if (!grown.Replace(kind.blockOpen, "") || !grown.Replace(kind.blockClose, "") || !grown.Replace(kind.placeholder, ""))
      return PageTooLarge(maxPageBytes, "the template is too large");
  }
  if (!grown.Replace(kBannerAlt, "")) return PageTooLarge(maxPageBytes, "the template is too large");
  // The table is as large as the ads; a project of huge ads is only refused when the page shows them.
  std::size_t tableBound = 64;
  for (const auto& ad : project.PPC) tableBound += ad.size() + 160;
  if (tableBound <= maxPageBytes) {
    if (!grown.Replace(kPpcAds, BuildPpcTable(project.PPC))) return repeated("PPC ads table");
  } else if (grown.Holds(kPpcAds)) {
    return PageTooLarge(maxPageBytes, "its PPC ads table alone is larger than that");
  }
  if (!finish(grown)) return repeated("affiliate link");
  return std::nullopt;
}

}  // namespace

Result<std::string> FillPage(std::string_view templateText, const Project& project, std::size_t maxPageBytes) {
  std::optional<std::string> page;
  const auto refused = FillWith(templateText, project, maxPageBytes, [&](const PageText& grown) {
    page = grown.Finish(project.URL);
    return page.has_value();
  });
  if (refused) return *refused;
  return std::move(*page);
}

Result<std::size_t> WritePage(std::string_view templateText, const Project& project, const PageSink& sink,
                              std::size_t maxPageBytes) {
  std::size_t written = 0;
  const auto refused = FillWith(templateText, project, maxPageBytes, [&](const PageText& grown) {
    return grown.FinishInto(project.URL, [&](std::string_view part) {
      written += part.size();
      sink(part);
    });
  });
  if (refused) return *refused;
  return written;
}

std::string FillTemplate(std::string_view templateText, const Project& project) {
  return std::move(FillPage(templateText, project, SIZE_MAX).value());
}

std::vector<std::pair<std::size_t, std::size_t>> PlaceholderSpans(std::string_view text, std::size_t most) {
  std::vector<std::pair<std::size_t, std::size_t>> found;
  std::size_t at = text.find("%%");
  while (at != std::string_view::npos && found.size() <= most) {
    std::size_t end = at + 2;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
    if (end > at + 2 && text.compare(end, 2, "%%") == 0) {
      found.emplace_back(at, end + 2);
      at = text.find("%%", end + 2);
    } else {
      at = text.find("%%", at + 1);
    }
  }
  return found;
}

Result<std::string> LoadTemplate(const std::string& templateName,
                                 const std::vector<std::filesystem::path>& templateFolders,
                                 std::size_t maxTemplateBytes) {
  const auto file = FindTemplate(templateFolders, templateName);
  if (!file) return Error{ErrorKind::NotFound, UnknownTemplateMessage(templateName, ListTemplates(templateFolders))};
  const std::string quoted = "The template \"" + ShownTemplateName(templateName) + "\"";
  // Refused by its size before it is read; ReadWholeFile catches one that grows meanwhile.
  std::error_code ec;
  const auto size = std::filesystem::file_size(*file, ec);
  auto bytes = !ec && size > maxTemplateBytes ? Result<std::string>(Error{ErrorKind::TooLarge, {}})
                                                : ReadWholeFile(*file, maxTemplateBytes);
  if (bytes) {
    std::string text = JoinLines(SplitLines(*bytes));
    if (PlaceholderSpans(text).size() > kMaxTemplatePlaceholders)
      return Error{ErrorKind::TooLarge, quoted + " holds more than " + std::to_string(kMaxTemplatePlaceholders) +
                                            " placeholders, the most a template may hold; it is not used."};
    return text;
  }
  if (bytes.error().kind == ErrorKind::TooLarge)
    return Error{ErrorKind::TooLarge, quoted + " is larger than " + ByteSize(maxTemplateBytes) +
                                          ", the most a template may be; it is not used."};
  return Error{ErrorKind::Unreadable,
               quoted + " could not be read: " + bytes.error().reason + " (" + file->string() + ")"};
}

Result<std::string> GeneratePage(const Project& project, const std::string& templateName,
                                 const std::vector<std::filesystem::path>& templateFolders) {
  auto text = LoadTemplate(templateName, templateFolders);
  if (!text) return text.error();
  return FillPage(*text, project);
}

}  // namespace velmora
