#include "generator/PageGenerator.h"

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageText.h"
#include "generator/TemplateCatalogue.h"

namespace velmora {

namespace {

struct RepeatedBlock {
  std::string_view open;
  std::string_view close;
  PromoList TAffManager::*items;
  std::string_view placeholder;
  bool fillsLink;      // the row gets the affiliate link before its item
  bool expandsBreaks;  // "$$" in the row becomes CR LF
};

// Expanded in this order; a later block is only found after an earlier one.
constexpr RepeatedBlock kBlocks[] = {
    {"%%TABLE_LINKTEXT_INIT%%", "%%TABLE_LINKTEXT_END%%", &TAffManager::Anchors, "%%ANCHORTEXT%%", true, false},
    {"%%TABLE_EMAIL_INIT%%", "%%TABLE_EMAIL_END%%", &TAffManager::Email, "%%EMAIL%%", false, true},
    {"%%TABLE_AUTORESPONDER_INIT%%", "%%TABLE_AUTORESPONDER_END%%", &TAffManager::AutoEmail, "%%AUTOEMAIL%%", false,
     true},
    {"%%TABLE_ARTICLE_INIT%%", "%%TABLE_ARTICLE_END%%", &TAffManager::Articles, "%%ARTICLE%%", false, true},
    {"%%TABLE_SIGNATURE_INIT%%", "%%TABLE_SIGNATURE_END%%", &TAffManager::Signatures, "%%SIGNATURE%%", false, true},
    {"%%TABLE_POPUP_INIT%%", "%%TABLE_POPUP_END%%", &TAffManager::PopUps, "%%POPUP%%", false, true},
    {"%%TABLE_BANNER_INIT%%", "%%TABLE_BANNER_END%%", &TAffManager::Banners, "%%BANNER%%", true, false},
};

constexpr std::string_view kAffiliateLink = "%%AFFILIATELINK%%";
constexpr std::string_view kPpcAds = "%%PPCADS%%";

}  // namespace

std::string BuildPageMenu(const TAffManager& project) {
  struct Entry {
    bool shown;
    std::string_view link;
  };
  const Entry entries[] = {
      {!project.URL.empty(), R"(<a href="#affiliatelink">Affiliate Link</a> | )"},
      {!project.Anchors.empty(), R"(<a href="#linktext">Text Link</a> | )"},
      {!project.Email.empty(), R"(<a href="#emailcopy" target="_self">Email Copy</a> | )"},
      {!project.Signatures.empty(), R"(<a href="#sig" target="_self">Signature Ads</a> | )"},
      {!project.PopUps.empty(), R"(<a href="#pops" target="_self">PopUp Codes </a> | )"},
      {!project.Banners.empty(), R"(<a href="#banners" target="_self">Banners</a> | )"},
      {!project.Articles.empty(), R"(<a href="#articles" target="_self">Articles</a> | )"},
      {!project.PPC.empty(), R"(<a href="#ppcads"> PPC Ads</a> | )"},
      {!project.AutoEmail.empty(), R"(<a href="#autoemailcopy" target="_self"> Autoresponder Emails</a> | )"},
  };
  std::string menu;
  for (const auto& entry : entries) {
    if (entry.shown) menu += entry.link;
  }
  return menu;
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

std::string FillTemplate(std::string_view templateText, const TAffManager& project) {
  // Blocks are cut from the template as it stands, each after the one before.
  std::string work(templateText);
  std::array<std::string, std::size(kBlocks)> blocks;
  for (std::size_t k = 0; k < blocks.size(); ++k)
    blocks[k] = TrimControl(ExtractTagged(kBlocks[k].open, kBlocks[k].close, work));
  // Every text the page is searched for once the blocks are filled, in order.
  std::vector<std::string_view> searched;
  for (std::size_t k = 0; k < blocks.size(); ++k)
    searched.insert(searched.end(), {blocks[k], kBlocks[k].open, kBlocks[k].close, kBlocks[k].placeholder});
  searched.push_back(kPpcAds);

  std::string page(templateText);
  ReplaceAllInPlace(page, "%%TITLE%%", project.Title);
  ReplaceAllInPlace(page, "%%MENU%%", BuildPageMenu(project));
  ReplaceAllInPlace(page, "%%AFFILIATECODE%%",
                    project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId);

  PageText grown(std::move(page), kAffiliateLink);
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const auto& kind = kBlocks[k];
    const std::span later(searched.begin() + static_cast<std::ptrdiff_t>(4 * k + 1), searched.end());
    auto rows =
        std::make_shared<BlockRows>(kind.fillsLink ? ReplaceAll(blocks[k], kAffiliateLink, project.URL) : blocks[k],
                                    kind.placeholder, project.*kind.items, kind.expandsBreaks);
    grown.Replace(blocks[k], rows, later);
    grown.Replace(kind.open, "");
    grown.Replace(kind.close, "");
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
