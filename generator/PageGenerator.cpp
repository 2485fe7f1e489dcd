#include "generator/PageGenerator.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>
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
constexpr std::string_view kPpcAds = "%%PPCADS%%";

// Texts looked for by their '%' bytes: a match of a text has the text's
// first '%', its anchor, at a '%' of the text searched.
class PercentNeedles {
public:
  // False for a text without '%'; the empty text is never found.
  bool Add(std::string_view text, bool counted) {
    if (text.empty()) return true;
    const std::size_t anchor = text.find('%');
    if (anchor == std::string_view::npos) return false;
    const Needle needle{text, anchor, counted};
    if (anchor + 2 < text.size()) {
      const auto at = std::upper_bound(byFollow_.begin(), byFollow_.end(), needle, [](const Needle& a, const Needle& b) {
        return a.Follow() < b.Follow();
      });
      byFollow_.insert(at, needle);
    } else {
      short_.push_back(needle);
    }
    longest_ = std::max(longest_, text.size());
    return true;
  }

  bool Empty() const { return longest_ == 0; }
  std::size_t Longest() const { return longest_; }

  // Looks at the '%' at `position` of `text`: false when a text that is not
  // counted matches there; matches of counted ones are added to `counted`.
  bool CheckAt(std::string_view text, std::size_t position, std::size_t& counted) const {
    auto check = [&](const Needle& needle) {
      if (position < needle.anchor) return true;
      const std::size_t start = position - needle.anchor;
      if (start + needle.text.size() > text.size()) return true;
      if (text[start + needle.text.size() - 1] != needle.text.back()) return true;
      if (text.compare(start, needle.text.size(), needle.text) != 0) return true;
      if (!needle.counted) return false;
      ++counted;
      return true;
    };
    for (const auto& needle : short_) {
      if (!check(needle)) return false;
    }
    if (position + 2 >= text.size()) return true;
    // Most '%' bytes belong to markers; the two bytes after the anchor leave
    // only the few texts that begin alike to compare.
    const unsigned follow = FollowAt(text, position);
    auto it = std::lower_bound(byFollow_.begin(), byFollow_.end(), follow,
                               [](const Needle& n, unsigned value) { return n.Follow() < value; });
    for (; it != byFollow_.end() && it->Follow() == follow; ++it) {
      if (!check(*it)) return false;
    }
    return true;
  }

private:
  static unsigned FollowAt(std::string_view text, std::size_t anchor) {
    return static_cast<unsigned char>(text[anchor + 1]) * 256u + static_cast<unsigned char>(text[anchor + 2]);
  }

  struct Needle {
    std::string_view text;
    std::size_t anchor;
    bool counted;
    unsigned Follow() const { return FollowAt(text, anchor); }
  };

  std::vector<Needle> short_;     // too short to have two bytes after the anchor
  std::vector<Needle> byFollow_;  // in the order of those two bytes
  std::size_t longest_ = 0;
};

// The rows of one block, a row for every item of its kind. A large block of
// rows is kept as this recipe while the page grows and is written out once,
// straight into the finished page.
class Rows {
public:
  Rows(std::string_view block, const RepeatedBlock& kind, const TAffManager& project)
      : linked_(kind.fillsLink ? ReplaceAll(block, kAffiliateLink, project.URL) : std::string(block)),
        items_(project.*kind.items),
        expandsBreaks_(kind.expandsBreaks) {
    // Cut once at the placeholders rather than searching the block in every row.
    std::string_view rest = linked_;
    for (std::size_t at = rest.find(kind.placeholder); at != std::string_view::npos;
         at = rest.find(kind.placeholder)) {
      segments_.push_back(rest.substr(0, at));
      rest.remove_prefix(at + kind.placeholder.size());
    }
    segments_.push_back(rest);
    std::size_t fixedSize = 0;
    for (const auto piece : segments_) fixedSize += piece.size();
    offsets_.reserve(items_.size() + 1);
    offsets_.push_back(0);
    for (const auto& item : items_) offsets_.push_back(offsets_.back() + fixedSize + (segments_.size() - 1) * item.size());
  }
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;

