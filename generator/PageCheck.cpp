#include "generator/PageCheck.h"

#include <gumbo.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/Utils.h"
#include "generator/HtmlNames.h"
#include "generator/PageGenerator.h"
#include "generator/PageText.h"
#include "project/ItemText.h"
#include "project/PromoLists.h"
#include "project/PromoKinds.h"
#include "project/SocialPost.h"

namespace velmora {

namespace {


bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Browsers strip ASCII whitespace around an address before they use it.
std::string_view TrimAddress(std::string_view address) {
  while (!address.empty() && IsAsciiSpace(address.front())) address.remove_prefix(1);
  while (!address.empty() && IsAsciiSpace(address.back())) address.remove_suffix(1);
  return address;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCaseAscii(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
  return FindIgnoreCaseAscii(text, word) != std::string_view::npos;
}

// find_first_of tests each byte against the set one call at a time; a
// table, made once per set, keeps long promo texts and many short ones quick.
class ByteSet {
public:
  constexpr explicit ByteSet(std::string_view bytes) {
    for (const char c : bytes) wanted_[static_cast<unsigned char>(c)] = true;
  }
  bool In(std::string_view text) const {
    return std::any_of(text.begin(), text.end(), [&](char c) { return wanted_[static_cast<unsigned char>(c)]; });
  }

private:
  std::array<bool, 256> wanted_{};
};

// "</" + name in any letter case, the way the parser finds an end tag.
bool ContainsEndTag(std::string_view text, std::string_view name) {
  for (std::size_t at = text.find("</"); at != std::string_view::npos; at = text.find("</", at + 2))
    if (EqualsIgnoreCaseAscii(text.substr(at + 2, name.size()), name)) return true;
  return false;
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 80;
  std::string shown(text.substr(0, kShown));
  if (text.size() > kShown) shown += "...";
  return "\"" + shown + "\"";
}

// ---------------------------------------------------------------- findings

class Report {
public:
  // A page of thousands of broken pictures says so with the first of them:
  // beyond these, findings of a code are counted, not kept, so that their
  // messages cannot take more memory than the page.
  static constexpr std::size_t kMostOfACode = 1000;

  // Each finding once, in the order first found. Large pages give thousands
  // of findings (and rows repeat some of them thousands of times): they are
  // told apart by a hash, and compared in full only when the hashes meet.
  void Add(std::string_view code, const FindingPlace& where, std::string message) {
    const std::size_t hash = Hash(code, where, message);
    auto [same, end] = byHash_.equal_range(hash);
    for (; same != end; ++same) {
      const Finding& kept = findings_[same->second];
      if (kept.code == code && kept.where == where && kept.message == message) return;
    }
    Counts& counts = CountsOf(code);
    if (counts.kept >= kMostOfACode) {
      ++counts.unlisted;
      return;
    }
    ++counts.kept;
    byHash_.emplace(hash, findings_.size());
    findings_.push_back({std::string(code), where, std::move(message)});
  }
  void Append(Report&& other) {
    for (Finding& finding : other.findings_) Add(finding.code, finding.where, std::move(finding.message));
    for (const Counts& counts : other.codes_) CountsOf(counts.code).unlisted += counts.unlisted;
  }
  std::vector<Finding> Take() {
    for (const Counts& counts : codes_)
      if (counts.unlisted > 0)
        findings_.push_back({counts.code, {FindingPlace::What::Page, PromoKind::Anchors, 0},
                             std::to_string(counts.unlisted) + " more findings of this kind are not listed."});
    byHash_.clear();
    codes_.clear();
    return std::move(findings_);
  }

private:
  static std::size_t Hash(std::string_view code, const FindingPlace& where, std::string_view message) {
    const std::hash<std::string_view> text;
    std::size_t hash = text(message) ^ (text(code) << 1);
    hash ^= (static_cast<std::size_t>(where.what) << 8) ^ (static_cast<std::size_t>(where.kind) << 16) ^
            (where.index * 0x9E3779B97F4A7C15ull);
    return hash;
  }

  struct Counts {
    std::string code;
    std::size_t kept = 0;
    std::size_t unlisted = 0;  // beyond kMostOfACode
  };
  // A check has a handful of codes.
  Counts& CountsOf(std::string_view code) {
    for (Counts& counts : codes_)
      if (counts.code == code) return counts;
    return codes_.emplace_back(Counts{std::string(code)});
  }

  std::vector<Finding> findings_;
  std::unordered_multimap<std::size_t, std::size_t> byHash_;  // hash: index in findings_
  std::vector<Counts> codes_;                                 // in the order first met
};

FindingPlace PlaceOf(FindingPlace::What what) { return {what, PromoKind::Anchors, 0}; }
FindingPlace PromoPlace(PromoKind kind, std::size_t index) { return {FindingPlace::What::Promo, kind, index}; }

// ---------------------------------------------------------------- parsing

// ---------------------------------------------------------------- parser bounds

// The parser's work per tag grows with the elements left open, the
// formatting elements it keeps to reopen, and the attributes before it in
// the same tag (each new one is compared with all of them). Pages within
// these bounds reach it as written. Beyond them tags are closed where they
// open and attributes no rule reads are dropped: every element stays, with
// every attribute a rule reads, and the parse stays linear.
constexpr std::size_t kMostOpen = 256;
constexpr std::size_t kMostFormatting = 32;
// Formatting elements another end tag closed: the parser makes a copy of
// each in every element that takes text after it.
constexpr std::size_t kMostReopened = 4;
constexpr std::size_t kMostAttributes = 64;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsFormattingName(std::string_view name) {
  static const std::unordered_set<std::string_view> names = {"a",      "b",     "big",    "code", "em",
                                                             "font",   "i",     "nobr",   "s",    "small",
                                                             "strike", "strong", "tt",    "u"};
  return names.count(name) > 0;
}

// Elements the scan keeps off its stack of open ones: the void ones, and
// those of the page's frame, which the parser never closes early.
bool IsUnstackedName(std::string_view name) {
  return IsVoidElementName(name) || name == "html" || name == "head" || name == "body";
}

// The attributes the rules read; beyond the bound, the first of each is kept.
int ReadAttributeBit(std::string_view name) {
  static constexpr std::array<std::string_view, 6> names = {"href", "src", "alt", "rel", "class", "id"};
  for (std::size_t i = 0; i < names.size(); ++i)
    if (EqualsIgnoreCaseAscii(name, names[i])) return 1 << i;
  return 0;
}

// An element that a start tag of the same group closes when it is open.
int ImpliedEndGroup(std::string_view name) {
  if (name == "p") return 1;
  if (name == "li") return 2;
  if (name == "dt" || name == "dd") return 3;
  if (name == "option") return 4;
  if (name == "tr") return 5;
  if (name == "td" || name == "th") return 6;
  return 0;
}

// Phrasing elements: their text belongs to the block they stand in.
bool IsInline(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_A: case GUMBO_TAG_ABBR: case GUMBO_TAG_B: case GUMBO_TAG_BDI: case GUMBO_TAG_BDO:
    case GUMBO_TAG_BR: case GUMBO_TAG_CITE: case GUMBO_TAG_CODE: case GUMBO_TAG_DATA: case GUMBO_TAG_DFN:
    case GUMBO_TAG_EM: case GUMBO_TAG_FONT: case GUMBO_TAG_I: case GUMBO_TAG_KBD: case GUMBO_TAG_MARK:
    case GUMBO_TAG_Q: case GUMBO_TAG_S: case GUMBO_TAG_SAMP: case GUMBO_TAG_SMALL: case GUMBO_TAG_SPAN:
    case GUMBO_TAG_STRONG: case GUMBO_TAG_SUB: case GUMBO_TAG_SUP: case GUMBO_TAG_TIME: case GUMBO_TAG_U:
    case GUMBO_TAG_VAR: case GUMBO_TAG_WBR: case GUMBO_TAG_BIG: case GUMBO_TAG_TT: case GUMBO_TAG_STRIKE:
    case GUMBO_TAG_LABEL:
      return true;
    default:
      return false;
  }
}

// Elements that, reopened by their start tag at the start of a slice, put
// the parser back where it was: none that changes the insertion mode, the
// tokenizer, foreign content or the form the parser keeps.
bool ReopensAlike(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_HTML: case GUMBO_TAG_HEAD: case GUMBO_TAG_BODY: case GUMBO_TAG_FRAMESET: case GUMBO_TAG_FRAME:
    case GUMBO_TAG_TABLE: case GUMBO_TAG_CAPTION: case GUMBO_TAG_COLGROUP: case GUMBO_TAG_COL: case GUMBO_TAG_TBODY:
    case GUMBO_TAG_THEAD: case GUMBO_TAG_TFOOT: case GUMBO_TAG_TR: case GUMBO_TAG_TD: case GUMBO_TAG_TH:
    case GUMBO_TAG_SELECT: case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_TEXTAREA: case GUMBO_TAG_FORM:
    case GUMBO_TAG_APPLET: case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT: case GUMBO_TAG_PLAINTEXT: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TITLE: case GUMBO_TAG_XMP: case GUMBO_TAG_IFRAME: case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_SVG: case GUMBO_TAG_MATH:
      return false;
    default:
      return true;
  }
}

class ParserBounds {
public:
  explicit ParserBounds(std::string_view text) : text_(text) {}

  // The text the parser should read, or nothing when it is within bounds.
  // It is written as the scan goes: a dense page makes an edit every few bytes.
  std::optional<std::string> Apply() {
    Scan();
    if (!out_) return std::nullopt;
    CopyTo(text_.size());
    return std::move(out_);
  }

  struct Places {
    // Where the scan sees only elements open that reopen alike: where the
    // page may be cut into slices.
    std::vector<std::size_t> alike;
    // After any tag outside raw text: where a slice is cut when no place
    // that reopens alike comes for long.
    std::vector<std::size_t> any;
  };
  // Places after a tag, each kind at least `spacing` apart.
  Places Cuts(std::size_t spacing) {
    editing_ = false;
    cutSpacing_ = spacing;
    Scan();
    if (frameset_) cuts_.alike.clear();  // a frameset may replace the body at any point
    return std::move(cuts_);
  }

private:
  void CopyTo(std::size_t at) {
    if (!out_) {
      out_.emplace();
      out_->reserve(text_.size() + text_.size() / 8);
    }
    out_->append(text_.substr(copied_, at - copied_));
    copied_ = at;
  }
  void Insert(std::size_t at, std::string_view text) {
    if (!editing_) return;
    CopyTo(at);
    out_->append(text);
  }
  void Remove(std::size_t from, std::size_t to) {
    if (!editing_) return;
    CopyTo(from);
    copied_ = to;
  }

  void NoteCut(std::size_t at) {
    if (cutSpacing_ == 0) return;
    const auto spaced = [&](const std::vector<std::size_t>& cuts) {
      return at >= (cuts.empty() ? 0 : cuts.back()) + cutSpacing_;
    };
    if (spaced(cuts_.any)) cuts_.any.push_back(at);
    if (blocking_ > 0 || foreign_ > 0 || formSet_ || blocksInFormatting_ > 0) return;
    if (spaced(cuts_.alike)) cuts_.alike.push_back(at);
  }

  void FlushTagRemovals() {
    for (const auto& [from, to] : tagRemovals_) Remove(from, to);
    tagRemovals_.clear();
  }

  std::size_t SkipTo(std::string_view what, std::size_t from) const {
    const std::size_t at = text_.find(what, from);
    return at == std::string_view::npos ? text_.size() : at + what.size();
  }

  void Scan() {
    const std::size_t n = text_.size();
    std::size_t i = 0;
    while (true) {
      const std::size_t lt = text_.find('<', i);
      if (lt == std::string_view::npos || lt + 1 >= n) return;
      i = lt + 1;
      if (text_[i] == '!') {
        i = text_.compare(i, 3, "!--") == 0 ? SkipTo("-->", i + 3) : SkipTo(">", i);
        continue;
      }
      if (text_[i] == '?') {
        i = SkipTo(">", i);
        continue;
      }
      const bool end = text_[i] == '/';
      if (end) ++i;
      if (i >= n) return;
      if (!IsAsciiLetter(text_[i])) {
        if (end) i = SkipTo(">", i);
        continue;
      }
      const std::size_t nameStart = i;
      while (i < n && !IsAsciiSpace(text_[i]) && text_[i] != '/' && text_[i] != '>') ++i;
      const std::string name = ToLowerAscii(text_.substr(nameStart, i - nameStart));
      bool selfClosing = false;
      if (!ScanAttributes(i, end, selfClosing)) return;  // a tag the text ends in is no tag
      // Edits go in text order: an end tag may have closings put before it.
      if (end) {
        EndTag(name, lt);
        FlushTagRemovals();
      } else {
        FlushTagRemovals();
        StartTag(name, selfClosing, i);
        if (name == "plaintext") return;
        if (IsRawTextElementName(name)) {
          i = RawTextEnd(name, i);
          continue;
        }
      }
      NoteCut(i);
    }
  }

