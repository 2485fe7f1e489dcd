#include "generator/PageGenerator.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

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

// Appends `text` to `out` with every `from` replaced by `to`, left to right.
void AppendReplaced(std::string& out, std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) {
    out.append(text);
    return;
  }
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out.append(to);
    start = at + from.size();
  }
  out.append(text, start);
}

std::string BuildRows(const std::string& block, const RepeatedBlock& kind, const TAffManager& project) {
  const PromoList& items = project.*kind.items;
  std::string rows;
  if (block.empty()) return rows;
  const std::string linked = kind.fillsLink ? ReplaceAll(block, kAffiliateLink, project.URL) : block;
  // Rows are sized exactly: CR LF takes the room of the "$$" it replaces.
  std::size_t uses = 0;
  for (std::size_t at = linked.find(kind.placeholder); at != std::string::npos;
       at = linked.find(kind.placeholder, at + kind.placeholder.size()))
    ++uses;
  std::size_t size = 0;
  for (const auto& item : items) size += linked.size() - uses * kind.placeholder.size() + uses * item.size();
  rows.reserve(size);
  for (const auto& item : items) {
    const std::size_t rowStart = rows.size();
    AppendReplaced(rows, linked, kind.placeholder, item);
    // "$$" and CR LF are both two bytes, so the row is mended where it stands;
    // the scan starts at the row so that no pair spans two rows.
    if (kind.expandsBreaks) {
      for (std::size_t at = rows.find("$$", rowStart); at != std::string::npos; at = rows.find("$$", at + 2)) {
        rows[at] = '\r';
        rows[at + 1] = '\n';
      }
    }
  }
  return rows;
}

// The page once it grows: a list of pieces whose concatenation is the page.
// A replacement only rebuilds the pieces it touches, and the rows of a block
// stay one shared piece of their own, so the many passes over the page do not
// copy it again and again. Each piece keeps where its '%' bytes stand, because
// nearly every text searched for holds one. A match across pieces is found
// by joining those pieces first, so the result is exactly that of replacing
// in one long text.
class PageText {
public:
  explicit PageText(std::string text) { pieces_.push_back(MakePiece(std::move(text))); }

  void Replace(std::string_view from, std::string to) {
    if (from.empty()) return;
    const bool isLarge = to.size() >= kLargePiece;
    std::optional<Piece> large;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      while (i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
      if (Find(pieces_[i], from) == std::string::npos) continue;
      const std::string& text = *pieces_[i].text;
      if (!isLarge) {
        pieces_[i] = MakePiece(ReplaceAll(text, from, to));
        continue;
      }
      if (!large) large = MakePiece(std::move(to));
      std::vector<Piece> split;
      std::size_t start = 0;
      for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
        if (at > start) split.push_back(MakePiece(text.substr(start, at - start)));
        split.push_back(*large);
        start = at + from.size();
      }
      if (start < text.size()) split.push_back(MakePiece(text.substr(start)));
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(i));
      pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(i), split.begin(), split.end());
      i += split.size() - 1;
    }
  }

  // The whole page with one last replacement made on the way out, so the
  // pieces it touches are not copied once more before they are joined.
  std::string TextReplacing(std::string_view from, std::string_view to) {
    std::size_t size = 0;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      while (!from.empty() && i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
      size += pieces_[i].text->size();
      if (from.empty()) continue;
      const std::string& text = *pieces_[i].text;
      for (std::size_t at = Find(pieces_[i], from); at != std::string::npos; at = text.find(from, at + from.size()))
        size = size - from.size() + to.size();
    }
    std::string page;
    page.reserve(size);
    for (const auto& piece : pieces_) AppendReplaced(page, *piece.text, from, to);
    return page;
  }

private:
  static constexpr std::size_t kLargePiece = 4096;

  struct Piece {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const std::vector<std::size_t>> percents;
  };

  static Piece MakePiece(std::string text) {
    auto percents = std::make_shared<std::vector<std::size_t>>();
    const char* data = text.data();
    for (const char* at = static_cast<const char*>(std::memchr(data, '%', text.size())); at;) {
      const auto position = static_cast<std::size_t>(at - data);
      percents->push_back(position);
      at = static_cast<const char*>(std::memchr(at + 1, '%', text.size() - position - 1));
    }
    return {std::make_shared<const std::string>(std::move(text)), std::move(percents)};
  }

  static std::size_t Find(const Piece& piece, std::string_view needle) {
    const std::string& text = *piece.text;
    const std::size_t anchor = needle.find('%');
    if (anchor == std::string_view::npos) return text.find(needle);
    const auto& percents = *piece.percents;
    for (auto it = std::lower_bound(percents.begin(), percents.end(), anchor); it != percents.end(); ++it) {
      const std::size_t start = *it - anchor;
      if (start + needle.size() > text.size()) break;
      // Most '%' bytes belong to other placeholders; the last byte and the
      // one after the anchor's pair tell them apart without a full compare.
      if (text[start + needle.size() - 1] != needle.back()) continue;
      if (anchor + 2 < needle.size() && text[start + anchor + 2] != needle[anchor + 2]) continue;
      if (std::memcmp(text.data() + start, needle.data(), needle.size()) == 0) return start;
    }
    return std::string::npos;
  }

  // Whether `needle` could start in piece i and end in a later piece.
  bool Straddles(std::size_t i, std::string_view needle) const {
    const std::size_t reach = needle.size() - 1;
    if (reach == 0) return false;
    const std::string& own = *pieces_[i].text;
    const std::size_t tail = std::min(reach, own.size());
    std::string window = own.substr(own.size() - tail);
    for (std::size_t k = i + 1; k < pieces_.size() && window.size() < tail + reach; ++k)
      window.append(*pieces_[k].text, 0, tail + reach - window.size());
    for (std::size_t at = window.find(needle); at != std::string::npos; at = window.find(needle, at + 1)) {
      if (at < tail && at + needle.size() > tail) return true;
    }
    return false;
  }

  void Join(std::size_t i) {
    pieces_[i] = MakePiece(*pieces_[i].text + *pieces_[i + 1].text);
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }

  std::vector<Piece> pieces_;
};

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
  std::string page(templateText);
  std::string work(templateText);

  const std::string menu = BuildPageMenu(project);
  ReplaceAllInPlace(page, "%%TITLE%%", project.Title);
  ReplaceAllInPlace(page, "%%MENU%%", menu);
  ReplaceAllInPlace(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId);

  PageText grown(std::move(page));
  for (const auto& kind : kBlocks) {
    const std::string block = TrimControl(ExtractTagged(kind.open, kind.close, work));
    grown.Replace(block, BuildRows(block, kind, project));
    grown.Replace(kind.open, "");
    grown.Replace(kind.close, "");
    grown.Replace(kind.placeholder, "");
  }

  grown.Replace("%%PPCADS%%", BuildPpcTable(project.PPC));
  return grown.TextReplacing(kAffiliateLink, project.URL);
}

std::optional<std::string> GeneratePage(const TAffManager& project, const std::string& templateName,
                                        const std::string& programFolder) {
  const auto file = FindTemplateFile(TemplateFolder(programFolder), templateName, ".tem");
  if (!file) return std::nullopt;
  return FillTemplate(JoinLines(ReadLineFile(*file)), project);
}

}  // namespace velmora
