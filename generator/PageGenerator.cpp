#include "generator/PageGenerator.h"

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/TemplateCatalogue.h"

namespace velmora {

namespace {

struct RepeatedBlock {
  std::string_view open;
  std::string_view close;
  PromoList TAffManager::*items;
  std::string_view placeholder;
  bool fillsLink;        // the row gets the affiliate link before its item
  bool expandsBreaks;    // "$$" in the row becomes CR LF
};

// Expanded in this order; a later block is only found after an earlier one.
constexpr RepeatedBlock kBlocks[] = {
    {"%%TABLE_LINKTEXT_INIT%%", "%%TABLE_LINKTEXT_END%%", &TAffManager::Anchors, "%%ANCHORTEXT%%", true, false},
    {"%%TABLE_EMAIL_INIT%%", "%%TABLE_EMAIL_END%%", &TAffManager::Email, "%%EMAIL%%", false, true},
    {"%%TABLE_AUTORESPONDER_INIT%%", "%%TABLE_AUTORESPONDER_END%%", &TAffManager::AutoEmail, "%%AUTOEMAIL%%",
     false, true},
    {"%%TABLE_ARTICLE_INIT%%", "%%TABLE_ARTICLE_END%%", &TAffManager::Articles, "%%ARTICLE%%", false, true},
    {"%%TABLE_SIGNATURE_INIT%%", "%%TABLE_SIGNATURE_END%%", &TAffManager::Signatures, "%%SIGNATURE%%", false,
     true},
    {"%%TABLE_POPUP_INIT%%", "%%TABLE_POPUP_END%%", &TAffManager::PopUps, "%%POPUP%%", false, true},
    {"%%TABLE_BANNER_INIT%%", "%%TABLE_BANNER_END%%", &TAffManager::Banners, "%%BANNER%%", true, false},
};

constexpr std::string_view kAffiliateLink = "%%AFFILIATELINK%%";

std::string BuildRows(const std::string& block, const RepeatedBlock& kind, const TAffManager& project) {
  const PromoList& items = project.*kind.items;
  std::string rows;
  if (block.empty()) return rows;
  std::string linked = kind.fillsLink ? ReplaceAll(block, kAffiliateLink, project.URL) : block;
  for (const auto& item : items) {
    std::string row = ReplaceAll(linked, kind.placeholder, item);
    if (kind.expandsBreaks) ReplaceAllInPlace(row, "$$", "\r\n");
    rows += row;
  }
  return rows;
}

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
  std::string table = R"(<table width="491" border="0" align="center">)";
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
  std::string page(templateText);
  std::string work(templateText);

  const std::string menu = BuildPageMenu(project);
  ReplaceAllInPlace(page, "%%TITLE%%", project.Title);
  ReplaceAllInPlace(page, "%%MENU%%", menu);
  ReplaceAllInPlace(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId);

  for (const auto& kind : kBlocks) {
    const std::string block = TrimControl(ExtractTagged(kind.open, kind.close, work));
    ReplaceAllInPlace(page, block, BuildRows(block, kind, project));
    ReplaceAllInPlace(page, kind.open, "");
    ReplaceAllInPlace(page, kind.close, "");
    ReplaceAllInPlace(page, kind.placeholder, "");
  }

  ReplaceAllInPlace(page, "%%PPCADS%%", BuildPpcTable(project.PPC));
  ReplaceAllInPlace(page, kAffiliateLink, project.URL);
  return page;
}

std::optional<std::string> GeneratePage(const TAffManager& project, const std::string& templateName,
                                        const std::string& programFolder) {
  const auto file = FindTemplateFile(TemplateFolder(programFolder), templateName, ".tem");
  if (!file) return std::nullopt;
  return FillTemplate(JoinLines(ReadLineFile(*file)), project);
}

}  // namespace velmora