  // Reads a tag's attributes up to and past its ">"; false at the end of the text.
  bool ScanAttributes(std::size_t& i, bool end, bool& selfClosing) {
    const std::size_t n = text_.size();
    std::size_t count = 0;
    int seen = 0;
    tagRemovals_.clear();
    while (true) {
      const std::size_t before = i;
      while (i < n && (IsAsciiSpace(text_[i]) || text_[i] == '/')) {
        selfClosing = text_[i] == '/';
        ++i;
      }
      if (i >= n) return false;
      if (text_[i] == '>') {
        ++i;
        return true;
      }
      selfClosing = false;
      const std::size_t nameStart = i++;
      while (i < n && !IsAsciiSpace(text_[i]) && text_[i] != '/' && text_[i] != '>' && text_[i] != '=') ++i;
      const std::string_view name = text_.substr(nameStart, i - nameStart);
      std::size_t look = i;
      while (look < n && IsAsciiSpace(text_[look])) ++look;
      if (look < n && text_[look] == '=') {
        i = look + 1;
        while (i < n && IsAsciiSpace(text_[i])) ++i;
        if (i < n && (text_[i] == '"' || text_[i] == '\'')) {
          const std::size_t close = text_.find(text_[i], i + 1);
          if (close == std::string_view::npos) return false;
          i = close + 1;
        } else {
          while (i < n && !IsAsciiSpace(text_[i]) && text_[i] != '>') ++i;
        }
      }
      const int bit = ReadAttributeBit(name);
      const bool wanted = !end && bit != 0 && (seen & bit) == 0;
      if (count++ >= kMostAttributes && !wanted) tagRemovals_.emplace_back(before, i);
      if (!end) seen |= bit;
    }
  }

  std::size_t RawTextEnd(const std::string& name, std::size_t from) const {
    for (std::size_t at = text_.find("</", from); at != std::string_view::npos; at = text_.find("</", at + 2)) {
      const std::size_t after = at + 2 + name.size();
      if (after <= text_.size() && EqualsIgnoreCaseAscii(text_.substr(at + 2, name.size()), name) &&
          (after == text_.size() || IsAsciiSpace(text_[after]) || text_[after] == '/' || text_[after] == '>'))
        return at;
    }
    return text_.size();
  }

  void StartTag(const std::string& name, bool selfClosing, std::size_t after) {
    if (name == "frameset") frameset_ = true;
    if (name == "form") formSet_ = true;
    if (IsUnstackedName(name) || IsRawTextElementName(name) || name == "plaintext") return;
    if (selfClosing && foreign_ > 0) return;
    if (const int group = ImpliedEndGroup(name); group != 0 && !open_.empty() && ImpliedEndGroup(open_.back()) == group)
      Pop();
    const bool formatting = IsFormattingName(name);
    if (open_.size() >= kMostOpen || (formatting && formatting_ + pending_ >= kMostFormatting)) {
      Insert(after, "</" + name + ">");
      return;
    }
    const GumboTag tag = gumbo_tag_enum(name.c_str());
    const bool blockInFormatting = formatting_ > 0 && !IsInline(tag) && tag != GUMBO_TAG_UNKNOWN;
    open_.push_back(name);
    inFormatting_.push_back(blockInFormatting);
    ++counts_[name];
    if (!ReopensAlike(tag)) ++blocking_;
    if (blockInFormatting) ++blocksInFormatting_;
    if (formatting) ++formatting_;
    if (name == "svg" || name == "math") ++foreign_;
  }

  void EndTag(const std::string& name, std::size_t at) {
    if (name == "form" && counts_["template"] == 0) formSet_ = false;
    const auto count = counts_.find(name);
    if (count == counts_.end() || count->second == 0) {
      if (pending_ > 0 && IsFormattingName(name)) --pending_;
      return;
    }
    while (!open_.empty()) {
      const std::string top = Pop();
      if (top == name) return;
      // The parser would reopen it after this end tag, again and again.
      if (IsFormattingName(top)) {
        if (pending_ >= kMostReopened) {
          Insert(at, "</" + top + ">");
        } else {
          ++pending_;
        }
      }
    }
  }

  std::string Pop() {
    std::string top = std::move(open_.back());
    open_.pop_back();
    if (inFormatting_.back()) --blocksInFormatting_;
    inFormatting_.pop_back();
    --counts_[top];
    if (!ReopensAlike(gumbo_tag_enum(top.c_str()))) --blocking_;
    if (IsFormattingName(top)) --formatting_;
    if (top == "svg" || top == "math") --foreign_;
    return top;
  }

  std::string_view text_;
  bool editing_ = true;
  std::optional<std::string> out_;  // once the first edit is made
  std::size_t copied_ = 0;          // of the text, into out_
  std::size_t cutSpacing_ = 0;
  Places cuts_;
  std::size_t blocking_ = 0;  // open elements that do not reopen alike
  std::vector<bool> inFormatting_;      // of each open element: a block inside a formatting element
  std::size_t blocksInFormatting_ = 0;  // which a slice may not start in
  bool formSet_ = false;      // the parser may hold a form that a later one joins
  bool frameset_ = false;
  std::vector<std::pair<std::size_t, std::size_t>> tagRemovals_;  // of the tag being read
  std::vector<std::string> open_;
  std::unordered_map<std::string, std::size_t> counts_;
  std::size_t formatting_ = 0;  // open
  std::size_t pending_ = 0;     // closed by another element's end tag: the parser reopens them
  std::size_t foreign_ = 0;
};

// One parse by the HTML5 parser, within its bounds, of a short text (an
// item, an address) as the contents of `context`; pages are read by PageReader.
class Html {
public:
  Html(std::string text, GumboTag context) : owned_(std::move(text)), text_(owned_) { Parse(context); }
  ~Html() { gumbo_destroy_output(&options_, output_); }
  Html(const Html&) = delete;
  Html& operator=(const Html&) = delete;

  // The element a fragment's nodes are children of.
  const GumboNode* Root() const { return output_->root; }
  // Whether the parser read the text with tags closed or attributes dropped,
  // so that its positions are not the text's.
  bool Bounded() const { return bounded_.has_value(); }

private:
  void Parse(GumboTag context) {
    bounded_ = ParserBounds(text_).Apply();
    const std::string_view input = bounded_ ? std::string_view(*bounded_) : text_;
    options_ = kGumboDefaultOptions;
    options_.max_errors = 0;  // the tree is all we read; recording errors costs time
    options_.fragment_context = context;
    output_ = gumbo_parse_with_options(&options_, input.data(), input.size());
  }

  std::string owned_;
  std::string_view text_;
  std::optional<std::string> bounded_;
  GumboOptions options_;
  GumboOutput* output_ = nullptr;
};

// The parser gives a template a node type of its own.
bool IsElementNode(const GumboNode* node) {
  return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE;
}

const GumboVector* ChildrenOf(const GumboNode* node) {
  if (node->type == GUMBO_NODE_DOCUMENT) return &node->v.document.children;
  if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) return &node->v.element.children;
  return nullptr;
}

const GumboNode* Child(const GumboVector& children, unsigned i) { return static_cast<const GumboNode*>(children.data[i]); }

// Visits every node in document order without recursion (pages can nest
// deeper than a stack should). `leave` runs after an element's children.
template <typename Enter, typename Leave>
void Walk(const GumboNode* top, Enter enter, Leave leave) {
  std::vector<std::pair<const GumboNode*, unsigned>> stack;
  enter(top);
  stack.emplace_back(top, 0);
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const GumboVector* children = ChildrenOf(node);
    if (children && next < children->length) {
      const GumboNode* child = Child(*children, next++);
      enter(child);
      if (ChildrenOf(child)) {
        stack.emplace_back(child, 0);
      }
      continue;
    }
    leave(node);
    stack.pop_back();
  }
}

std::string_view TagNameOf(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
  GumboStringPiece name = element.original_tag;
  gumbo_tag_from_original_text(&name);
  return {name.data, name.length};
}

const char* AttributeOf(const GumboElement& element, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
  return attribute ? attribute->value : nullptr;
}

// A page's tree takes many times the page's bytes, so a large page is read
// in slices: cut after a tag where only elements that reopen alike are open
// (the parser says which, asked with a sentinel after the slice), each
// further slice read after start tags that put the parser back where it
// was: the open elements, and the formatting elements it would reopen.
// Each slice's tree is walked and freed before the next. The walk meets
// every node as a walk of one parse of the page would, except that text
// may come in more pieces, and a later <html> or <body> tag's attributes
// come after the rest.
// Where no such place comes for long (the page is one table, or a form, or
// inside an element that does not reopen alike), the slice is cut after any
// tag and the next read after the start tags of what was open: the memory
// stays bounded, and the walk is as near a walk of one parse as start tags
// can make it (content a table moves before itself, or a form the parser
// still holds once its element is closed, may be met otherwise).
class PageReader {
public:
  static constexpr std::size_t kSliceBytes = 128 * 1024;
  // The longest a slice grows while places that reopen alike are refused.
  static constexpr std::size_t kMostSliceBytes = 512 * 1024;

  PageReader(std::string_view page, std::size_t sliceBytes = kSliceBytes, std::size_t mostSliceBytes = 0)
      : page_(page),
        sliceBytes_(std::max<std::size_t>(sliceBytes, 1)),
        mostSliceBytes_(mostSliceBytes ? std::max(mostSliceBytes, sliceBytes_)
                                       : std::max(kMostSliceBytes, 4 * sliceBytes_)) {
    bounded_ = ParserBounds(page_).Apply();
    // Denser than the slices, so that a place the parser refuses has another near it.
    if (Parsed().size() > sliceBytes_) cuts_ = ParserBounds(Parsed()).Cuts(std::max<std::size_t>(sliceBytes_ / 4, 1));
  }

  std::string_view Text() const { return page_; }
  std::string_view Parsed() const { return bounded_ ? std::string_view(*bounded_) : page_; }
  bool Bounded() const { return bounded_.has_value(); }

  // `at`, a position in the slice being walked, in Parsed(); null where
  // it is not the page's (what reopens the slice).
  const char* InParsed(const char* at) const {
    if (!slice_ || !at) return nullptr;
    const char* own = slice_->input.data() + slice_->reopen.text.size();
    if (at < own || at > own + slice_->length) return nullptr;
    return Parsed().data() + slice_->start + static_cast<std::size_t>(at - own);
  }

  template <typename Enter, typename Leave>
  void Walk(Enter enter, Leave leave) {
    const std::string_view parsed = Parsed();
    std::size_t start = 0;
    Reopen reopen;
    std::unordered_set<std::string> topNames;  // attributes the html and body elements hold
    while (true) {
      std::size_t want = start + sliceBytes_;
      for (int tries = 1;; ++tries) {
        std::optional<std::size_t> end;
        if (want - start <= mostSliceBytes_) end = PlaceFrom(cuts_.alike, want);
        const bool forced = end ? *end - start > mostSliceBytes_ : parsed.size() - start > mostSliceBytes_;
        if (forced) end = PlaceNear(cuts_.any, start, start + mostSliceBytes_);
        const bool last = !end;
        Slice slice(reopen, parsed, start, last ? parsed.size() : *end, !last);
        std::optional<Reopen> next;
        const std::size_t mostReopen = std::max<std::size_t>(sliceBytes_ / 4, 4096);
        if (!last)
          next = forced ? slice.NearestReopening(start == 0, mostReopen) : slice.Reopening(start == 0, mostReopen);
        if (last || next) {
          slice_ = &slice;
          slice.Walk(enter, leave, topNames);
          slice_ = nullptr;
          if (last) return;
          reopen = std::move(*next);
          start = *end;
          break;
        }
        // The parser stood where a slice cannot start: the next place, and
        // after a few, twice as far, so that a page with few places to cut
        // is still read in linear time.
        constexpr int kNextPlaces = 6;
        want = tries < kNextPlaces ? *end + 1 : start + 2 * (*end - start);
      }
    }
  }

private:
  // The first place at or after `at`.
  static std::optional<std::size_t> PlaceFrom(const std::vector<std::size_t>& places, std::size_t at) {
    const auto place = std::lower_bound(places.begin(), places.end(), at);
    if (place == places.end()) return std::nullopt;
    return *place;
  }
  // The last place after `from` up to `most`, else the first after it.
  static std::optional<std::size_t> PlaceNear(const std::vector<std::size_t>& places, std::size_t from,
                                              std::size_t most) {
    auto place = std::upper_bound(places.begin(), places.end(), most);
    if (place != places.begin() && *std::prev(place) > from) return *std::prev(place);
    return PlaceFrom(places, from + 1);
  }