  std::size_t Size() const { return offsets_.back(); }

  // Rows [first, last) appended to `out`.
  void Append(std::string& out, std::size_t first, std::size_t last) const {
    for (std::size_t row = first; row < last; ++row) AppendRow(out, row);
  }
  std::string Text() const {
    std::string text;
    text.reserve(Size());
    Append(text, 0, items_.size());
    return text;
  }

  std::string Head(std::size_t bytes) const {
    std::string head;
    for (std::size_t row = 0; row < items_.size() && head.size() < bytes; ++row) AppendRow(head, row);
    head.resize(std::min(head.size(), bytes));
    return head;
  }

  std::string Tail(std::size_t bytes) const {
    const std::size_t first = LastRowFrom(items_.size(), bytes);
    std::string tail;
    Append(tail, first, items_.size());
    return tail.substr(tail.size() - std::min(tail.size(), bytes));
  }

  // Looks through the rows once for every text the page will still be
  // searched for (`later`), so those searches may pass the rows by, and
  // counts the matches of `last`, the replacement made as the page is
  // written. False when one of `later` is inside the rows, or a text has no
  // '%' to look for it by: then the rows have to stand as plain text.
  bool Scan(std::span<const std::string_view> later, std::string_view last) {
    PercentNeedles needles;
    for (const auto text : later) {
      if (!needles.Add(text, false)) return false;
    }
    if (!needles.Add(last, true)) return false;
    if (needles.Empty()) return true;

    // A '%' of the block's own text is in every row; otherwise only rows whose
    // item holds one can have a match, and no match is longer than the longest text.
    bool everyRow = false;
    for (const auto piece : segments_) everyRow = everyRow || piece.find('%') != std::string_view::npos;
    const bool itemsShow = segments_.size() > 1;
    const std::size_t reach = needles.Longest() - 1;
    // Rows [windowFirst, windowLast) one after another. It slides along, so a
    // run of rows to look at is written out once, and is cut at the front
    // only now and then.
    std::string window;
    std::size_t windowFirst = 0;
    std::size_t windowLast = 0;
    for (std::size_t row = 0; row < items_.size(); ++row) {
      const std::string& item = items_[row];
      if (!everyRow && (!itemsShow || std::memchr(item.data(), '%', item.size()) == nullptr)) continue;
      // The row with enough of its neighbours around it that every match
      // through one of its '%' bytes lies in the window, unless it runs past
      // the first or last row.
      const std::size_t first = LastRowFrom(row, reach);
      const auto reached = std::lower_bound(offsets_.begin() + static_cast<std::ptrdiff_t>(row) + 1, offsets_.end(),
                                            offsets_[row + 1] + reach);
      const std::size_t through = std::min(static_cast<std::size_t>(reached - offsets_.begin()), items_.size());
      if (first > windowLast) {
        window.clear();
        windowFirst = windowLast = first;
      } else if (offsets_[first] - offsets_[windowFirst] > window.size() / 2) {
        window.erase(0, offsets_[first] - offsets_[windowFirst]);
        windowFirst = first;
      }
      for (; windowLast < through; ++windowLast) AppendRow(window, windowLast);
      const std::size_t rowBegin = offsets_[row] - offsets_[windowFirst];
      const std::size_t rowEnd = offsets_[row + 1] - offsets_[windowFirst];

      for (std::size_t at = window.find('%', rowBegin); at < rowEnd; at = window.find('%', at + 1)) {
        if (!needles.CheckAt(window, at, lastMatches_)) return false;
      }
    }
    absent_.assign(later.begin(), later.end());
    return true;
  }

  bool KnownAbsent(std::string_view needle) const {
    return std::find(absent_.begin(), absent_.end(), needle) != absent_.end();
  }
  // At least as many matches of the scan's `last` as the rows hold.
  std::size_t LastMatches() const { return lastMatches_; }

  std::size_t Count() const { return items_.size(); }

