#include "project/PromoLists.h"

#include <algorithm>

#include "app/PercentDecoding.h"
#include "app/TextCodec.h"
#include "app/Utils.h"
#include "project/ProjectEdit.h"
#include "project/ItemText.h"
#include "project/ProjectFile.h"

namespace velmora {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// A text whose last line is empty gets back the line break a creation drops.
std::string Editable(std::string text) {
  if (text.ends_with(kCrLf)) text += kCrLf;
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// The first line holding more than blanks, without the blanks around it.
std::string_view FirstWordyLine(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    std::string_view line = text.substr(0, end);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (!line.empty()) return line;
    text.remove_prefix(std::min(text.size(), end + 1));
  }
  return {};
}

// At most kLabelCharacters characters, never cutting one in two.
std::string Shortened(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (++characters > kLabelCharacters) return std::string(text.substr(0, at)) + "...";
  }
  return std::string(text);
}

// What tells banners apart is the end of the address: its file name,
// without a query or fragment, percent escapes decoded where they give
// readable text. Empty where the address ends in no name (or is data).
std::string BannerFileName(std::string_view address) {
  if (address.size() >= 5 && EqualsIgnoreCaseAscii(address.substr(0, 5), "data:")) return {};
  address = address.substr(0, std::min(address.find_first_of("?#"), address.size()));
  while (!address.empty() && IsBlank(address.back())) address.remove_suffix(1);
  const std::size_t slash = address.find_last_of("/\\");
  if (slash == std::string_view::npos || slash + 1 == address.size()) return {};
  const std::string_view name = address.substr(slash + 1);
  const std::string decoded = PercentDecoded(name);
  const bool readable = IsValidUtf8(decoded) && std::none_of(decoded.begin(), decoded.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  });
  return readable ? decoded : std::string(name);
}

// The inputs that build `item` again, as the user typed them (CR LF line breaks).
PromoInput InputOf(PromoKind kind, const std::string& item) {
  switch (InfoOf(kind).shape) {
    case PromoShape::PpcAd: {
      PpcAdText ad = TypedPpcAd(item);
      return PromoInput{std::move(ad.title), Editable(std::move(ad.body)), std::move(ad.link), {}};
    }
    case PromoShape::Line:
    case PromoShape::Banner: return PromoInput{item, {}, {}, {}};
    case PromoShape::Text:
    case PromoShape::Post: break;
  }
  return PromoInput{Editable(TypedText(kind, item)), {}, {}, {}};
}

PromoEntry EntryOf(PromoKind kind, const std::string& item) {
  PromoEntry entry{ItemLabel(kind, item), {}};
  if (InfoOf(kind).shape == PromoShape::Banner) entry.picture = item;
  return entry;
}

bool Contains(const PromoList& list, std::string_view text, int ignoreIndex) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (static_cast<int>(i) != ignoreIndex && EqualsIgnoreCaseAscii(list[i], text)) return true;
  return false;
}

bool OnlyLineBreaks(std::string_view text) { return text.find_first_not_of("\r\n") == std::string_view::npos; }

}  // namespace

std::string ItemLabel(PromoKind kind, std::string_view item) {
  // A label is a title or a first line: the start of a long text is enough,
  // so that loading many long texts does not read each one twice.
  constexpr std::size_t kLabelSource = 2048;
  const bool longForm = InfoOf(kind).shape != PromoShape::Line && InfoOf(kind).shape != PromoShape::Banner;
  const PromoInput input = InputOf(kind, std::string(longForm ? item.substr(0, kLabelSource) : item));
  std::string label;
  switch (InfoOf(kind).shape) {
    case PromoShape::Line:
      label = input.text;  // one line, seen whole nowhere else
      break;
    case PromoShape::Banner:
      label = BannerFileName(input.text);
      if (label.empty()) label = input.text;
      break;
    case PromoShape::PpcAd: {
      // A damaged ad without a title still shows what it says.
      std::string_view line = FirstWordyLine(input.text);
      if (line.empty()) line = FirstWordyLine(input.body);
      label = Shortened(line);
      break;
    }
    case PromoShape::Text:
    case PromoShape::Post: label = Shortened(FirstWordyLine(input.text)); break;
  }
  // A promo of blanks is valid, and its entry must still be seen.
  if (std::all_of(label.begin(), label.end(), IsBlank)) return "(blank)";
  return label;
}

std::string BuildPromoItem(PromoKind kind, const PromoInput& input) {
  if (InfoOf(kind).shape == PromoShape::PpcAd) return KeptPpcAd({input.text, input.body, input.link});
  return KeptText(kind, input.text);
}