  // A comment goes where the parser stands; an element after it goes
  // inside the formatting elements the parser reopens first.
  static constexpr std::string_view kSentinel = "<!--velmoracheckend--><velmoracheckend>";
  static constexpr std::size_t kSentinelComment = 22;  // bytes
  // Holds the formatting elements to reopen, closed at once: the parser
  // keeps them to reopen, as it kept those it closed in the page.
  static constexpr std::string_view kHolder = "velmorapending";

  struct Reopen {
    std::string text;              // parsed before the slice
    GumboTag container = GUMBO_TAG_BODY;  // or the head, or a frameset, that the slice starts in
    std::size_t depth = 0;         // elements it leaves open below the container
    std::size_t holder = std::string::npos;  // where the holder's tag starts in it
  };

  struct Slice {
    const Reopen& reopen;
    std::string owned;
    std::string_view input;
    std::size_t start, length;
    GumboOutput* output = nullptr;
    std::vector<const GumboNode*> reopened;  // html, head, body and the elements reopened
    const GumboNode* holder = nullptr;
    std::vector<const GumboNode*> made;  // by the sentinel
    std::vector<const GumboNode*> open;  // at the slice's end

    Slice(const Reopen& before, std::string_view parsed, std::size_t from, std::size_t to, bool withSentinel)
        : reopen(before), start(from), length(to - from) {
      if (reopen.text.empty() && !withSentinel) {
        input = parsed.substr(from, length);
      } else {
        owned.reserve(reopen.text.size() + length + kSentinel.size());
        owned.append(reopen.text).append(parsed.substr(from, length));
        if (withSentinel) owned.append(kSentinel);
        input = owned;
      }
      GumboOptions options = kGumboDefaultOptions;
      options.max_errors = 0;
      output = gumbo_parse_with_options(&options, input.data(), input.size());
      if (reopen.text.empty()) return;
      // A body the head's reopening leaves to the slice is the page's first.
      reopened = {output->document, output->root, Head()};
      if (reopen.container != GUMBO_TAG_HEAD) reopened.push_back(Body());
      const char* holderTag = reopen.holder == std::string::npos ? nullptr : input.data() + reopen.holder;
      const GumboNode* node = ChildTagged(reopen.container);
      if (reopen.container != GUMBO_TAG_BODY) reopened.push_back(node);
      for (std::size_t level = 0; node && level <= reopen.depth; ++level) {
        const GumboVector& children = node->v.element.children;
        node = nullptr;
        for (unsigned i = 0; i < children.length && !node; ++i) {
          const GumboNode* child = Child(children, i);
          if (!IsElementNode(child)) continue;
          if (child->v.element.original_tag.data == holderTag) holder = child;
          else if (level < reopen.depth && child->v.element.original_tag.data < input.data() + reopen.text.size())
            node = child;
        }
        if (node) reopened.push_back(node);
      }
    }
    ~Slice() { gumbo_destroy_output(&kGumboDefaultOptions, output); }
    Slice(const Slice&) = delete;
    Slice& operator=(const Slice&) = delete;

    const GumboNode* Body() const { return ChildTagged(GUMBO_TAG_BODY); }
    const GumboNode* Head() const { return ChildTagged(GUMBO_TAG_HEAD); }
    const GumboNode* ChildTagged(GumboTag tag) const {
      const GumboVector& children = output->root->v.element.children;
      for (unsigned i = 0; i < children.length; ++i)
        if (Child(children, i)->type == GUMBO_NODE_ELEMENT && Child(children, i)->v.element.tag == tag)
          return Child(children, i);
      return nullptr;
    }

    static bool In(const std::vector<const GumboNode*>& nodes, const GumboNode* node) {
      return std::find(nodes.begin(), nodes.end(), node) != nodes.end();
    }

    static void AppendTag(const GumboElement& element, std::string& text, bool attributes = true) {
      text += '<';
      text += TagNameOf(element);
      // Formatting elements are told apart by their attributes, when the
      // parser decides which of them to keep reopening.
      if (attributes && IsFormattingName(ToLowerAscii(TagNameOf(element)))) {
        for (unsigned i = 0; i < element.attributes.length; ++i) {
          const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
          text += ' ';
          text += attribute->name;
          text += "=\"";
          for (const char* c = attribute->value; *c; ++c) {
            if (*c == '&') text += "&amp;";
            else if (*c == '"') text += "&quot;";
            else text += *c;
          }
          text += '"';
        }
      }
      text += '>';
      // The parser drops a line break just after these tags, not one of the slice's.
      if (element.tag == GUMBO_TAG_PRE || element.tag == GUMBO_TAG_LISTING) text += '\n';
    }

    // What puts the parser back where it stood at the slice's end, or
    // nothing when it stood anywhere but in the body with only elements
    // that reopen alike open (or when that takes more than `most` bytes).
    std::optional<Reopen> Reopening(bool first, std::size_t most) {
      const GumboNode* last = output->document;
      while (const GumboVector* children = ChildrenOf(last)) {
        if (children->length == 0) break;
        last = Child(*children, children->length - 1);
      }
      const char* sentinelAt = input.data() + input.size() - kSentinel.size();
      if (last->type != GUMBO_NODE_ELEMENT || last->v.element.original_tag.data != sentinelAt + kSentinelComment)
        return std::nullopt;
      // Between the element and where the comment went: what the parser reopened.
      std::vector<const GumboNode*> pending;
      const GumboNode* comment = nullptr;
      for (const GumboNode* node = last; node->parent && node->parent->type == GUMBO_NODE_ELEMENT;
           node = node->parent) {
        if (node->index_within_parent > 0) {
          comment = Child(node->parent->v.element.children, node->index_within_parent - 1);
          break;
        }
        const GumboNode* parent = node->parent;
        if (!(parent->parse_flags & GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT) ||
            parent->v.element.children.length != 1 || parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
          return std::nullopt;
        pending.push_back(parent);
      }
      if (!comment || comment->type != GUMBO_NODE_COMMENT || comment->v.text.original_text.data != sentinelAt)
        return std::nullopt;
      const GumboNode* body = Body();
      if (!body) return std::nullopt;
      // A body the sentinel made: the slice ended before the body began.
      if (first && (body->parse_flags & GUMBO_INSERTION_IMPLIED) && body->v.element.children.length == 1)
        return std::nullopt;
      std::vector<const GumboNode*> chain;
      for (const GumboNode* node = comment->parent; node != body; node = node->parent) {
        if (!node || node->type != GUMBO_NODE_ELEMENT || node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML ||
            !ReopensAlike(node->v.element.tag))
          return std::nullopt;
        chain.push_back(node);
      }
      // A block inside an open formatting element: that element's end tag
      // would move the block, made in an earlier slice, out of it.
      bool block = false;
      for (const GumboNode* node : chain) {
        const GumboElement& element = node->v.element;
        if (block && IsFormattingName(ToLowerAscii(TagNameOf(element)))) return std::nullopt;
        block = block || !(IsInline(element.tag) || element.tag == GUMBO_TAG_UNKNOWN);
      }
      made = {last, comment};
      made.insert(made.end(), pending.begin(), pending.end());
      open = {body, output->root, output->document};
      open.insert(open.end(), chain.begin(), chain.end());
      Reopen next;
      next.text = output->document->v.document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS ? "<body>"
                                                                                            : "<!DOCTYPE html><body>";
      next.depth = chain.size();
      AppendReopening(chain, pending, true, next);
      if (next.text.size() > most) return std::nullopt;
      return next;
    }

    // The open elements, innermost first, and the formatting elements the
    // parser would reopen, after the container's start tag.
    void AppendReopening(const std::vector<const GumboNode*>& chain, const std::vector<const GumboNode*>& pending,
                         bool attributes, Reopen& next) const {
      for (auto node = chain.rbegin(); node != chain.rend(); ++node)
        AppendTag((*node)->v.element, next.text, attributes);
      if (!pending.empty()) {
        next.holder = next.text.size();
        next.text += "<" + std::string(kHolder) + ">";
        for (auto node = pending.rbegin(); node != pending.rend(); ++node)
          AppendTag((*node)->v.element, next.text, attributes);
        next.text += "</" + std::string(kHolder) + ">";
      }
    }

    // Reopening where it can; elsewhere the elements open where the parser
    // stood (in the body, the head or a frameset) reopened by their start
    // tags, which is as near as start tags can put it back.
    Reopen NearestReopening(bool first, std::size_t most) {
      if (auto exact = Reopening(first, most)) return std::move(*exact);
      const char* sentinelAt = input.data() + input.size() - kSentinel.size();
      const GumboNode* comment = nullptr;
      const GumboNode* element = nullptr;
      velmora::Walk(
          output->document,
          [&](const GumboNode* node) {
            if (node->type == GUMBO_NODE_COMMENT && node->v.text.original_text.data == sentinelAt) comment = node;
            if (node->type == GUMBO_NODE_ELEMENT && node->v.element.original_tag.data == sentinelAt + kSentinelComment)
              element = node;
          },
          [](const GumboNode*) {});
      made.clear();
      std::vector<const GumboNode*> pending;
      if (element) {
        made.push_back(element);
        for (const GumboNode* node = element->parent;
             node && node->type == GUMBO_NODE_ELEMENT &&
             (node->parse_flags & GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT) &&
             node->v.element.children.length == 1 && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
             node = node->parent)
          pending.push_back(node);
        made.insert(made.end(), pending.begin(), pending.end());
      }
      if (comment) made.push_back(comment);
      std::vector<const GumboNode*> chain;
      const GumboNode* container = nullptr;
      for (const GumboNode* node = comment ? comment->parent : nullptr;
           node && node != output->root && node->type != GUMBO_NODE_DOCUMENT; node = node->parent) {
        const GumboTag tag = node->v.element.tag;
        if (node->parent == output->root &&
            (tag == GUMBO_TAG_BODY || tag == GUMBO_TAG_HEAD || tag == GUMBO_TAG_FRAMESET)) {
          container = node;
          break;
        }
        chain.push_back(node);
      }
      if (!container) {
        // After the body or the frameset: what follows goes back into it.
        chain.clear();
        container = Body() ? Body() : ChildTagged(GUMBO_TAG_FRAMESET);
      }
      Reopen next;
      next.container = container ? container->v.element.tag : GUMBO_TAG_BODY;
      // In the head the sentinel made the body; the page's comes later.
      if (next.container == GUMBO_TAG_HEAD && Body()) made.push_back(Body());
      open = {output->root, output->document};
      if (container) open.push_back(container);
      open.insert(open.end(), chain.begin(), chain.end());
      next.depth = chain.size();
      const std::string start = std::string(output->document->v.document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS
                                                ? ""
                                                : "<!DOCTYPE html>") +
                                "<" + gumbo_normalized_tagname(next.container) + ">";
      next.text = start;
      AppendReopening(chain, pending, true, next);
      if (next.text.size() > most) {
        // Without attributes: a long one is no longer carried into every slice.
        next.text = start;
        next.holder = std::string::npos;
        AppendReopening(chain, pending, false, next);
      }
      return next;
    }

    template <typename Enter, typename Leave>
    void Walk(Enter& enter, Leave& leave, std::unordered_set<std::string>& topNames) {
      const bool continued = !reopened.empty();
      // The head the reopening implied; one it reopened is the page's, left when it ends.
      const GumboNode* head = continued && reopen.container != GUMBO_TAG_HEAD ? reopened[2] : nullptr;
      bool inHolder = false;
      velmora::Walk(
          output->document,
          [&](const GumboNode* node) {
            inHolder = inHolder || node == holder;
            if (!inHolder && !In(made, node) && !In(reopened, node)) enter(node);
          },
          [&](const GumboNode* node) {
            if (!inHolder && node != head && !In(made, node) && !In(open, node)) leave(node);
            if (node == holder) inHolder = false;
          });
      // <html> and <body> tags after the first add the attributes their
      // element does not yet hold: shown as an element of those alone.
      for (const GumboNode* top : {static_cast<const GumboNode*>(output->root), Body()}) {
        if (!top) continue;
        const GumboVector& attributes = top->v.element.attributes;
        std::vector<void*> added;
        for (unsigned i = 0; i < attributes.length; ++i) {
          const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
          const std::string key = std::string(gumbo_normalized_tagname(top->v.element.tag)) + ' ' + attribute->name;
          if (topNames.insert(key).second && continued) added.push_back(attributes.data[i]);
        }
        if (added.empty()) continue;
        GumboNode alone = *top;
        alone.v.element.children = {nullptr, 0, 0};
        alone.v.element.attributes = {added.data(), static_cast<unsigned>(added.size()),
                                      static_cast<unsigned>(added.size())};
        enter(&alone);
        leave(&alone);
      }
    }
  };

