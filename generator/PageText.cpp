#include "generator/PageText.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "app/Utils.h"
#include "project/ItemText.h"
#include "project/PromoKinds.h"

namespace velmora {

namespace {

constexpr std::size_t kLargePiece = 4096;
// How much of a page is handed on at a time when it is written as it is made.
constexpr std::size_t kSinkChunk = std::size_t{256} << 10;

// Matches as ReplaceAll finds them: left to right, none overlapping.
std::size_t CountMatches(std::string_view text, std::string_view from) {
  std::size_t count = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, at + from.size())) ++count;
  return count;
}

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
      const auto at = std::upper_bound(byFollow_.begin(), byFollow_.end(), needle,
                                       [](const Needle& a, const Needle& b) { return a.Follow() < b.Follow(); });
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

}  // namespace

std::string EscapeForTextArea(std::string_view text) {
  std::string escaped;
  escaped.reserve(EscapedForTextAreaSize(text));
  for (const char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::size_t EscapedForTextAreaSize(std::string_view text) {
  // memchr passes over most texts, which hold neither, in a few steps.
  std::size_t size = text.size();
  const char* const end = text.data() + text.size();
  for (const auto& [c, grows] : {std::pair{'&', std::size_t{4}}, std::pair{'<', std::size_t{3}}}) {
    for (const char* at = text.data(); (at = static_cast<const char*>(std::memchr(at, c, static_cast<std::size_t>(end - at))));
         ++at)
      size += grows;
  }
  return size;
}

namespace {

// Whether an HTML tag name ends at `at`, as the parser sees it.
bool EndsTagName(std::string_view text, std::size_t at) {
  return at >= text.size() || std::string_view(" \t\n\f\r/>").find(text[at]) != std::string_view::npos;
}

// Just after the '>' that closes the start tag from `at` on; quoted
// attribute values may hold a '>'.
std::size_t AfterStartTag(std::string_view text, std::size_t at) {
  char quote = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return at + 1;
    }
  }
  return text.size();
}

}  // namespace

std::vector<std::pair<std::size_t, std::size_t>> TextAreaContents(std::string_view text, bool startsInside) {
  constexpr std::string_view kOpen = "<textarea";
  constexpr std::string_view kClose = "</textarea";
  std::vector<std::pair<std::size_t, std::size_t>> contents;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t begin = at;
    if (!startsInside) {
      std::size_t open = FindIgnoreCaseAscii(text, kOpen, at);
      while (open != std::string_view::npos && !EndsTagName(text, open + kOpen.size()))
        open = FindIgnoreCaseAscii(text, kOpen, open + kOpen.size());
      if (open == std::string_view::npos) break;
      begin = AfterStartTag(text, open + kOpen.size());
    }
    startsInside = false;
    std::size_t close = FindIgnoreCaseAscii(text, kClose, begin);
    while (close != std::string_view::npos && !EndsTagName(text, close + kClose.size()))
      close = FindIgnoreCaseAscii(text, kClose, close + kClose.size());
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    contents.emplace_back(begin, end);
    at = end == text.size() ? end : end + kClose.size();
  }
  return contents;
}

std::vector<bool> MatchesInTextAreas(std::string_view text, std::string_view needle, bool startsInside) {
  std::vector<bool> inside;
  if (needle.empty()) return inside;
  const auto contents = TextAreaContents(text, startsInside);
  auto span = contents.begin();
  for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size())) {
    while (span != contents.end() && span->second < at + needle.size()) ++span;
    inside.push_back(span != contents.end() && span->first <= at);
  }
  return inside;
}

std::string ReplaceInTextAreas(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string replaced;
  std::size_t done = 0;
  for (const auto& [begin, end] : TextAreaContents(text)) {
    replaced.append(text.substr(done, begin - done));
    replaced += ReplaceAll(text.substr(begin, end - begin), from, to);
    done = end;
  }
  replaced.append(text.substr(done));
  return replaced;
}

namespace {

// "$$" and CR LF are both two bytes, so a text is mended where it stands.
void MendBreaks(std::string& text, std::size_t from) {
  for (std::size_t at = text.find("$$", from); at != std::string::npos; at = text.find("$$", at + 2)) {
    text[at] = '\r';
    text[at + 1] = '\n';
  }
}

std::string Mended(std::string text, bool expandsBreaks) {
  if (expandsBreaks) MendBreaks(text, 0);
  return text;
}

}  // namespace