  void AppendRow(std::string& out, std::size_t row) const {
    const std::size_t rowStart = out.size();
    out.append(segments_.front());
    for (std::size_t k = 1; k < segments_.size(); ++k) {
      out.append(items_[row]);
      out.append(segments_[k]);
    }
    // "$$" and CR LF are both two bytes, so the row is mended where it stands;
    // the scan starts at the row so that no pair spans two rows.
    if (!expandsBreaks_) return;
    for (std::size_t at = out.find("$$", rowStart); at != std::string::npos; at = out.find("$$", at + 2)) {
      out[at] = '\r';
      out[at + 1] = '\n';
    }
  }

private:
  // The last row at which at least `bytes` of text begin before row `end`
  // begins, or the first row when there are fewer.
  std::size_t LastRowFrom(std::size_t end, std::size_t bytes) const {
    if (offsets_[end] < bytes) return 0;
    const auto after = std::upper_bound(offsets_.begin(), offsets_.begin() + static_cast<std::ptrdiff_t>(end) + 1,
                                        offsets_[end] - bytes);
    return static_cast<std::size_t>(after - offsets_.begin()) - 1;
  }

  const std::string linked_;
  const PromoList& items_;
  const bool expandsBreaks_;
  std::vector<std::string_view> segments_;  // the block between its placeholders
  std::vector<std::size_t> offsets_;  // where each row begins, and the end
  std::vector<std::string_view> absent_;
  std::size_t lastMatches_ = 0;
};

// The page once it grows: a list of pieces whose concatenation is the page.
// A replacement only rebuilds the pieces it touches, and large inserts (the
// rows of a block, the PPC table) stay pieces of their own, so the many
// passes over the page do not copy it again and again. Each piece of text
// keeps where its '%' bytes stand, because nearly every text searched for
// holds one; a piece of rows knows which later searches cannot find anything
// in it. A match across pieces is found by joining those pieces first, so the
// result is exactly that of replacing in one long text.
class PageText {
public:
  // `last` is the replacement `Finish` will make.
  PageText(std::string text, std::string_view last) : last_(last) {
    pieces_.push_back(MakePiece(std::move(text)));
  }

  void Replace(std::string_view from, std::string to) {
    if (from.empty()) return;
    if (to.size() >= kLargePiece) {
      Split(from, [&] { return MakePiece(std::move(to)); });
      return;
    }
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      while (i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
      if (FindIn(i, from) != std::string::npos) pieces_[i] = MakePiece(ReplaceAll(*pieces_[i].text, from, to));
    }
  }

  // Replaces `from` with the rows; `later` are all the texts the page will
  // be searched for after this, in any order.
  void Replace(std::string_view from, const std::shared_ptr<Rows>& rows, std::span<const std::string_view> later) {
    if (from.empty()) return;
    if (rows->Size() < kLargePiece) {
      Replace(from, rows->Text());
      return;
    }
    Split(from, [&] { return rows->Scan(later, last_) ? Piece{nullptr, nullptr, rows} : MakePiece(rows->Text()); });
  }

  // The whole page with `last` replaced by `to`. Each piece or row is
  // settled as soon as it is written, while it is still in the cache; only
  // the last bytes, which may begin a match, wait for what follows.
  std::string Finish(std::string_view to) {
    std::size_t size = 0;
    std::size_t matches = pieces_.size();  // at most one match across each border
    for (const auto& piece : pieces_) {
      size += piece.rows ? piece.rows->Size() : piece.text->size();
      if (last_.empty()) continue;
      if (piece.rows) {
        matches += piece.rows->LastMatches();
        continue;
      }
      for (std::size_t at = Find(piece, last_); at != std::string::npos; at = piece.text->find(last_, at + last_.size()))
        ++matches;
    }
    std::string page;
    page.reserve(size + (to.size() > last_.size() ? matches * (to.size() - last_.size()) : 0));
    std::size_t settled = 0;
    auto settle = [&] {
      if (last_.empty()) return;
      const std::size_t after = ReplaceAllInPlace(page, last_, to, settled);
      const std::size_t open = page.size() - after;
      settled = open >= last_.size() ? page.size() - (last_.size() - 1) : after;
    };
    for (const auto& piece : pieces_) {
      if (!piece.rows) {
        page.append(*piece.text);
        settle();
        continue;
      }
      for (std::size_t row = 0; row < piece.rows->Count(); ++row) {
        piece.rows->AppendRow(page, row);
        settle();
      }
    }
    return page;
  }

private:
  static constexpr std::size_t kLargePiece = 4096;