  std::string_view page_;
  std::size_t sliceBytes_;
  std::size_t mostSliceBytes_;
  std::optional<std::string> bounded_;
  ParserBounds::Places cuts_;
  const Slice* slice_ = nullptr;
};

bool HasToken(std::string_view list, std::string_view token) {
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && IsAsciiSpace(list[i])) ++i;
    std::size_t end = i;
    while (end < list.size() && !IsAsciiSpace(list[end])) ++end;
    if (end > i && EqualsIgnoreCaseAscii(list.substr(i, end - i), token)) return true;
    i = end;
  }
  return false;
}

// Text the parser sees as markup only where it holds these; anything else
// can take any place in a page without changing its elements.
bool MayHoldMarkup(std::string_view text) {
  return text.find('<') != std::string_view::npos || text.find('&') != std::string_view::npos;
}

// Which items hold a "<" at all, found once for all the rules that need it:
// promo texts make up most of a large page.
struct ItemMarks {
  std::array<std::vector<bool>, kPromoKinds.size()> holdsTag;
  explicit ItemMarks(const Project& project) {
    for (PromoKind kind : kPromoKinds) {
      auto& marks = holdsTag[static_cast<std::size_t>(kind)];
      for (const std::string& item : ListOf(project, kind)) marks.push_back(item.find('<') != std::string::npos);
    }
  }
  bool HoldsTag(PromoKind kind, std::size_t i) const { return holdsTag[static_cast<std::size_t>(kind)][i]; }
};

// Bytes above 127 are not markup in any code page; they stand in as 'x' so
// the parser, which reads UTF-8, does not turn them into something else.
std::string AsciiCopy(std::string_view text) {
  std::string copy(text);
  for (char& c : copy)
    if (static_cast<unsigned char>(c) > 127) c = 'x';
  return copy;
}

std::string NormalisedLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// ---------------------------------------------------------------- page rules

// The elements whose end tag HTML lets an author leave out: left open at
// the end of an item they close themselves where the page goes on.
bool EndTagOptional(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_P: case GUMBO_TAG_LI: case GUMBO_TAG_DT: case GUMBO_TAG_DD: case GUMBO_TAG_RB:
    case GUMBO_TAG_RT: case GUMBO_TAG_RTC: case GUMBO_TAG_RP: case GUMBO_TAG_OPTGROUP: case GUMBO_TAG_OPTION:
    case GUMBO_TAG_COLGROUP: case GUMBO_TAG_CAPTION: case GUMBO_TAG_THEAD: case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TFOOT: case GUMBO_TAG_TR: case GUMBO_TAG_TD: case GUMBO_TAG_TH:
      return true;
    default:
      return false;
  }
}

// Text in these is not shown as the page's own words.
bool HidesText(GumboTag tag) {
  return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEXTAREA ||
         tag == GUMBO_TAG_TEMPLATE || tag == GUMBO_TAG_NOSCRIPT || tag == GUMBO_TAG_TITLE;
}

// Finds a disclosure: an element whose class or id names it, or a block of
// text that speaks of both affiliates and commission.
class DisclosureFinder {
public:
  void Enter(const GumboNode* node) {
    if (found_) return;
    if (IsElementNode(node)) {
      const GumboElement& element = node->v.element;
      for (const char* name : {"class", "id"}) {
        const char* value = AttributeOf(element, name);
        if (value && ContainsNoCase(value, "disclosure")) found_ = true;
      }
      if (HidesText(element.tag)) ++hidden_;
      if (!IsInline(element.tag)) blocks_.emplace_back();
    } else if (node->type == GUMBO_NODE_TEXT && hidden_ == 0 && !blocks_.empty()) {
      blocks_.back().Add(node->v.text.text);
    }
  }
  void Leave(const GumboNode* node) {
    if (found_ || !IsElementNode(node)) return;
    const GumboElement& element = node->v.element;
    if (HidesText(element.tag)) --hidden_;
    if (!IsInline(element.tag) && !blocks_.empty()) {
      if (blocks_.back().Mentions()) found_ = true;
      blocks_.pop_back();
    }
  }
  bool Found() const { return found_; }

private:
  // A block's words, read as they come: only a word split between two
  // pieces of text is kept, so a page-long block is not copied.
  class Block {
  public:
    void Add(std::string_view text) {
      tail_ += text;
      affiliate_ = affiliate_ || ContainsNoCase(tail_, "affiliate");
      commission_ = commission_ || ContainsNoCase(tail_, "commission");
      constexpr std::size_t kLongestWord = 10;
      if (tail_.size() > kLongestWord) tail_.erase(0, tail_.size() - kLongestWord);
    }
    bool Mentions() const { return affiliate_ && commission_; }

  private:
    std::string tail_;
    bool affiliate_ = false;
    bool commission_ = false;
  };

  bool found_ = false;
  int hidden_ = 0;
  std::vector<Block> blocks_;
};

// Whether the page says it holds affiliate links, the page read in slices.
bool PageHasDisclosure(PageReader& reader) {
  DisclosureFinder finder;
  reader.Walk([&](const GumboNode* node) { finder.Enter(node); }, [&](const GumboNode* node) { finder.Leave(node); });
  return finder.Found();
}

// What the address rules say about one link or picture address.
void CheckAddress(std::string_view address, bool picture, const FindingPlace& where, Report& report) {
  const std::string_view trimmed = TrimAddress(address);
  if (picture && IsInsecurePicture(trimmed))
    report.Add("picture-insecure", where,
               "The picture " + Quoted(trimmed) +
                   " is loaded over http:, so browsers may block it or leave it out on an https site.");
  if (IsLocalFileAddress(trimmed))
    report.Add("local-file", where,
               (picture ? "The picture " : "The link ") + Quoted(trimmed) +
                   " points to a file on this computer, which no visitor can load.");
}

std::string MissingSponsoredMessage(std::string_view href) {
  return "The link to " + Quoted(TrimAddress(href)) +
         " has no rel=\"sponsored\"; search engines ask for it on paid links.";
}

std::string MissingAltMessage(std::string_view src) {
  return "The picture " + Quoted(TrimAddress(src)) +
         " has no alt text, so visitors who cannot see it are not told what it shows.";
}

constexpr std::string_view kRowsWithoutAlt =
    "The pictures of the template's rows have no alt text, so visitors who cannot see them are not told what "
    "they show.";
constexpr std::string_view kRowsWithoutSponsored =
    "The links of the template's rows have no rel=\"sponsored\"; search engines ask for it on paid links.";

bool IsLink(GumboTag tag) { return tag == GUMBO_TAG_A || tag == GUMBO_TAG_AREA; }

// Where an element of the page comes from. A row's element has its address
// from an item and everything else from the template.
struct Origin {
  FindingPlace where;
  bool row = false;
};

void CheckElement(const GumboElement& element, std::string_view affiliateLink, const Origin& origin, Report& report) {
  const FindingPlace templ = PlaceOf(FindingPlace::What::Template);
  if (element.tag == GUMBO_TAG_IMG) {
    const char* src = AttributeOf(element, "src");
    const char* alt = AttributeOf(element, "alt");
    const std::string_view address = src ? src : "";
    CheckAddress(address, true, origin.where, report);
    if (!alt || TrimAddress(alt).empty()) {
      if (origin.row) {
        report.Add("missing-alt", templ, std::string(kRowsWithoutAlt));
      } else {
        report.Add("missing-alt", origin.where, MissingAltMessage(address));
      }
    }
  } else if (IsLink(element.tag)) {
    const char* href = AttributeOf(element, "href");
    if (!href) return;
    CheckAddress(href, false, origin.where, report);
    const char* rel = AttributeOf(element, "rel");
    if (!affiliateLink.empty() && std::string_view(href).find(affiliateLink) != std::string_view::npos &&
        !(rel && HasToken(rel, "sponsored"))) {
      if (origin.row) {
        report.Add("missing-sponsored", templ, std::string(kRowsWithoutSponsored));
      } else {
        report.Add("missing-sponsored", origin.where, MissingSponsoredMessage(href));
      }
    }
  }
}

// A link or picture, from the origin `originOf` gives.
template <typename OriginOf>
void CheckElementNode(const GumboNode* node, std::string_view affiliateLink, OriginOf& originOf, Report& report) {
  if (node->type != GUMBO_NODE_ELEMENT) return;
  const GumboElement& element = node->v.element;
  if (element.tag != GUMBO_TAG_IMG && !IsLink(element.tag)) return;
  const char* address = AttributeOf(element, element.tag == GUMBO_TAG_IMG ? "src" : "href");
  CheckElement(element, affiliateLink, originOf(element, address ? address : ""), report);
}

// Every link and picture of a tree.
template <typename OriginOf>
void CheckElements(const GumboNode* top, std::string_view affiliateLink, OriginOf originOf, Report& report) {
  Walk(
      top, [&](const GumboNode* node) { CheckElementNode(node, affiliateLink, originOf, report); },
      [](const GumboNode*) {});
}

// "%%NAME%%" left anywhere in the page, each name once, in page order.
std::vector<std::string> LeftPlaceholders(std::string_view page) {
  std::vector<std::string> names;
  std::unordered_set<std::string_view> seen;
  auto isNameByte = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  };
  std::size_t at = page.find("%%");
  while (at != std::string_view::npos) {
    std::size_t end = at + 2;
    while (end < page.size() && isNameByte(page[end])) ++end;
    const bool named = end > at + 2 && !(page[at + 2] >= '0' && page[at + 2] <= '9');
    if (named && page.compare(end, 2, "%%") == 0) {
      const std::string_view placeholder = page.substr(at, end + 2 - at);
      if (seen.insert(placeholder).second) names.emplace_back(placeholder);
      at = page.find("%%", end + 2);
    } else {
      at = page.find("%%", at + 1);
    }
  }
  return names;
}

// Every "%%NAME%%" in `text`, overlapping ones too ("%%A%%B%%" holds
// "%%A%%" and "%%B%%"), as a search for each would find them.
std::unordered_set<std::string_view> PlaceholdersIn(std::string_view text) {
  std::unordered_set<std::string_view> names;
  auto isNameByte = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  };
  for (std::size_t at = text.find("%%"); at != std::string_view::npos; at = text.find("%%", at + 1)) {
    std::size_t end = at + 2;
    while (end < text.size() && isNameByte(text[end])) ++end;
    if (end > at + 2 && text.compare(end, 2, "%%") == 0) names.insert(text.substr(at, end + 2 - at));
  }
  return names;
}

void ReportPlaceholder(std::string_view placeholder, const FindingPlace& where, Report& report) {
  report.Add("placeholder-left", where,
             std::string(placeholder) + " was left in the page as it stands: the template has no such placeholder.");
}

// ---------------------------------------------------------------- items

// The kinds typed as several lines, whose "$$" the page shows as line breaks.
constexpr std::size_t kTextKindCount = [] {
  std::size_t count = 0;
  for (const PromoKindInfo& kind : kPromoKindTable) count += kind.MultiLine() ? 1 : 0;
  return count;
}();
constexpr std::array<PromoKind, kTextKindCount> kTextKinds = [] {
  std::array<PromoKind, kTextKindCount> kinds{};
  std::size_t at = 0;
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (kind.MultiLine()) kinds[at++] = kind.kind;
  return kinds;
}();

bool IsTextKind(PromoKind kind) { return InfoOf(kind).MultiLine(); }

// An item as the page holds it: line breaks restored for the text kinds and
// the affiliate link filled in (after a social post where it names none).
std::string ItemInPage(PromoKind kind, std::string_view item, std::string_view url) {
  std::string text = IsTextKind(kind) ? TypedText(kind, item) : std::string(item);
  if (InfoOf(kind).shape == PromoShape::Post) return PostWithLink(text, url);
  if (text.find(kAffiliateLink) != std::string::npos) text = ReplaceAll(text, kAffiliateLink, url);
  return text;
}

// Social posts stand in the page in more than one form (as typed and
// percent-encoded in share links), which only the whole page's reading
// attributes faithfully.
bool HoldsPosts(const Project& project) {
  for (const PromoKindInfo& kind : kPromoKindTable)
    if (kind.shape == PromoShape::Post && !ListOf(project, kind.kind).empty()) return true;
  return false;
}