BlockRows::BlockRows(std::string block, std::string_view placeholder, const PromoList& items, bool expandsBreaks,
                     bool startsInTextArea, std::string_view escapedLink, std::string_view companionPlaceholder,
                     const std::vector<std::string>* companions)
    : block_(Mended(std::move(block), expandsBreaks)),
      items_(items),
      companions_(companionPlaceholder.empty() ? nullptr : companions),
      expandsBreaks_(expandsBreaks),
      escapedLink_(escapedLink) {
  // Cut once at the placeholders rather than searching the block in every row.
  const auto boxes = TextAreaContents(block_, startsInTextArea);
  const auto inBox = [&](std::size_t at) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const auto& box) { return box.first <= at && at < box.second; });
  };
  const auto next = [&](std::size_t from, std::string_view needle) {
    return needle.empty() ? std::string_view::npos : std::string_view(block_).find(needle, from);
  };
  std::size_t from = 0;
  for (;;) {
    const std::size_t item = next(from, placeholder);
    const std::size_t companion = companions_ ? next(from, companionPlaceholder) : std::string_view::npos;
    const std::size_t at = std::min(item, companion);
    if (at == std::string_view::npos) break;
    segments_.push_back(std::string_view(block_).substr(from, at - from));
    slots_.push_back({at == companion, inBox(at)});
    from = at + (at == companion ? companionPlaceholder.size() : placeholder.size());
  }
  segments_.push_back(std::string_view(block_).substr(from));
  escapes_ = std::any_of(slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.escaped; });
  std::size_t fixedSize = 0;
  for (const auto piece : segments_) fixedSize += piece.size();
  if (expandsBreaks_) {
    joined_.resize(items_.size());
    for (std::size_t row = 0; row < items_.size(); ++row) joined_[row] = JoinerEscapes(items_[row]) != 0;
  }
  offsets_.reserve(items_.size() + 1);
  offsets_.push_back(0);
  if (escapes_) bare_.resize(items_.size());
  for (std::size_t row = 0; row < items_.size(); ++row) {
    std::size_t size = fixedSize;
    const std::size_t dropped = Joined(row) ? 3 * JoinerEscapes(items_[row]) : 0;
    const std::size_t escapedSize = escapes_ ? EscapedSize(items_[row]) : 0;
    // Without a link to escape, an item that does not grow holds nothing to escape.
    if (escapes_) bare_[row] = escapedLink_.empty() && escapedSize == items_[row].size();
    for (const Slot& slot : slots_) {
      if (slot.companion) {
        const std::string& companion = Companion(row);
        size += slot.escaped ? EscapedForTextAreaSize(companion) : companion.size();
      } else {
        size += (slot.escaped ? escapedSize : items_[row].size()) - dropped;
      }
    }
    offsets_.push_back(offsets_.back() + size);
  }
}

const std::string& BlockRows::Companion(std::size_t row) const {
  static const std::string none;
  return companions_ && row < companions_->size() ? (*companions_)[row] : none;
}

std::size_t BlockRows::EscapedSize(const std::string& item) const {
  std::size_t size = EscapedForTextAreaSize(item);
  if (!escapedLink_.empty()) {
    const std::size_t links = CountMatches(item, kAffiliateLink);
    size = size - links * kAffiliateLink.size() + links * escapedLink_.size();
  }
  return size;
}

void BlockRows::AppendEscaped(std::string& out, const std::string& item) const {
  if (!escapedLink_.empty() && item.find(kAffiliateLink) != std::string::npos) {
    out.append(ReplaceAll(EscapeForTextArea(item), kAffiliateLink, escapedLink_));
    return;
  }
  // Written straight into the page: most items hold few or none of the two.
  // Each byte is looked for with memchr, the next of each found again only
  // once passed (find_first_of would test every byte against the set).
  const char* data = item.data();
  const std::size_t size = item.size();
  const auto next = [&](char c, std::size_t from) {
    const void* at = std::memchr(data + from, c, size - from);
    return at ? static_cast<std::size_t>(static_cast<const char*>(at) - data) : size;
  };
  std::size_t amp = next('&', 0);
  std::size_t lt = next('<', 0);
  std::size_t from = 0;
  while (amp < size || lt < size) {
    const std::size_t at = std::min(amp, lt);
    out.append(data + from, at - from);
    if (at == amp) {
      out.append("&amp;");
      amp = next('&', at + 1);
    } else {
      out.append("&lt;");
      lt = next('<', at + 1);
    }
    from = at + 1;
  }
  out.append(data + from, size - from);
}