std::optional<std::string> CheckPromo(PromoKind kind, const PromoInput& input, const PromoList& list,
                                      int ignoreIndex) {
  const PromoKindInfo& info = InfoOf(kind);
  // Not trimmed: a single blank is a valid promo, but a memo of line breaks only is empty.
  const bool memo = info.MultiLine();
  if (input.text.empty() || (memo && OnlyLineBreaks(input.text))) return std::string(info.emptyMessage);
  if (info.Mirrored() && Contains(list, BuildPromoItem(kind, input), ignoreIndex)) return std::string(info.duplicateMessage);
  return std::nullopt;
}

std::optional<PromoInput> PromoBoard::EditInput(const Project& project, PromoKind kind, int row) const {
  const PromoList& list = ListOf(project, kind);
  if (row < 0 || static_cast<std::size_t>(row) >= list.size()) return std::nullopt;
  const std::string& item = list[static_cast<std::size_t>(row)];
  PromoInput input = InputOf(kind, item);
  if (InfoOf(kind).shape == PromoShape::Banner) input.alt = BannerAlt(project, item);
  return input;
}

std::optional<std::string> PromoBoard::Show(const Project& project, PromoKind kind, int selected) const {
  // A one-line kind is seen whole in its list; it has no detail view.
  const PromoShape shape = InfoOf(kind).shape;
  if (selected < 0 || shape == PromoShape::Line) return std::nullopt;
  const PromoList& list = ListOf(project, kind);
  const auto row = static_cast<std::size_t>(selected);
  if (row >= list.size()) return shape == PromoShape::Banner ? std::nullopt : std::optional<std::string>("");
  if (shape == PromoShape::Banner) return list[row];
  return TypedText(kind, list[row]);
}

void PromoBoard::Rebuild(const Project& project) {
  for (PromoKind kind : kPromoKinds) Rebuild(project, kind);
}

void PromoBoard::Follow(const Project& project, const ItemEdit& edit) {
  const PromoList& list = ListOf(project, edit.kind);
  auto& entries = entries_[Index(edit.kind)];
  const auto row = static_cast<std::size_t>(edit.row);
  const auto to = static_cast<std::size_t>(edit.to);
  const std::size_t after = entries.size() + (edit.what == ItemEdit::What::Insert ? 1 : 0) -
                            (edit.what == ItemEdit::What::Remove && !entries.empty() ? 1 : 0);
  if (after != list.size() || edit.row < 0) {
    Rebuild(project, edit.kind);  // out of step: start afresh rather than guess
    return;
  }
  switch (edit.what) {
    case ItemEdit::What::Insert:
      if (row > entries.size()) break;
      entries.insert(entries.begin() + edit.row, EntryOf(edit.kind, list[row]));
      return;
    case ItemEdit::What::Remove:
      if (row >= entries.size()) break;
      entries.erase(entries.begin() + edit.row);
      return;
    case ItemEdit::What::Replace:
      if (row >= entries.size()) break;
      entries[row] = EntryOf(edit.kind, list[row]);
      return;
    case ItemEdit::What::Move: {
      if (row >= entries.size() || to >= entries.size() || edit.to < 0) break;
      MoveWithin(entries, row, to);  // the entry travels with its item
      return;
    }
  }
  Rebuild(project, edit.kind);
}

void PromoBoard::Rebuild(const Project& project, PromoKind kind) {
  const PromoList& list = ListOf(project, kind);
  auto& entries = entries_[Index(kind)];
  entries.clear();
  entries.reserve(list.size());
  for (const std::string& item : list) entries.push_back(EntryOf(kind, item));
}

std::string BannerAlt(const Project& project, const std::string& address) {
  const auto alt = project.BannerAlts.find(address);
  return alt == project.BannerAlts.end() ? std::string() : alt->second;
}

void SetBannerAlt(Project& project, const std::string& address, std::string_view alt) {
  std::string line = OneLine(alt);
  if (line.empty()) {
    project.BannerAlts.erase(address);
  } else {
    project.BannerAlts[address] = std::move(line);
  }
}

std::string BrowsedPictureAddress(std::string_view path) {
  std::string slashed = ReplaceAll(path, "\\", "/");
  // A drive path gets the empty host of a file URL: file:///C:/Pics/top.gif.
  const bool drive = slashed.size() >= 2 && slashed[1] == ':' &&
                     ((slashed[0] >= 'A' && slashed[0] <= 'Z') || (slashed[0] >= 'a' && slashed[0] <= 'z'));
  if (drive) slashed.insert(slashed.begin(), '/');
  // Blanks, '%', '#', '?' and every byte beyond ASCII are percent-encoded, so
  // a browser reads the address as the file it names.
  // '$' is encoded too: the project file keeps banners between "$$".
  return "file://" + PercentEncode(slashed, "-._~/:!&'()*+,;=@");
}

}  // namespace velmora