// Whether the parser reads all of "&name;" as one character reference.
// Some names are read from their start alone ("&notit;" shows "¬it;").
bool IsWholeReference(std::string_view reference) {
  // Items repeat the same few references; each is parsed once per thread.
  thread_local std::unordered_map<std::string, bool> known;
  constexpr std::size_t kMostKnown = 4096;
  if (known.size() >= kMostKnown) known.clear();
  const auto [at, added] = known.try_emplace(std::string(reference), false);
  if (!added) return at->second;
  const Html html(std::string(reference), GUMBO_TAG_DIV);
  const GumboVector& children = html.Root()->v.element.children;
  if (children.length != 1 || Child(children, 0)->type != GUMBO_NODE_TEXT) return false;
  const std::string_view text = Child(children, 0)->v.text.text;
  at->second = text != reference && (text.back() != ';' || reference == "&semi;");
  return at->second;
}

// `typed` with each finished character reference ("&amp;", "&#36;",
// "&#x24;") as a blank: those are the way to write text, not markup.
std::string WithoutReferences(std::string_view typed) {
  std::string out;
  out.reserve(typed.size());
  std::size_t i = 0;
  while (i < typed.size()) {
    if (typed[i] != '&') {
      out += typed[i++];
      continue;
    }
    std::size_t end = i + 1;
    const bool numeric = end < typed.size() && typed[end] == '#';
    if (numeric) ++end;
    const bool hex = numeric && end < typed.size() && (typed[end] == 'x' || typed[end] == 'X');
    if (hex) ++end;
    const std::size_t digits = end;
    constexpr std::size_t kLongestName = 40;
    while (end < typed.size() && end - digits < kLongestName &&
           (numeric ? (hex ? std::isxdigit(static_cast<unsigned char>(typed[end])) != 0
                           : (typed[end] >= '0' && typed[end] <= '9'))
                    : std::isalnum(static_cast<unsigned char>(typed[end])) != 0))
      ++end;
    const bool finished = end > digits && end < typed.size() && typed[end] == ';';
    if (finished && (numeric || IsWholeReference(typed.substr(i, end + 1 - i)))) {
      out += ' ';  // joins nothing: "<&amp;b" stays text
      i = end + 1;
    } else {
      out += typed[i++];
    }
  }
  return out;
}

// What a visitor sees of `typed` read as HTML, with '\x01' where markup stands.
std::string SeenText(std::string_view typed) {
  Html html(AsciiCopy(typed), GUMBO_TAG_DIV);
  std::string seen;
  int hidden = 0;
  Walk(
      html.Root(),
      [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_ELEMENT) {
          if (node != html.Root()) seen += '\x01';  // any element at all is markup
          if (HidesText(node->v.element.tag)) ++hidden;
        } else if ((node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) && hidden == 0) {
          seen += node->v.text.text;
        } else if (node->type == GUMBO_NODE_COMMENT) {
          seen += '\x01';
        }
      },
      [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_ELEMENT && HidesText(node->v.element.tag)) --hidden;
      });
  return seen;
}

// The visible text of `typed` read as HTML, or nothing when the visitor
// sees what was typed, its character references as the characters they name.
std::optional<std::string> SeenInsteadOf(std::string_view typed) {
  if (!MayHoldMarkup(typed)) return std::nullopt;
  const std::string plain = WithoutReferences(typed);
  if (!MayHoldMarkup(plain) || SeenText(plain) == NormalisedLineBreaks(AsciiCopy(plain))) return std::nullopt;
  std::string seen = SeenText(typed);
  seen.erase(std::remove(seen.begin(), seen.end(), '\x01'), seen.end());
  return seen;
}

void CheckTypedText(std::string_view code, std::string_view typed, std::string_view what, const FindingPlace& where,
                    Report& report) {
  const auto seen = SeenInsteadOf(typed);
  if (!seen) return;
  report.Add(code, where,
             std::string(what) + " " + Quoted(typed) +
                 " holds \"<\" or \"&\" that browsers read as HTML, so visitors see " + Quoted(*seen) +
                 " instead. Write &lt; and &amp; to show them as typed.");
}

// The parser is told to read this after an item; where it lands shows
// whether the item left something open.
constexpr std::string_view kSentinelTag = "velmoracheckend";

struct ClosureResult {
  std::optional<std::string> problem;
  std::vector<std::pair<std::size_t, std::size_t>> textSpans;  // source spans of its text nodes
};

ClosureResult ParseClosure(std::string_view item) {
  std::string text = AsciiCopy(item);
  text += "<";
  text += kSentinelTag;
  text += ">";
  Html html(std::move(text), GUMBO_TAG_DIV);
  ClosureResult result;
  const GumboNode* sentinel = nullptr;
  const GumboNode* last = nullptr;
  const GumboNode* lastComment = nullptr;
  const GumboNode* lastElement = nullptr;
  Walk(
      html.Root(),
      [&](const GumboNode* node) {
        if (IsElementNode(node)) {
          if (node->v.element.tag == GUMBO_TAG_UNKNOWN && TagNameOf(node->v.element) == kSentinelTag) {
            sentinel = node;
          } else if (node != html.Root()) {
            lastElement = node;
          }
        } else if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
          const GumboText& t = node->v.text;
          result.textSpans.emplace_back(t.start_pos.offset, t.start_pos.offset + t.original_text.length);
        } else if (node->type == GUMBO_NODE_COMMENT) {
          lastComment = node;
        }
        last = node;
      },
      [](const GumboNode*) {});
  if (!sentinel) {
    // Read as text or a comment: the item ends inside something that
    // takes everything after it.
    if (lastComment && lastComment == last) {
      result.problem = "A comment (<!--) is not finished with -->";
    } else if (lastElement) {
      result.problem = "<" + std::string(TagNameOf(lastElement->v.element)) + "> is not closed";
    } else {
      result.problem = "A tag is not finished with >";
    }
    return result;
  }
  if (sentinel != last || sentinel->parent != html.Root()) {
    // Inside an open element, or set before an open table.
    const GumboNode* open = nullptr;
    for (const GumboNode* node = sentinel->parent; node && node != html.Root(); node = node->parent)
      if (IsElementNode(node) && !EndTagOptional(node->v.element.tag)) open = node;
    if (sentinel->parent == html.Root() && sentinel != last) {
      for (std::size_t i = sentinel->index_within_parent + 1; i < html.Root()->v.element.children.length; ++i) {
        const GumboNode* after = Child(html.Root()->v.element.children, static_cast<unsigned>(i));
        if (IsElementNode(after)) {
          open = after;
          break;
        }
      }
    }
    if (open) result.problem = "<" + std::string(TagNameOf(open->v.element)) + "> is not closed";
  }
  // Positions in a text the parser read with changes are not the item's.
  if (html.Bounded()) result.textSpans.clear();
  result.textSpans.erase(std::remove_if(result.textSpans.begin(), result.textSpans.end(),
                                        [&](const auto& span) { return span.second > item.size(); }),
                         result.textSpans.end());
  return result;
}

// Items of one kind often differ only inside their text (a number, a
// word). Such an item is closed exactly when the one it differs from is:
// text without these bytes cannot start or end any markup.
class ClosureChecker {
public:
  std::optional<std::string> Check(const std::string& item) {
    if (last_ && SameShape(item)) return last_->problem;
    last_ = ParseClosure(item);
    lastText_ = item;
    return last_->problem;
  }

private:
  bool SameShape(std::string_view item) const {
    const std::string_view before = lastText_;
    const std::size_t limit = std::min(before.size(), item.size());
    std::size_t prefix = 0;
    while (prefix < limit && before[prefix] == item[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < limit - prefix && before[before.size() - 1 - suffix] == item[item.size() - 1 - suffix]) ++suffix;
    const std::string_view oldPart = before.substr(prefix, before.size() - prefix - suffix);
    const std::string_view newPart = item.substr(prefix, item.size() - prefix - suffix);
    // Non-empty and free of blanks on both sides, so a text stays a text
    // that is not only white space.
    static constexpr ByteSet kSignificant(std::string_view("<>&-!?/=\"'`\r\n\t\f \0", 17));
    if (oldPart.empty() || newPart.empty() || kSignificant.In(oldPart) || kSignificant.In(newPart))
      return false;
    const std::size_t begin = prefix;
    const std::size_t end = prefix + oldPart.size();
    return std::any_of(last_->textSpans.begin(), last_->textSpans.end(),
                       [&](const auto& span) { return span.first < begin && end < span.second; });
  }

  std::optional<ClosureResult> last_;
  std::string lastText_;
};

// True when every item's markup ends within the item.
bool CheckItemsOfProject(const Project& project, const ItemMarks& marks, Report& report) {
  bool closed = true;
  if (TrimAddress(project.URL).empty())
    report.Add("link-invalid", PlaceOf(FindingPlace::What::AffiliateLink),
               "The affiliate link is empty, yet every link of the page goes there.");
  else if (!IsWebAddress(project.URL))
    report.Add("link-invalid", PlaceOf(FindingPlace::What::AffiliateLink),
               "The affiliate link " + Quoted(project.URL) +
                   " is not a web address starting with http:// or https:// and a host name, yet every link "
                   "of the page goes there.");
  // Vendors write the marker where an affiliate's ID goes; the page takes the link as typed.
  if (FindIgnoreCaseAscii(project.URL, "xxxx") != std::string::npos)
    report.Add("placeholder-left", PlaceOf(FindingPlace::What::AffiliateLink),
               "The affiliate link still holds \"xxxx\" where an affiliate ID belongs, so the page's links "
               "earn you nothing. Put your ID in its place, or mark this as intended if the page asks its "
               "readers to put in theirs.");
  CheckTypedText("markup-in-text", project.Title, "The title", PlaceOf(FindingPlace::What::Title), report);
  for (std::size_t i = 0; i < project.Anchors.size(); ++i)
    CheckTypedText("markup-in-text", project.Anchors[i], "The anchor text", PromoPlace(PromoKind::Anchors, i), report);
  for (std::size_t i = 0; i < project.PPC.size(); ++i) {
    if (!MayHoldMarkup(project.PPC[i])) continue;
    const PpcAdText ad = TypedPpcAd(project.PPC[i]);
    const FindingPlace where = PromoPlace(PromoKind::PPC, i);
    CheckTypedText("markup-in-text", ad.title, "The title", where, report);
    CheckTypedText("markup-in-text", ad.body, "The body", where, report);
    CheckTypedText("markup-in-text", ad.link, "The link", where, report);
  }
  for (PromoKind kind : kTextKinds) {
    ClosureChecker checker;
    const PromoList& items = ListOf(project, kind);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!marks.HoldsTag(kind, i)) continue;
      if (const auto problem = checker.Check(ItemInPage(kind, items[i], project.URL))) {
        closed = false;
        report.Add("unclosed-markup", PromoPlace(kind, i),
                   *problem + ", so it swallows what follows it on the page.");
      }
    }
  }
  return closed;
}

// ---------------------------------------------------------------- whole page

std::string_view Unquoted(std::string_view written) {
  if (written.size() >= 2 && (written.front() == '"' || written.front() == '\'') && written.back() == written.front())
    return written.substr(1, written.size() - 2);
  return written;
}

// Whether the parser reads an attribute's value just as it is written.
bool ReadAsWritten(std::string_view written) {
  return std::none_of(written.begin(), written.end(), [](char c) {
    return c == '&' || c == '\0' || c == '\r' || static_cast<unsigned char>(c) >= 0x80;
  });
}

// Which item, if any, an element of the page was written by: a row's
// address is an item itself; markup in an item holds the element's tag as
// written. Both are looked up in indexes made once per check.
class ItemLocator {
public:
  explicit ItemLocator(const Project& project) : project_(project) {}

  Origin Locate(const GumboElement& element, std::string_view) {
    if (!indexed_) Index();
    // The address as written in the page, before the parser decodes it: a
    // row's is the item itself, character references and all.
    if (const GumboAttribute* attribute =
            gumbo_get_attribute(&element.attributes, element.tag == GUMBO_TAG_IMG ? "src" : "href")) {
      const std::string_view written = Unquoted({attribute->original_value.data, attribute->original_value.length});
      if (const auto hit = byAddress_.find(std::string(TrimAddress(written))); hit != byAddress_.end())
        return {hit->second, true};
    }
    const std::string tag(element.original_tag.data, element.original_tag.length);
    if (const auto hit = byTag_.find(tag); hit != byTag_.end()) return {hit->second};
    return {PlaceOf(FindingPlace::What::Template)};
  }

private:
  void Index() {
    indexed_ = true;
    for (PromoKind kind : {PromoKind::Banners, PromoKind::Anchors}) {
      const PromoList& items = ListOf(project_, kind);
      for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string inPage = ItemInPage(kind, items[i], project_.URL);
        const std::string_view address = TrimAddress(inPage);
        if (!address.empty()) byAddress_.emplace(address, PromoPlace(kind, i));
      }
    }
    auto indexTags = [&](std::string_view text, const FindingPlace& where) {
      // Tags do not overlap: each byte is read once.
      for (std::size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', open)) {
        const std::size_t close = text.find('>', open);
        if (close == std::string_view::npos) break;
        byTag_.emplace(text.substr(open, close + 1 - open), where);
        open = close + 1;
      }
    };
    for (PromoKind kind : kPromoKinds) {
      const PromoList& items = ListOf(project_, kind);
      for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].find('<') != std::string::npos) indexTags(ItemInPage(kind, items[i], project_.URL), PromoPlace(kind, i));
    }
    indexTags(project_.Title, PlaceOf(FindingPlace::What::Title));
  }

  const Project& project_;
  bool indexed_ = false;
  std::unordered_map<std::string, FindingPlace> byAddress_;
  std::unordered_map<std::string, FindingPlace> byTag_;
};