void BlockRows::AppendRow(std::string& out, std::size_t row) const {
  out.append(segments_.front());
  // An item with escapes is shown as typed; any other has its "$$" mended in place.
  const std::string typed = Joined(row) ? TypedMultiLine(items_[row]) : std::string();
  for (std::size_t k = 1; k < segments_.size(); ++k) {
    const Slot& slot = slots_[k - 1];
    const std::string& text = slot.companion ? Companion(row) : Joined(row) ? typed : items_[row];
    const std::size_t from = out.size();
    if (escapes_ && slot.escaped && (slot.companion || !bare_[row])) {
      AppendEscaped(out, text);
    } else {
      out.append(text);
    }
    if (expandsBreaks_ && !slot.companion && !Joined(row)) MendBreaks(out, from);
    out.append(segments_[k]);
  }
}

void BlockRows::Append(std::string& out, std::size_t first, std::size_t last) const {
  for (std::size_t row = first; row < last; ++row) AppendRow(out, row);
}

std::string BlockRows::Text() const {
  std::string text;
  text.reserve(Size());
  Append(text, 0, items_.size());
  return text;
}

std::string BlockRows::Head(std::size_t bytes) const {
  std::string head;
  for (std::size_t row = 0; row < items_.size() && head.size() < bytes; ++row) AppendRow(head, row);
  head.resize(std::min(head.size(), bytes));
  return head;
}

std::string BlockRows::Tail(std::size_t bytes) const {
  std::string tail;
  Append(tail, LastRowFrom(items_.size(), bytes), items_.size());
  return tail.substr(tail.size() - std::min(tail.size(), bytes));
}

