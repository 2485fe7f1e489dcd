#include "generator/PageGenerator.h"

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageText.h"
#include "generator/TemplateCatalogue.h"
#include "project/PromoKinds.h"
#include "project/SocialPost.h"

namespace velmora {

namespace {

constexpr std::string_view kAffiliateLink = "%%AFFILIATELINK%%";
constexpr std::string_view kPpcAds = "%%PPCADS%%";
// In a social post's block: the post and the link percent-encoded, for share links.
constexpr std::string_view kPostEncoded = "%%SOCIAL_ENCODED%%";
constexpr std::string_view kLinkEncoded = "%%AFFILIATELINK_ENCODED%%";

}  // namespace

std::string BuildPageMenu(const TAffManager& project) {
  std::string menu;
  if (!project.URL.empty()) menu += R"(<a href="#affiliatelink">Affiliate Link</a> | )";
  for (const PromoKind kind : kPageMenuOrder)
    if (!ListOf(project, kind).empty()) menu += InfoOf(kind).menuEntry;
  return menu;
}

std::string BuildPostRows(std::string_view block, const PromoList& posts, std::string_view link) {
  const std::string encodedLink = PercentEncode(link);
  std::string rows;
  for (const std::string& post : posts) {
    const std::string text = PostWithLink(ReplaceAll(post, "$$", "\r\n"), link);
    // The encoded forms first: the post as shown may hold their names.
    std::string row = ReplaceAll(block, kPostEncoded, PercentEncode(text));
    row = ReplaceAll(row, kLinkEncoded, encodedLink);
    rows += ReplaceAll(row, InfoOf(PromoKind::SocialPosts).placeholder, text);
  }
  return rows;
}

std::string BuildPpcTable(const PromoList& ads) {
  if (ads.empty()) return {};
  std::size_t size = 64;
  for (const auto& ad : ads) size += ad.size() + 160;
  std::string table;
  table.reserve(size);
  table = R"(<table width="491" border="0" align="center">)";
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < ads.size(); ++i) {
    // Hand-edited projects may hold ads with missing fields; those read as empty.
    SplitFields('^', ads[i], fields);
    if (i % 2 == 0) {
      table += "<tr>";
    } else {
      table += "<td>&nbsp;</td>";
    }
    table += R"(<td valign=top bgcolor=#FFFFA0 class="style17">)";
    table += R"(<u><span class="style7">)";
    table += FieldOrEmpty(fields, 1);
    table += "</span></u><br>";
    table += ReplaceAll(FieldOrEmpty(fields, 2), "$$", "\r\n");
    table += "<br>";
    table += "<span class=style24>";
    table += FieldOrEmpty(fields, 3);
    table += "</span>";
    table += "</td>";
    if (i % 2 == 1) table += "</tr>";
  }
  table += "</table>";
  return table;
}

std::string ApplySections(std::string_view templateText, const TAffManager& project) {
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

std::string FillTemplate(std::string_view templateText, const TAffManager& project) {
  // Sections of kinds without items go before anything else is looked for.
  std::string sectioned;
  if (templateText.find("%%SECTION_") != std::string_view::npos) {
    sectioned = ApplySections(templateText, project);
    templateText = sectioned;
  }
  // Blocks are cut from the template as it stands, each after the one before.
  std::string work(templateText);
  std::array<std::string, kPageBlockOrder.size()> blocks;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    blocks[k] = TrimControl(ExtractTagged(kind.blockOpen, kind.blockClose, work));
  }
  // Every text the page is searched for once the blocks are filled, in order.
  std::vector<std::string_view> searched;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    searched.insert(searched.end(), {blocks[k], kind.blockOpen, kind.blockClose, kind.placeholder});
  }
  searched.push_back(kPpcAds);

  std::string page(templateText);
  ReplaceAllInPlace(page, "%%TITLE%%", project.Title);
  ReplaceAllInPlace(page, "%%MENU%%", BuildPageMenu(project));
  ReplaceAllInPlace(page, "%%AFFILIATECODE%%",
                    project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId);

  PageText grown(std::move(page), kAffiliateLink);
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const PromoKindInfo& kind = InfoOf(kPageBlockOrder[k]);
    const std::string block = kind.fillsLink ? ReplaceAll(blocks[k], kAffiliateLink, project.URL) : blocks[k];
    if (kind.shape == PromoShape::Post) {
      grown.Replace(blocks[k], BuildPostRows(block, ListOf(project, kind.kind), project.URL));
    } else {
      const std::span later(searched.begin() + static_cast<std::ptrdiff_t>(4 * k + 1), searched.end());
      grown.Replace(blocks[k],
                    std::make_shared<BlockRows>(block, kind.placeholder, ListOf(project, kind.kind), kind.MultiLine()),
                    later);
    }
    grown.Replace(kind.blockOpen, "");
    grown.Replace(kind.blockClose, "");
    grown.Replace(kind.placeholder, "");
  }
  grown.Replace(kPpcAds, BuildPpcTable(project.PPC));
  return grown.Finish(project.URL);
}

std::optional<std::string> ReadTemplateText(const std::string& templateName,
                                            const std::vector<std::filesystem::path>& templateFolders) {
  const auto file = FindTemplate(templateFolders, templateName);
  if (!file) return std::nullopt;
  return JoinLines(ReadLineFile(*file));
}

std::optional<std::string> GeneratePage(const TAffManager& project, const std::string& templateName,
                                        const std::vector<std::filesystem::path>& templateFolders) {
  const auto text = ReadTemplateText(templateName, templateFolders);
  if (!text) return std::nullopt;
  return FillTemplate(*text, project);
}

}  // namespace velmora