  // Either a text or a block of rows.
  struct Piece {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const std::vector<std::size_t>> percents;
    std::shared_ptr<const Rows> rows;
  };

  static Piece MakePiece(std::string text) {
    auto percents = std::make_shared<std::vector<std::size_t>>();
    const char* data = text.data();
    for (const char* at = static_cast<const char*>(std::memchr(data, '%', text.size())); at;) {
      const auto position = static_cast<std::size_t>(at - data);
      percents->push_back(position);
      at = static_cast<const char*>(std::memchr(at + 1, '%', text.size() - position - 1));
    }
    return {std::make_shared<const std::string>(std::move(text)), std::move(percents), nullptr};
  }

  // Every match of `from` in a piece of text is cut out and the piece made
  // by `make` (once, then shared) put in its place.
  template <typename Make>
  void Split(std::string_view from, Make make) {
    std::optional<Piece> large;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      while (i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
      if (FindIn(i, from) == std::string::npos) continue;
      if (!large) large = make();
      const std::string& text = *pieces_[i].text;
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

  // Where `needle` first stands in piece i; rows that might hold it become text first.
  std::size_t FindIn(std::size_t i, std::string_view needle) {
    if (pieces_[i].rows) {
      if (pieces_[i].rows->KnownAbsent(needle)) return std::string::npos;
      pieces_[i] = MakePiece(pieces_[i].rows->Text());
    }
    return Find(pieces_[i], needle);
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

  static std::string Head(const Piece& piece, std::size_t bytes) {
    return piece.rows ? piece.rows->Head(bytes) : piece.text->substr(0, bytes);
  }

  static std::string Tail(const Piece& piece, std::size_t bytes) {
    if (piece.rows) return piece.rows->Tail(bytes);
    const std::string& text = *piece.text;
    return text.substr(text.size() - std::min(bytes, text.size()));
  }

  static std::string Text(const Piece& piece) { return piece.rows ? piece.rows->Text() : *piece.text; }

  // Whether `needle` could start in piece i and end in a later piece.
  bool Straddles(std::size_t i, std::string_view needle) const {
    const std::size_t reach = needle.size() - 1;
    if (reach == 0) return false;
    std::string window = Tail(pieces_[i], reach);
    const std::size_t tail = window.size();
    for (std::size_t k = i + 1; k < pieces_.size() && window.size() < tail + reach; ++k)
      window += Head(pieces_[k], tail + reach - window.size());
    for (std::size_t at = window.find(needle); at != std::string::npos; at = window.find(needle, at + 1)) {
      if (at < tail && at + needle.size() > tail) return true;
    }
    return false;
  }

  void Join(std::size_t i) {
    pieces_[i] = MakePiece(Text(pieces_[i]) + Text(pieces_[i + 1]));
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }

  std::string_view last_;
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
  ReplaceAllInPlace(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? std::string() : "?e=" + project.ClickBankId);

  PageText grown(std::move(page), kAffiliateLink);
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const auto& kind = kBlocks[k];
    const std::span later(searched.begin() + static_cast<std::ptrdiff_t>(4 * k + 1), searched.end());
    grown.Replace(blocks[k], std::make_shared<Rows>(blocks[k], kind, project), later);
    grown.Replace(kind.open, "");
    grown.Replace(kind.close, "");
    grown.Replace(kind.placeholder, "");
  }
  grown.Replace(kPpcAds, BuildPpcTable(project.PPC));
  return grown.Finish(project.URL);
}

std::optional<std::string> GeneratePage(const TAffManager& project, const std::string& templateName,
                                        const std::string& programFolder) {
  const auto file = FindTemplateFile(TemplateFolder(programFolder), templateName, ".tem");
  if (!file) return std::nullopt;
  return FillTemplate(JoinLines(ReadLineFile(*file)), project);
}

}  // namespace velmora