// Where each item stands in the page: the page made with a marker for each
// item, and each marker then read as its item, must be the page itself.
struct ItemSpan {
  std::size_t begin, end;
  FindingPlace where;
};

// Stand-ins and markers begin alike; a project or template that holds this
// is read in the whole page, its places found by their text.
constexpr std::string_view kStandInStem = "zqvelmoraitem";

bool HoldsStandInStem(const Project& project, std::string_view templateText) {
  auto holds = [](std::string_view text) { return text.find(kStandInStem) != std::string_view::npos; };
  if (holds(templateText) || holds(project.Title) || holds(project.URL) || holds(project.ClickBankId)) return true;
  for (PromoKind kind : kPromoKinds) {
    const PromoList& items = ListOf(project, kind);
    if (std::any_of(items.begin(), items.end(), holds)) return true;
  }
  return false;
}

std::string ItemMarker(PromoKind kind, std::size_t index, std::size_t field = 0) {
  return std::string(kStandInStem) + static_cast<char>('a' + static_cast<int>(kind)) + std::to_string(index) +
         (field ? "f" + std::to_string(field) : std::string()) + "zq";
}

std::optional<std::vector<ItemSpan>> ItemSpans(const Project& project, std::string_view templateText,
                                               std::string_view page) {
  if (HoldsStandInStem(project, templateText)) return std::nullopt;
  Project marked = project;
  std::unordered_map<std::string, std::pair<std::string, FindingPlace>> items;  // marker: text in page, place
  for (PromoKind kind : kPromoKinds) {
    PromoList& list = ListOf(marked, kind);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const FindingPlace where = PromoPlace(kind, i);
      if (kind == PromoKind::PPC) {
        const PpcAdText typed = TypedPpcAd(list[i]);
        std::string ad = "^";
        for (std::size_t f = 1; f <= 3; ++f) {
          const std::string& text = f == 1 ? typed.title : f == 2 ? typed.body : typed.link;
          items.emplace(ItemMarker(kind, i, f), std::pair{ReplaceAll(text, kAffiliateLink, project.URL), where});
          ad += ItemMarker(kind, i, f) + "^";
        }
        list[i] = ad;
      } else {
        items.emplace(ItemMarker(kind, i), std::pair{ItemInPage(kind, list[i], project.URL), where});
        if (kind == PromoKind::Banners) marked.BannerAlts[ItemMarker(kind, i)] = BannerAlt(project, list[i]);
        list[i] = ItemMarker(kind, i);
      }
    }
  }
  const std::string markedPage = FillTemplate(templateText, marked);
  std::vector<ItemSpan> spans;
  std::size_t read = 0;   // in the marked page
  std::size_t inPage = 0;  // in the page
  auto same = [&](std::string_view text) {
    if (page.compare(inPage, text.size(), text) != 0) return false;
    inPage += text.size();
    return true;
  };
  for (std::size_t at = markedPage.find(kStandInStem); at != std::string::npos;
       at = markedPage.find(kStandInStem, at + 1)) {
    const std::size_t end = markedPage.find("zq", at + kStandInStem.size());
    if (end == std::string::npos) break;
    const auto item = items.find(markedPage.substr(at, end + 2 - at));
    if (item == items.end()) continue;
    if (!same(std::string_view(markedPage).substr(read, at - read))) return std::nullopt;
    // Inside a text box the item stands escaped.
    const std::size_t begin = inPage;
    if (!same(item->second.first) && !same(EscapeForTextArea(item->second.first))) return std::nullopt;
    spans.push_back({begin, inPage, item->second.second});
    read = end + 2;
    at = end + 1;
  }
  if (!same(std::string_view(markedPage).substr(read)) || inPage != page.size()) return std::nullopt;
  return spans;
}

// Which item, if any, wrote an element: one whose tag stands in an item,
// or a row's, whose address is an item.
class SpanLocator {
public:
  SpanLocator(std::vector<ItemSpan> spans, const PageReader& reader)
      : spans_(std::move(spans)), reader_(reader), parsed_(reader.Parsed()) {}

  Origin Locate(const GumboElement& element) const {
    if (const auto* item = SpanHolding(reader_.InParsed(element.original_tag.data))) return {item->where};
    if (const GumboAttribute* attribute =
            gumbo_get_attribute(&element.attributes, element.tag == GUMBO_TAG_IMG ? "src" : "href")) {
      const char* at = reader_.InParsed(attribute->original_value.data);
      const std::string_view written = Unquoted({at ? at : "", at ? attribute->original_value.length : 0});
      // A row's address holds an item, perhaps with the template's text around it.
      if (const auto* item = SpanMeeting(written)) return {item->where, true};
    }
    return {PlaceOf(FindingPlace::What::Template)};
  }

private:
  const ItemSpan* SpanHolding(const char* at) const {
    if (!at || at < parsed_.data() || at >= parsed_.data() + parsed_.size()) return nullptr;
    const std::size_t offset = static_cast<std::size_t>(at - parsed_.data());
    auto after = std::upper_bound(spans_.begin(), spans_.end(), offset,
                                  [](std::size_t o, const ItemSpan& span) { return o < span.begin; });
    if (after == spans_.begin()) return nullptr;
    --after;
    return offset < after->end ? &*after : nullptr;
  }

  const ItemSpan* SpanMeeting(std::string_view written) const {
    if (written.data() < parsed_.data() || written.data() + written.size() > parsed_.data() + parsed_.size())
      return nullptr;
    const std::size_t from = static_cast<std::size_t>(written.data() - parsed_.data());
    const std::size_t to = from + written.size();
    auto after = std::upper_bound(spans_.begin(), spans_.end(), to,
                                  [](std::size_t o, const ItemSpan& span) { return o < span.begin; });
    if (after == spans_.begin()) return nullptr;
    --after;
    return after->end >= from ? &*after : nullptr;
  }

  std::vector<ItemSpan> spans_;
  const PageReader& reader_;
  std::string_view parsed_;
};

// The links and pictures of the page, each where it comes from; true when
// the page has a disclosure. One reading serves both.
bool CheckWholePage(PageReader& reader, const Project* project, std::string_view templateText, Report& report) {
  DisclosureFinder finder;
  auto walk = [&](auto originOf) {
    reader.Walk(
        [&](const GumboNode* node) {
          finder.Enter(node);
          CheckElementNode(node, project ? std::string_view(project->URL) : std::string_view(), originOf, report);
        },
        [&](const GumboNode* node) { finder.Leave(node); });
  };
  if (project) {
    // Exact places where the page's text shows them; the parser's positions
    // are the page's unless it read the page within its bounds.
    auto spans = reader.Bounded() ? std::nullopt : ItemSpans(*project, templateText, reader.Text());
    if (spans) {
      const SpanLocator locator(std::move(*spans), reader);
      walk([&](const GumboElement& element, std::string_view) { return locator.Locate(element); });
    } else {
      ItemLocator locator(*project);
      walk([&](const GumboElement& element, std::string_view address) { return locator.Locate(element, address); });
    }
  } else {
    walk([](const GumboElement&, std::string_view) { return Origin{PlaceOf(FindingPlace::What::Page)}; });
  }
  return finder.Found();
}

// Whether a <meta name="description"> with words in its content stands in
// the page, read from its text: search engines show it under the page's link.
bool HasPageDescription(std::string_view page) {
  constexpr std::string_view kMeta = "<meta";
  // Each search goes on after the tag before, so the page is read once.
  std::size_t pos = 0;
  for (std::size_t at = FindIgnoreCaseAscii(page, kMeta); at != std::string_view::npos;
       at = FindIgnoreCaseAscii(page, kMeta, pos)) {
    pos = at + kMeta.size();
    std::string name;
    std::string content;
    // Attributes up to the tag's end: name, then an optional quoted or bare value.
    while (pos < page.size() && page[pos] != '>') {
      if (std::isspace(static_cast<unsigned char>(page[pos])) || page[pos] == '/') {
        ++pos;
        continue;
      }
      const std::size_t nameAt = pos;
      while (pos < page.size() && !std::isspace(static_cast<unsigned char>(page[pos])) &&
             std::string_view("=>/").find(page[pos]) == std::string_view::npos)
        ++pos;
      const std::string attribute = ToLowerAscii(page.substr(nameAt, pos - nameAt));
      std::string_view value;
      if (pos < page.size() && page[pos] == '=') {
        ++pos;
        if (pos < page.size() && (page[pos] == '"' || page[pos] == '\'')) {
          const std::size_t close = page.find(page[pos], pos + 1);
          const std::size_t end = close == std::string_view::npos ? page.size() : close;
          value = page.substr(pos + 1, end - pos - 1);
          pos = std::min(page.size(), end + 1);
        } else {
          const std::size_t valueAt = pos;
          while (pos < page.size() && !std::isspace(static_cast<unsigned char>(page[pos])) && page[pos] != '>') ++pos;
          value = page.substr(valueAt, pos - valueAt);
        }
      }
      if (attribute == "name") name = ToLowerAscii(TrimControl(value));
      if (attribute == "content") content = TrimControl(value);
    }
    if (name == "description" && !content.empty()) return true;
  }
  return false;
}

void ReportNoDescription(Report& report) {
  report.Add("no-description", PlaceOf(FindingPlace::What::Page),
             "The page has no description for search engines, which show it under the page's link: give the "
             "template a <meta name=\"description\" content=\"%%DESCRIPTION%%\">, which shows the project's "
             "page description.");
}

void ReportNoDisclosure(Report& report) {
  report.Add("no-disclosure", PlaceOf(FindingPlace::What::Page),
             "The page does not say that it holds affiliate links: add a note that the site earns a commission "
             "(for example in an element with the class \"disclosure\"), as regulators require.");
}

// ---------------------------------------------------------------- fast path

// The page of a large project is mostly the same rows again and again. The
// check reads the page made with one stand-in per kind instead, and then
// each item in the place its stand-in took. Where an item could change the
// page around it, the whole page is read after all.
const std::string& StandIn(PromoKind kind) {
  static const auto standIns = [] {
    std::array<std::string, kPromoKinds.size()> texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
      texts[k] = std::string(kStandInStem) + static_cast<char>('a' + k) + "zq";
    return texts;
  }();
  return standIns[static_cast<std::size_t>(kind)];
}

enum Context : unsigned { kData = 1, kText = 2, kRaw = 4, kComment = 8, kQuoted = 16, kUnquoted = 32 };

struct AddressUse {
  bool picture;
  std::string value;    // with the stand-in in it
  std::string written;  // the same as the page has it, quotes and character references and all
  std::string rel;      // links: the rel the template gives
};

// An address as browsers read it from the page: character references,
// bytes that are no UTF-8 and line breaks are read as the parser reads them.
std::string AddressAsRead(std::string_view written) {
  if (ReadAsWritten(written)) return std::string(Unquoted(written));
  const Html html("<img src=" + std::string(written) + ">", GUMBO_TAG_DIV);
  const GumboVector& children = html.Root()->v.element.children;
  if (children.length == 1 && Child(children, 0)->type == GUMBO_NODE_ELEMENT)
    if (const char* src = AttributeOf(Child(children, 0)->v.element, "src")) return src;
  return std::string(Unquoted(written));
}

struct StandInUses {
  unsigned contexts = 0;
  bool inTitle = false;  // with kText: the title rather than a textarea
  std::size_t seen = 0;  // how many stand-ins the tree holds
  std::vector<AddressUse> addresses;
};