bool BlockRows::Scan(std::span<const std::string_view> later, std::string_view last) {
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
    const std::string& companion = Companion(row);
    if (!everyRow && (!itemsShow || std::memchr(item.data(), '%', item.size()) == nullptr) &&
        companion.find('%') == std::string::npos)
      continue;
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

bool BlockRows::KnownAbsent(std::string_view needle) const {
  return std::find(absent_.begin(), absent_.end(), needle) != absent_.end();
}

std::size_t BlockRows::LastRowFrom(std::size_t end, std::size_t bytes) const {
  if (offsets_[end] < bytes) return 0;
  const auto after = std::upper_bound(offsets_.begin(), offsets_.begin() + static_cast<std::ptrdiff_t>(end) + 1,
                                      offsets_[end] - bytes);
  return static_cast<std::size_t>(after - offsets_.begin()) - 1;
}

PageText::PageText(std::string text, std::string_view last, std::size_t limit)
    : last_(last), limit_(limit), size_(text.size()) {
  pieces_.push_back(MakePiece(std::move(text)));
}

bool PageText::Replace(std::string_view from, std::string to) {
  if (from.empty()) return true;
  if (to.size() >= kLargePiece) {
    const std::size_t size = to.size();
    return Split(from, size, [&] { return MakePiece(std::move(to)); });
  }
  for (std::size_t i = 0; i < pieces_.size(); ++i) {
    while (i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
    if (FindIn(i, from) == std::string::npos) continue;
    const std::string& text = *pieces_[i].text;
    // Counted only when the most matches the piece could hold might not fit.
    if (to.size() > from.size() && !Fits(text.size() / from.size(), to.size() - from.size()) &&
        !Fits(CountMatches(text, from), to.size() - from.size()))
      return false;
    std::string replaced = ReplaceAll(text, from, to);
    size_ = size_ - text.size() + replaced.size();
    pieces_[i] = MakePiece(std::move(replaced));
  }
  return true;
}

bool PageText::Replace(std::string_view from, const std::shared_ptr<BlockRows>& rows,
                       std::span<const std::string_view> later) {
  if (from.empty()) return true;
  if (rows->Size() < kLargePiece) return Replace(from, rows->Text());
  return Split(from, rows->Size(), [&] {
    return rows->Scan(later, last_) ? Piece{nullptr, nullptr, rows} : MakePiece(rows->Text());
  });
}

bool PageText::Holds(std::string_view needle) {
  if (needle.empty()) return false;
  for (std::size_t i = 0; i < pieces_.size(); ++i) {
    while (i + 1 < pieces_.size() && Straddles(i, needle)) Join(i);
    if (FindIn(i, needle) != std::string::npos) return true;
  }
  return false;
}

bool PageText::Fits(std::size_t count, std::size_t each) const {
  if (count == 0 || each == 0) return size_ <= limit_;
  return size_ <= limit_ && count <= (limit_ - size_) / each;
}

// Each piece or row is settled as soon as it is written, while it is still
// in the cache; only the last bytes, which may begin a match, wait for what
// follows.
bool PageText::Produce(std::string_view to, std::string& page, const PageSink* sink) const {
  std::size_t matches = pieces_.size();  // at most one match across each border
  std::size_t inText = 0;
  for (const auto& piece : pieces_) {
    if (last_.empty()) continue;
    if (piece.rows) {
      matches += piece.rows->LastMatches();
      continue;
    }
    for (std::size_t at = Find(piece, last_); at != std::string::npos; at = piece.text->find(last_, at + last_.size()))
      ++inText;
  }
  matches += inText;
  const std::size_t each = to.size() > last_.size() ? to.size() - last_.size() : 0;
  // A match across a border may take the start of one inside a piece; the rest are sure.
  if (!Fits(inText > pieces_.size() ? inText - pieces_.size() : 0, each)) return false;
  // The count is an upper bound: only a page it cannot clear is watched
  // while it is written, and given up once its finished part passes the limit.
  const bool watched = !Fits(matches, each);
  // A watched page is made whole before any of it is handed on, so that a
  // refused page leaves nothing half written.
  const bool streams = sink && !watched;
  page.reserve(streams ? kSinkChunk + kLargePiece : watched ? std::min(limit_, size_) : size_ + matches * each);
  std::size_t settled = 0;
  auto settle = [&] {
    if (last_.empty()) {
      settled = page.size();
    } else {
      const std::size_t after = ReplaceAllInPlace(page, last_, to, settled);
      const std::size_t open = page.size() - after;
      settled = open >= last_.size() ? page.size() - (last_.size() - 1) : after;
    }
    if (streams && settled >= kSinkChunk) {
      (*sink)(std::string_view(page).substr(0, settled));
      page.erase(0, settled);
      settled = 0;
    }
  };
  for (const auto& piece : pieces_) {
    if (!piece.rows) {
      page.append(*piece.text);
      settle();
      if (watched && settled > limit_) return false;
      continue;
    }
    for (std::size_t row = 0; row < piece.rows->Count(); ++row) {
      piece.rows->AppendRow(page, row);
      settle();
      if (watched && settled > limit_) return false;
    }
  }
  if (page.size() > limit_) return false;
  if (sink && !page.empty()) (*sink)(page);
  return true;
}

std::optional<std::string> PageText::Finish(std::string_view to) const {
  std::string page;
  if (!Produce(to, page, nullptr)) return std::nullopt;
  return page;
}

bool PageText::FinishInto(std::string_view to, const PageSink& sink) const {
  std::string buffer;
  return Produce(to, buffer, &sink);
}

PageText::Piece PageText::MakePiece(std::string text) {
  auto percents = std::make_shared<std::vector<std::size_t>>();
  const char* data = text.data();
  for (const char* at = static_cast<const char*>(std::memchr(data, '%', text.size())); at;) {
    const auto position = static_cast<std::size_t>(at - data);
    percents->push_back(position);
    at = static_cast<const char*>(std::memchr(at + 1, '%', text.size() - position - 1));
  }
  return {std::make_shared<const std::string>(std::move(text)), std::move(percents), nullptr};
}

template <typename Make>
bool PageText::Split(std::string_view from, std::size_t largeSize, Make make) {
  std::optional<Piece> large;
  for (std::size_t i = 0; i < pieces_.size(); ++i) {
    while (i + 1 < pieces_.size() && Straddles(i, from)) Join(i);
    if (FindIn(i, from) == std::string::npos) continue;
    const std::string& text = *pieces_[i].text;
    // The large piece is shared, not copied, but the page it stands for is what the limit is about.
    const std::size_t count = CountMatches(text, from);
    if (largeSize > from.size()) {
      if (!Fits(count, largeSize - from.size())) return false;
      size_ += count * (largeSize - from.size());
    } else {
      size_ -= count * (from.size() - largeSize);
    }
    if (!large) large = make();
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
  return true;
}

std::size_t PageText::FindIn(std::size_t i, std::string_view needle) {
  if (pieces_[i].rows) {
    if (pieces_[i].rows->KnownAbsent(needle)) return std::string::npos;
    pieces_[i] = MakePiece(pieces_[i].rows->Text());
  }
  return Find(pieces_[i], needle);
}

std::size_t PageText::Find(const Piece& piece, std::string_view needle) {
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

std::string PageText::Head(const Piece& piece, std::size_t bytes) {
  return piece.rows ? piece.rows->Head(bytes) : piece.text->substr(0, bytes);
}

std::string PageText::Tail(const Piece& piece, std::size_t bytes) {
  if (piece.rows) return piece.rows->Tail(bytes);
  const std::string& text = *piece.text;
  return text.substr(text.size() - std::min(bytes, text.size()));
}

std::string PageText::Text(const Piece& piece) { return piece.rows ? piece.rows->Text() : *piece.text; }

bool PageText::Straddles(std::size_t i, std::string_view needle) const {
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

void PageText::Join(std::size_t i) {
  pieces_[i] = MakePiece(Text(pieces_[i]) + Text(pieces_[i + 1]));
  pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
}

}  // namespace velmora
