#pragma once
// The page while the generator fills it: replacement after replacement with
// the result of replacing in one long text, without copying the whole page
// for each of them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "project/Project.h"

namespace velmora {

// Where a template shows a value inside a <textarea>, the browser reads "&"
// and "<" there as the start of a character reference or of the end tag, so
// the value is given with those two escaped: the box then shows, and copies,
// exactly what was typed, and nothing in it can end the box.
std::string EscapeForTextArea(std::string_view text);
// The size of EscapeForTextArea(text), without making it.
std::size_t EscapedForTextAreaSize(std::string_view text);
// The contents of the text's <textarea> elements as [begin, end) ranges, in
// order; `startsInside` when the text begins within one's contents. An
// element left open runs to the end of the text.
std::vector<std::pair<std::size_t, std::size_t>> TextAreaContents(std::string_view text, bool startsInside = false);
// For each match of `needle` in `text`, left to right, whether it stands
// inside a <textarea>'s contents.
std::vector<bool> MatchesInTextAreas(std::string_view text, std::string_view needle, bool startsInside = false);
// `from` replaced by `to` where it stands inside a <textarea>'s contents.
std::string ReplaceInTextAreas(std::string_view text, std::string_view from, std::string_view to);

// The rows of one block, a row for every item: the block with each
// placeholder given the item. Multi-line items (`expandsBreaks`) are shown
// as typed, their "$$" and the block's own as CR LF. A large block of rows
// is kept as this recipe while the page grows and is written out once,
// straight into the finished page.
class BlockRows {
public:
  // `items` must outlive the rows. A placeholder inside a <textarea> of the
  // block (or of the page, `startsInTextArea`) gets the item escaped for
  // it, with the affiliate link in it as `escapedLink` when that is not
  // empty (a link that needs escaping is filled in there rather than last).
  // A companion placeholder gets the companion of the row's item, as it is
  // (escaped in a <textarea>); `companions` must outlive the rows.
  BlockRows(std::string block, std::string_view placeholder, const PromoList& items, bool expandsBreaks,
            bool startsInTextArea = false, std::string_view escapedLink = {},
            std::string_view companionPlaceholder = {}, const std::vector<std::string>* companions = nullptr);
  BlockRows(const BlockRows&) = delete;
  BlockRows& operator=(const BlockRows&) = delete;

  std::size_t Size() const { return offsets_.back(); }
  std::size_t Count() const { return items_.size(); }

  void AppendRow(std::string& out, std::size_t row) const;
  // Rows [first, last) appended to `out`.
  void Append(std::string& out, std::size_t first, std::size_t last) const;
  std::string Text() const;
  std::string Head(std::size_t bytes) const;
  std::string Tail(std::size_t bytes) const;

  // Looks through the rows once for every text the page will still be
  // searched for (`later`), so those searches may pass the rows by, and
  // counts the matches of `last`, the replacement made as the page is
  // written. False when one of `later` is inside the rows, or a text has no
  // '%' to look for it by: then the rows have to stand as plain text.
  bool Scan(std::span<const std::string_view> later, std::string_view last);
  // Whether a successful scan showed that `needle` is not inside the rows.
  bool KnownAbsent(std::string_view needle) const;
  // At least as many matches of the scan's `last` as the rows hold.
  std::size_t LastMatches() const { return lastMatches_; }

private:
  // The last row at which at least `bytes` of text begin before row `end`
  // begins, or the first row when there are fewer.
  std::size_t LastRowFrom(std::size_t end, std::size_t bytes) const;
  std::size_t EscapedSize(const std::string& item) const;
  void AppendEscaped(std::string& out, const std::string& item) const;
  const std::string& Companion(std::size_t row) const;
  bool Joined(std::size_t row) const { return expandsBreaks_ && joined_[row]; }

  struct Slot {
    bool companion;  // else the item
    bool escaped;    // in a <textarea>
  };

  const std::string block_;
  const PromoList& items_;
  const std::vector<std::string>* companions_;
  const bool expandsBreaks_;
  const std::string escapedLink_;
  std::vector<std::string_view> segments_;  // the block between its placeholders
  std::vector<Slot> slots_;                 // the placeholder after segment k
  bool escapes_ = false;
  std::vector<bool> joined_;                // the item holds word joiners to drop
  std::vector<bool> bare_;                  // the item holds nothing to escape in a <textarea>
  std::vector<std::size_t> offsets_;        // where each row begins, and the end
  std::vector<std::string_view> absent_;
  std::size_t lastMatches_ = 0;
};

// The page as a list of pieces whose concatenation is the page. A
// replacement only rebuilds the pieces it touches, and large inserts (the
// rows of a block, the PPC table) stay pieces of their own, so the many
// passes over the page do not copy it again and again. Each piece of text
// keeps where its '%' bytes stand, because nearly every text searched for
// holds one; a piece of rows knows which later searches cannot find anything
// in it. A match across pieces is found by joining those pieces first, so the
// result is exactly that of replacing in one long text.
//
// The page never grows past `limit` bytes: a replacement that would take it
// there is counted before anything is written and refused, so a page of
// hundreds of megabytes is turned down without being made.
using PageSink = std::function<void(std::string_view)>;

class PageText {
public:
  // `last` is the replacement `Finish` will make; it must outlive the page.
  PageText(std::string text, std::string_view last, std::size_t limit = SIZE_MAX);

  // Every `from`, left to right; inserted text is not searched again. False
  // when the page would pass the limit; the page is then half done and of no use.
  bool Replace(std::string_view from, std::string to);
  // The same with the rows as the replacement; `later` are all the texts the
  // page will be searched for after this, in any order, and must outlive it.
  bool Replace(std::string_view from, const std::shared_ptr<BlockRows>& rows, std::span<const std::string_view> later);
  // Whether `needle` stands in the page.
  bool Holds(std::string_view needle);

  // The whole page with `last` replaced by `to`; nothing when it would pass the limit.
  std::optional<std::string> Finish(std::string_view to) const;
  // The same page handed to `sink` in consecutive parts as it is made, never
  // whole; false, with nothing handed on, when it would pass the limit.
  bool FinishInto(std::string_view to, const PageSink& sink) const;

private:
  // Finish, whole into `page`, or with `sink` in parts through `page`.
  bool Produce(std::string_view to, std::string& page, const PageSink* sink) const;

  // Either a text or a block of rows.
  struct Piece {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const std::vector<std::size_t>> percents;
    std::shared_ptr<const BlockRows> rows;
  };

  static Piece MakePiece(std::string text);
  static std::size_t Find(const Piece& piece, std::string_view needle);
  static std::string Head(const Piece& piece, std::size_t bytes);
  static std::string Tail(const Piece& piece, std::size_t bytes);
  static std::string Text(const Piece& piece);

  // Every match of `from` in a piece of text is cut out and the piece made
  // by `make` (once, then shared) put in its place.
  // `largeSize` is the size of the piece `make` makes.
  template <typename Make>
  bool Split(std::string_view from, std::size_t largeSize, Make make);
  // Whether the page grown by `count` times `each` bytes stays within the limit.
  bool Fits(std::size_t count, std::size_t each) const;
  // Where `needle` first stands in piece i; rows that might hold it become text first.
  std::size_t FindIn(std::size_t i, std::string_view needle);
  // Whether `needle` could start in piece i and end in a later piece.
  bool Straddles(std::size_t i, std::string_view needle) const;
  void Join(std::size_t i);

  std::string_view last_;
  std::size_t limit_;
  std::size_t size_;  // of the page as the pieces stand
  std::vector<Piece> pieces_;
};

}  // namespace velmora