// Whether text in these places could end them or open something that
// reaches past them; markup in plain page text is read item by item.
bool MayChangeThePage(const StandInUses& use, std::string_view text, bool holdsTag) {
  static constexpr ByteSet kEndQuoted("\"'");
  static constexpr ByteSet kEndUnquoted("\"'<>=` \t\r\n\f");
  static constexpr ByteSet kEndComment("<>-!");
  if ((use.contexts & kQuoted) && kEndQuoted.In(text)) return true;
  if ((use.contexts & kUnquoted) && kEndUnquoted.In(text)) return true;
  if ((use.contexts & kComment) && kEndComment.In(text)) return true;
  if (!holdsTag) return false;
  if (use.contexts & kRaw) return true;
  // In a textarea or the title only their own end tag ends the text.
  return (use.contexts & kText) &&
         (ContainsEndTag(text, "textarea") || (use.inTitle && ContainsEndTag(text, "title")));
}

// Whether every "%%" of `item` belongs to the affiliate link's placeholder,
// which is always filled in: many promos hold that one and no other.
bool OnlyTheLinkPlaceholder(std::string_view item) {
  for (std::size_t at = item.find("%%"); at != std::string_view::npos; at = item.find("%%", at)) {
    if (item.compare(at, kAffiliateLink.size(), kAffiliateLink) != 0) return false;
    at += kAffiliateLink.size();
  }
  return true;
}

// Whether an item, as the page holds it, could hold "%%" or join the
// page's text around it into a placeholder.
bool MayTouchPlaceholders(PromoKind kind, std::string_view raw, std::string_view url) {
  if (raw.find('%') == std::string_view::npos) return false;
  if (!OnlyTheLinkPlaceholder(raw)) return true;
  // Most items hold the link's placeholder and no other "%": they are quick to tell.
  const auto percents = std::count(raw.begin(), raw.end(), '%');
  if (url.find('%') == std::string_view::npos &&
      static_cast<std::size_t>(percents) == 4 * CountOf(raw, kAffiliateLink))
    return false;
  const std::string text = ItemInPage(kind, raw, url);
  return text.find("%%") != std::string::npos || text.front() == '%' || text.back() == '%';
}

// What a stand-in banner's alternative text reads: no stand-in, so that it
// leaves the reading by stand-ins as it is.
constexpr std::string_view kBannerAltStandIn = "zqbanneraltzq";

// The page with one stand-in for the items of each kind the project has.
std::string StandInPage(const Project& project, std::string_view templateText, PromoKind twice = PromoKind::PPC) {
  Project sample;
  sample.Title = project.Title;
  sample.URL = project.URL;
  sample.ClickBankId = project.ClickBankId;
  // Each banner's own alternative text is checked apart (BannerAltsShown).
  if (!project.Banners.empty()) sample.BannerAlts[StandIn(PromoKind::Banners)] = std::string(kBannerAltStandIn);
  for (PromoKind kind : kPromoKinds) {
    if (ListOf(project, kind).empty()) continue;
    ListOf(sample, kind).push_back(kind == PromoKind::PPC ? "^" + StandIn(kind) + "^^^" : StandIn(kind));
    if (kind == twice && kind != PromoKind::PPC) ListOf(sample, kind).push_back(StandIn(kind));
  }
  return FillTemplate(templateText, sample);
}

// How many elements of each name, attributes of each name and comments a
// page holds; text is left out, as the parser joins what stands together.
std::map<std::string, long> MarkupCounts(std::string_view page) {
  std::map<std::string, long> counts;
  PageReader reader(page);
  reader.Walk(
      [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_COMMENT) ++counts["!--"];
        if (!IsElementNode(node)) return;
        const GumboElement& element = node->v.element;
        ++counts[std::to_string(element.tag_namespace) + std::string(TagNameOf(element))];
        for (unsigned i = 0; i < element.attributes.length; ++i)
          ++counts[std::string("@") + static_cast<const GumboAttribute*>(element.attributes.data[i])->name];
      },
      [](const GumboNode*) {});
  return counts;
}

// What `after` holds beyond `before`, per name.
std::map<std::string, long> Added(const std::map<std::string, long>& before, std::map<std::string, long> after) {
  for (const auto& [name, count] : before) after[name] -= count;
  std::erase_if(after, [](const auto& entry) { return entry.second == 0; });
  return after;
}

// Whether each row of the template ends all it opens: then one row read
// stands for all. A row that leaves a quote, tag or comment open reaches
// into the next, and only the whole page shows how. (The PPC table is the
// program's own, its rows made to follow one another.)
bool RowsStandAlone(const Project& project, std::string_view templateText, std::string_view onePerKind) {
  for (PromoKind kind : kPromoKinds) {
    if (kind == PromoKind::PPC || ListOf(project, kind).size() < 2) continue;
    const std::string twoRows = StandInPage(project, templateText, kind);
    if (twoRows.size() < onePerKind.size()) return false;
    // The second row is what the longer page has beyond the shorter one.
    std::size_t prefix = 0;
    while (prefix < onePerKind.size() && onePerKind[prefix] == twoRows[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < onePerKind.size() - prefix &&
           onePerKind[onePerKind.size() - 1 - suffix] == twoRows[twoRows.size() - 1 - suffix])
      ++suffix;
    const std::string_view row = std::string_view(twoRows).substr(prefix, twoRows.size() - prefix - suffix);
    if (ParseClosure(row).problem) return false;
    // The first row follows the template rather than a row: what the
    // template leaves unfinished before it ("</", "<a ") takes it in, and
    // then it makes other elements than the rows after it do.
    if (prefix + suffix != onePerKind.size() || prefix < row.size() ||
        onePerKind.substr(prefix - row.size(), row.size()) != row)
      return false;
    const std::string noRow =
        std::string(onePerKind.substr(0, prefix - row.size())).append(onePerKind.substr(prefix));
    const auto once = MarkupCounts(onePerKind);
    if (Added(MarkupCounts(noRow), once) != Added(once, MarkupCounts(twoRows))) return false;
  }
  return true;
}

// The elements whose text ends only at their own end tag, and which a text
// item may be shown in. A <textarea> is not one of them: the generator
// escapes what it shows there.
constexpr std::array<GumboTag, 2> kBoxes = {GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE};
using BoxesOfKinds = std::array<unsigned, kPromoKinds.size()>;  // bit b: in kBoxes[b]

BoxesOfKinds BoxesOfItems(PageReader& standIns) {
  BoxesOfKinds boxes{};
  standIns.Walk(
      [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_TEXT && node->type != GUMBO_NODE_WHITESPACE) return;
        const GumboNode* parent = node->parent;
        if (!parent || parent->type != GUMBO_NODE_ELEMENT) return;
        const auto box = std::find(kBoxes.begin(), kBoxes.end(), parent->v.element.tag);
        if (box == kBoxes.end()) return;
        for (PromoKind kind : kTextKinds)
          if (std::string_view(node->v.text.text).find(StandIn(kind)) != std::string_view::npos)
            boxes[static_cast<std::size_t>(kind)] |= 1u << (box - kBoxes.begin());
      },
      [](const GumboNode*) {});
  return boxes;
}

// A text item shown in a box that holds the box's end tag ends it there,
// and the rest of the item becomes the visitors' page.
void CheckBoxEscapes(const Project& project, const BoxesOfKinds& boxes, Report& report) {
  for (PromoKind kind : kTextKinds) {
    const unsigned in = boxes[static_cast<std::size_t>(kind)];
    if (in == 0) continue;
    const PromoList& items = ListOf(project, kind);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].find("</") == std::string::npos) continue;
      for (std::size_t b = 0; b < kBoxes.size(); ++b) {
        const std::string_view name = gumbo_normalized_tagname(kBoxes[b]);
        if (!(in & (1u << b)) || !ContainsEndTag(items[i], name)) continue;
        const std::string endTag = "</" + std::string(name);
        const std::string advice = "Write <\\/" + std::string(name) + " instead, which reads the same there.";
        report.Add("box-escape", PromoPlace(kind, i),
                   "The text holds \"" + endTag + "\", which ends the <" + std::string(name) +
                       "> the template shows it in, so what follows becomes live markup or script on the "
                       "visitors' page. " + advice);
        break;
      }
    }
  }
}

// False when the check has to read the whole page.
bool CheckByStandIns(const Project& project, const ItemMarks& marks, PageReader& html, Report& report,
                     bool& disclosure, std::vector<std::string>& leftPlaceholders) {
  // What the template (or the title or link) leaves stands in this page once,
  // unless a stand-in took part in one.
  leftPlaceholders = LeftPlaceholders(html.Text());
  for (const std::string& placeholder : leftPlaceholders)
    if (placeholder.find(kStandInStem) != std::string::npos) return false;

  std::array<StandInUses, kPromoKinds.size()> uses;
  auto noteText = [&](std::string_view text, unsigned context, bool inTitle = false) {
    for (PromoKind kind : kPromoKinds) {
      if (const std::size_t n = CountOf(text, StandIn(kind))) {
        uses[static_cast<std::size_t>(kind)].contexts |= context;
        uses[static_cast<std::size_t>(kind)].inTitle |= inTitle;
        uses[static_cast<std::size_t>(kind)].seen += n;
      }
    }
  };
  DisclosureFinder finder;
  std::vector<GumboTag> open;
  bool itemsTell = false;
  html.Walk(
      [&](const GumboNode* node) {
        finder.Enter(node);
        if (node->type == GUMBO_NODE_ELEMENT) {
          const GumboElement& element = node->v.element;
          open.push_back(element.tag);
          for (unsigned i = 0; i < element.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
            const bool quoted = attribute->original_value.length > 0 &&
                                (attribute->original_value.data[0] == '"' || attribute->original_value.data[0] == '\'');
            noteText(attribute->value, quoted ? kQuoted : kUnquoted);
          }
          const bool picture = element.tag == GUMBO_TAG_IMG;
          if (!picture && !IsLink(element.tag)) return;
          // An alt or rel an item fills in is as many as the items: read in the whole page.
          const char* told = AttributeOf(element, picture ? "alt" : "rel");
          if (told && std::string_view(told).find(kStandInStem) != std::string_view::npos) itemsTell = true;
          const char* address = AttributeOf(element, picture ? "src" : "href");
          const std::string value = address ? address : "";
          bool row = false;
          for (PromoKind kind : kPromoKinds) {
            if (value.find(StandIn(kind)) == std::string::npos) continue;
            const char* rel = AttributeOf(element, "rel");
            const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, picture ? "src" : "href");
            uses[static_cast<std::size_t>(kind)].addresses.push_back(
                {picture, value, std::string(attribute->original_value.data, attribute->original_value.length),
                 rel ? rel : ""});
            row = true;
          }
          if (!row) {
            CheckElement(element, project.URL, {PlaceOf(FindingPlace::What::Template)}, report);
          } else if (picture) {
            const char* alt = AttributeOf(element, "alt");
            if (!alt || TrimAddress(alt).empty())
              report.Add("missing-alt", PlaceOf(FindingPlace::What::Template), std::string(kRowsWithoutAlt));
          }
        } else if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
                   node->type == GUMBO_NODE_CDATA) {
          const GumboTag parent = open.empty() ? GUMBO_TAG_UNKNOWN : open.back();
          unsigned context = kData;
          if (parent == GUMBO_TAG_TEXTAREA || parent == GUMBO_TAG_TITLE) {
            context = kText;
          } else if (parent == GUMBO_TAG_SCRIPT || parent == GUMBO_TAG_STYLE || parent == GUMBO_TAG_XMP ||
                     parent == GUMBO_TAG_IFRAME || parent == GUMBO_TAG_NOEMBED || parent == GUMBO_TAG_NOFRAMES ||
                     parent == GUMBO_TAG_NOSCRIPT || parent == GUMBO_TAG_PLAINTEXT) {
            context = kRaw;
          }
          noteText(node->v.text.text, context, parent == GUMBO_TAG_TITLE);
        } else if (node->type == GUMBO_NODE_COMMENT) {
          noteText(node->v.text.text, kComment);
        }
      },
      [&](const GumboNode* node) {
        finder.Leave(node);
        if (node->type == GUMBO_NODE_ELEMENT) open.pop_back();
      });
  disclosure = finder.Found();
  if (itemsTell) return false;

  for (PromoKind kind : kPromoKinds) {
    const PromoList& items = ListOf(project, kind);
    const StandInUses& use = uses[static_cast<std::size_t>(kind)];
    // A stand-in in a tag or attribute name, or anywhere the tree does not keep it.
    if (items.empty() || use.seen != CountOf(html.Text(), StandIn(kind))) {
      if (!items.empty()) return false;
      continue;
    }
    if (use.seen == 0) continue;
    // An affiliate link written into an item stands where the item does.
    const bool linkMatters =
        MayChangeThePage(use, project.URL, project.URL.find('<') != std::string::npos);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string& raw = items[i];
      const bool holdsTag = marks.HoldsTag(kind, i);
      // Only what could read as markup where the item stands needs more;
      // placeholders other than the link's are filled in after the item is placed.
      if (MayChangeThePage(use, raw, holdsTag) || (linkMatters && raw.find(kAffiliateLink) != std::string::npos) ||
          MayTouchPlaceholders(kind, raw, project.URL))
        return false;
      if ((use.contexts & kData) && holdsTag) {
        const FindingPlace where = PromoPlace(kind, i);
        bool closed = true;
        auto checkFragment = [&](std::string_view text) {
          // A tag the item leaves open takes in the page after it ("<img src=" reads
          // the row's "</a>"): only the whole page shows what that makes.
          if (!closed || ParseClosure(text).problem) {
            closed = false;
            return;
          }
          Html fragment(std::string(text), GUMBO_TAG_DIV);
          CheckElements(
              fragment.Root(), project.URL, [&](const GumboElement&, std::string_view) { return Origin{where}; },
              report);
        };
        if (kind == PromoKind::PPC) {
          const PpcAdText ad = TypedPpcAd(raw);
          for (const std::string* field : {&ad.title, &ad.body, &ad.link}) checkFragment(ItemInPage(kind, *field, project.URL));
        } else {
          checkFragment(ItemInPage(kind, raw, project.URL));
        }
        if (!closed) return false;
      }
      for (const AddressUse& address : use.addresses) {
        // Most rows hold the item alone, as typed.
        const bool asTyped = address.value == StandIn(kind) && raw.find("%%") == std::string::npos &&
                             !(IsTextKind(kind) && TypedText(kind, raw) != raw) &&
                             ReadAsWritten(raw);
        const std::string built =
            asTyped ? std::string()
                    : AddressAsRead(ReplaceAll(address.written, StandIn(kind), ItemInPage(kind, raw, project.URL)));
        const std::string_view value = asTyped ? std::string_view(raw) : std::string_view(built);
        CheckAddress(value, address.picture, PromoPlace(kind, i), report);
        if (!address.picture && !project.URL.empty() && value.find(project.URL) != std::string::npos &&
            !HasToken(address.rel, "sponsored"))
          report.Add("missing-sponsored", PlaceOf(FindingPlace::What::Template), std::string(kRowsWithoutSponsored));
      }
    }
  }
  return true;
}

// Placeholders typed into items: most are filled or removed as the page is
// made, so each is looked for in the page itself.
void AddPlaceholdersOfItems(const Project& project, std::string_view page, std::vector<std::string>& left) {
  std::unordered_set<std::string> known(left.begin(), left.end());
  known.insert(std::string(kAffiliateLink));  // always filled in
  // The page is read once, not once for each placeholder an item holds, and
  // as the whole-page reading reads it.
  std::optional<std::unordered_set<std::string>> inPage;
  for (PromoKind kind : kPromoKinds) {
    for (const std::string& item : ListOf(project, kind)) {
      if (OnlyTheLinkPlaceholder(item)) continue;
      for (std::string& placeholder : LeftPlaceholders(item)) {
        if (known.count(placeholder)) continue;
        if (!inPage) {
          const auto names = LeftPlaceholders(page);
          inPage.emplace(names.begin(), names.end());
        }
        if (!inPage->count(placeholder)) continue;
        known.insert(placeholder);
        left.push_back(std::move(placeholder));
      }
    }
  }
}

void CheckPlaceholders(const std::vector<std::string>& left, const Project* project,
                       std::string_view templateText, Report& report) {
  if (left.empty()) return;
  // Where each placeholder is first typed, found in one pass over the
  // template and the items rather than one per placeholder.
  std::unordered_set<std::string_view> inTemplate;
  std::unordered_map<std::string_view, FindingPlace> typedAt;
  if (project) {
    inTemplate = PlaceholdersIn(templateText);
    for (PromoKind kind : kPromoKinds) {
      const PromoList& items = ListOf(*project, kind);
      for (std::size_t i = 0; i < items.size(); ++i)
        for (std::string_view placeholder : PlaceholdersIn(items[i])) typedAt.emplace(placeholder, PromoPlace(kind, i));
    }
    for (std::string_view placeholder : PlaceholdersIn(project->Title))
      typedAt.emplace(placeholder, PlaceOf(FindingPlace::What::Title));
  }
  for (const std::string& placeholder : left) {
    FindingPlace where = PlaceOf(project ? FindingPlace::What::Template : FindingPlace::What::Page);
    if (project && !inTemplate.count(placeholder)) {
      if (const auto at = typedAt.find(placeholder); at != typedAt.end()) where = at->second;
    }
    ReportPlaceholder(placeholder, where, report);
  }
}

}  // namespace

std::string PlaceName(const FindingPlace& place, std::string_view itemLabel) {
  switch (place.what) {
    case FindingPlace::What::Page: return "Page";
    case FindingPlace::What::Template: return "Template";
    case FindingPlace::What::Title: return "Title";
    case FindingPlace::What::AffiliateLink: return "Affiliate link";
    case FindingPlace::What::Promo: break;
  }
  const std::string kind(InfoOf(place.kind).placeName);
  if (itemLabel.empty()) return kind + " " + std::to_string(place.index + 1);
  return kind + " \"" + std::string(itemLabel) + "\"";
}

namespace {

// Sixteen hex digits of the text's SHA-256: short enough for a project
// file to keep many, long enough that two texts practically never share them.
std::string ShortDigest(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1 || length < 8)
    throw std::runtime_error("SHA-256 is not available");
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < 8; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace

void NameFindings(const Project& project, std::vector<Finding>& findings) {
  using What = FindingPlace::What;
  // A key holds what stands at the place: an item's text, the title, the
  // link; the template's findings are told apart by their messages.
  std::map<std::tuple<What, PromoKind, std::size_t>, std::string> digests;
  std::map<std::tuple<std::string, What, PromoKind, std::size_t>, int> seen;
  for (Finding& finding : findings) {
    const FindingPlace& where = finding.where;
    const PromoList* items = where.what == What::Promo ? &ListOf(project, where.kind) : nullptr;
    const bool known = !items || where.index < items->size();
    finding.item = items && known ? ItemLabel(where.kind, (*items)[where.index]) : std::string();
    std::string place;
    std::string subject;
    switch (where.what) {
      case What::Promo:
        place = InfoOf(where.kind).tag;
        if (known) subject = (*items)[where.index];
        break;
      case What::Title:
        place = "title";
        subject = project.Title;
        break;
      case What::AffiliateLink:
        place = "link";
        subject = project.URL;
        break;
      case What::Template:
      case What::Page:
        place = where.what == What::Template ? "template" : "page";
        subject = project.Template + "\n" + finding.message;
        break;
    }
    const std::size_t index = where.what == What::Promo ? where.index : 0;
    // Findings of one code on one thing stay apart by their order there,
    // which edits elsewhere leave as it is.
    const int ordinal = ++seen[{finding.code, where.what, where.kind, index}];
    std::string& digest = digests[{where.what, where.kind, index}];
    const bool byMessage = where.what == What::Template || where.what == What::Page;
    if (digest.empty() || byMessage) digest = ShortDigest(subject);
    finding.key = finding.code + "/" + place + "/" + digest;
    if (ordinal > 1) finding.key += "/" + std::to_string(ordinal);
  }
  MarkIntended(findings, project.IntendedFindings);
}

void MarkIntended(std::vector<Finding>& findings, const std::vector<std::string>& intended) {
  const std::unordered_set<std::string_view> keys(intended.begin(), intended.end());
  for (Finding& finding : findings) finding.intended = !finding.key.empty() && keys.count(finding.key) > 0;
}

void SetIntended(Project& project, const std::string& key, bool intended) {
  auto& keys = project.IntendedFindings;
  const auto at = std::find(keys.begin(), keys.end(), key);
  if (intended && at == keys.end() && !key.empty()) keys.push_back(key);
  if (!intended && at != keys.end()) keys.erase(at);
}

std::size_t CountToLookAt(const std::vector<Finding>& findings) {
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(), [](const Finding& finding) { return !finding.intended; }));
}

std::size_t FindingRow(const Finding& finding, const std::vector<PromoEntry>& entries) {
  const std::size_t row = finding.where.index;
  if (finding.item.empty() || (row < entries.size() && entries[row].label == finding.item)) return row;
  const auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const PromoEntry& entry) { return entry.label == finding.item; });
  return same != entries.end() ? static_cast<std::size_t>(same - entries.begin()) : row;
}

bool IsWebAddress(std::string_view address) {
  address = TrimAddress(address);
  std::size_t rest;
  if (StartsWithNoCase(address, "http://")) {
    rest = 7;
  } else if (StartsWithNoCase(address, "https://")) {
    rest = 8;
  } else {
    return false;
  }
  std::string_view authority = address.substr(rest);
  authority = authority.substr(0, authority.find_first_of("/?#\\"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view host = authority;
  if (const std::size_t colon = host.rfind(':'); colon != std::string_view::npos && host.find(']') == std::string_view::npos) {
    const std::string_view port = host.substr(colon + 1);
    if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    host = host.substr(0, colon);
  }
  if (host.empty()) return false;
  return std::none_of(host.begin(), host.end(), [](char c) {
    return static_cast<unsigned char>(c) <= 32 || std::string_view("<>\"^`{|}%").find(c) != std::string_view::npos;
  });
}

bool IsInsecurePicture(std::string_view address) { return StartsWithNoCase(TrimAddress(address), "http:"); }

bool IsLocalFileAddress(std::string_view address) {
  address = TrimAddress(address);
  if (StartsWithNoCase(address, "file:")) return true;
  if (address.size() >= 3 && ((address[0] >= 'A' && address[0] <= 'Z') || (address[0] >= 'a' && address[0] <= 'z')) &&
      address[1] == ':' && (address[2] == '\\' || address[2] == '/'))
    return true;
  return address.size() >= 2 && address[0] == '~' && (address[1] == '/' || address[1] == '\\');
}

std::vector<Finding> CheckProjectPage(const Project& project, std::string_view templateText,
                                      std::string_view page, bool readWholePage) {
  Report report;
  const ItemMarks marks(project);
  // An item left open takes in what follows it, which only the whole page shows.
  const bool itemsClosed = CheckItemsOfProject(project, marks, report);
  const std::string standInPage = StandInPage(project, templateText);
  PageReader standIns(standInPage);
  CheckBoxEscapes(project, BoxesOfItems(standIns), report);
  Report pageReport;
  bool disclosure = false;
  std::vector<std::string> left;
  if (!readWholePage && itemsClosed && !HoldsPosts(project) && !HoldsStandInStem(project, templateText) &&
      RowsStandAlone(project, templateText, standIns.Text()) && CheckByStandIns(project, marks, standIns, pageReport, disclosure, left)) {
    AddPlaceholdersOfItems(project, page, left);
    report.Append(std::move(pageReport));
    // Only a page without a disclosure of its own needs reading in full:
    // the items' words may still hold one.
    if (!disclosure) {
      PageReader reader(page);
      disclosure = PageHasDisclosure(reader);
    }
  } else {
    PageReader reader(page);
    disclosure = CheckWholePage(reader, &project, templateText, report);
    left = LeftPlaceholders(page);
  }
  if (!disclosure) ReportNoDisclosure(report);
  if (!HasPageDescription(page)) ReportNoDescription(report);
  CheckPlaceholders(left, &project, templateText, report);
  // Where the template shows each banner's own alternative text, a banner
  // without one answers for it, not the template.
  const bool altsShown = standInPage.find(kBannerAltStandIn) != std::string::npos;
  if (altsShown) {
    for (std::size_t i = 0; i < project.Banners.size(); ++i)
      if (TrimAddress(BannerAlt(project, project.Banners[i])).empty())
        report.Add("missing-alt", PromoPlace(PromoKind::Banners, i), MissingAltMessage(project.Banners[i]));
  }
  std::vector<Finding> findings = report.Take();
  NameFindings(project, findings);
  if (altsShown)
    std::erase_if(findings, [](const Finding& f) { return f.code == "missing-alt" && f.message == kRowsWithoutAlt; });
  return findings;
}

std::vector<Finding> CheckFinishedPage(std::string_view page) { return CheckFinishedPage(page, 0); }

std::vector<Finding> CheckFinishedPage(std::string_view page, std::size_t sliceBytes, std::size_t mostSliceBytes) {
  Report report;
  PageReader reader(page, sliceBytes ? sliceBytes : PageReader::kSliceBytes, mostSliceBytes);
  if (!CheckWholePage(reader, nullptr, {}, report)) ReportNoDisclosure(report);
  if (!HasPageDescription(page)) ReportNoDescription(report);
  CheckPlaceholders(LeftPlaceholders(page), nullptr, {}, report);
  return report.Take();
}

}  // namespace velmora
