#include "project/PromoLists.h"

#include <algorithm>

#include "app/TextCodec.h"
#include "app/Utils.h"
#include "project/ProjectFile.h"

namespace velmora {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// A caret inside a field would shift the ad's fields for every later reader.
constexpr std::string_view kCaretInPpc = "A PPC Ad Promo can't contain the character ^.";

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

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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
  std::string decoded;
  decoded.reserve(name.size());
  for (std::size_t at = 0; at < name.size(); ++at) {
    if (name[at] == '%' && at + 2 < name.size() && HexValue(name[at + 1]) >= 0 && HexValue(name[at + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(name[at + 1]) * 16 + HexValue(name[at + 2]));
      at += 2;
    } else {
      decoded += name[at];
    }
  }
  const bool readable = IsValidUtf8(decoded) && std::none_of(decoded.begin(), decoded.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  });
  return readable ? decoded : std::string(name);
}

// The inputs that build `item` again (CR LF line breaks).
PromoInput InputOf(PromoKind kind, std::string_view item) {
  switch (InfoOf(kind).shape) {
    case PromoShape::Line:
    case PromoShape::Banner: return PromoInput{std::string(item), {}, {}};
    case PromoShape::PpcAd: {
      const auto fields = SplitFields('^', item);
      return PromoInput{FieldOrEmpty(fields, 1), ReplaceAll(FieldOrEmpty(fields, 2), "$$", kCrLf),
                        FieldOrEmpty(fields, 3)};
    }
    case PromoShape::Text:
    case PromoShape::Post: break;
  }
  return PromoInput{ReplaceAll(item, "$$", kCrLf), {}, {}};
}

PromoEntry EntryOf(PromoKind kind, const std::string& item) {
  PromoEntry entry{ItemLabel(kind, item), {}};
  if (InfoOf(kind).shape == PromoShape::Banner) entry.picture = item;
  return entry;
}

// The project file keeps the items of a list on one line, between "$$"
// (anchors, banners) or "^^" (the five texts), unescaped: an item holding
// that mark, or ending in its character, would come back cut in two.
std::string SeparatorProblem(const PromoKindInfo& info, std::string_view item) {
  if (info.shape == PromoShape::PpcAd) return {};
  const std::string_view mark = info.separator;
  if (item.find(mark) == std::string_view::npos && (item.empty() || item.back() != mark.front())) return {};
  return "This " + std::string(info.noun) + " can't contain " + std::string(mark) + " or end with " +
         std::string(1, mark.front()) + ".";
}

bool Contains(const PromoList& list, std::string_view text, int ignoreIndex) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (static_cast<int>(i) != ignoreIndex && EqualsIgnoreCaseAscii(list[i], text)) return true;
  return false;
}

// Multi-line texts keep their line breaks as "$$", so a "$$" typed into one
// comes back as a line break, and so does a line ending in "$" before the next.
bool BreaksLineMarks(std::string_view text) {
  if (text.find("$$") != std::string_view::npos) return true;
  for (std::size_t at = text.find("$\r\n"); at != std::string_view::npos; at = text.find("$\r\n", at + 1))
    if (at + 3 < text.size()) return true;
  return false;
}

bool OnlyLineBreaks(std::string_view text) { return text.find_first_not_of("\r\n") == std::string_view::npos; }

}  // namespace

std::string ItemLabel(PromoKind kind, std::string_view item) {
  // A label is a title or a first line: the start of a long text is enough,
  // so that loading many long texts does not read each one twice.
  constexpr std::size_t kLabelSource = 2048;
  const bool longForm = InfoOf(kind).shape != PromoShape::Line && InfoOf(kind).shape != PromoShape::Banner;
  const PromoInput input = InputOf(kind, longForm ? item.substr(0, kLabelSource) : item);
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
  switch (InfoOf(kind).shape) {
    case PromoShape::Line:
    case PromoShape::Banner: return OneLine(input.text);
    case PromoShape::PpcAd:
      return "^" + OneLine(input.text) + "^" + FlattenLines(input.body, "$$") + "^" + OneLine(input.link) + "^";
    case PromoShape::Text:
    case PromoShape::Post: break;
  }
  return FlattenLines(input.text, "$$");
}

std::optional<std::string> CheckPromo(PromoKind kind, const PromoInput& input, const PromoList& list,
                                      int ignoreIndex) {
  const PromoKindInfo& info = InfoOf(kind);
  const std::string noun(info.noun);
  // Not trimmed: a single blank is a valid promo, but a memo of line breaks only is empty.
  const bool memo = info.MultiLine();
  if (input.text.empty() || (memo && OnlyLineBreaks(input.text))) return std::string(info.emptyMessage);
  if (info.shape == PromoShape::PpcAd && (input.text.find('^') != std::string::npos ||
                                 input.body.find('^') != std::string::npos ||
                                 input.link.find('^') != std::string::npos))
    return std::string(kCaretInPpc);
  if (memo && BreaksLineMarks(input.text))
    return "This " + noun + " can't contain $$ or a line ending in $: project files use $$ for line breaks.";
  std::string tag;
  for (const std::string* text : {&input.text, &input.body, &input.link})
    if (FindProjectTag(*text, &tag) != std::string_view::npos)
      return "This " + noun + " can't contain " + tag + ": project files use it to mark their fields.";
  const std::string item = BuildPromoItem(kind, input);
  if (const std::string problem = SeparatorProblem(info, item); !problem.empty()) return problem;
  if (info.Mirrored() && Contains(list, item, ignoreIndex)) return std::string(info.duplicateMessage);
  return std::nullopt;
}

PromoChange PromoBoard::Create(Project& project, PromoKind kind, const PromoInput& input,
                                MessagePort& messages) {
  PromoList& list = ListOf(project, kind);
  if (const auto problem = CheckPromo(kind, input, list)) {
    messages.ShowMessage(MessageKind::Warning, *problem);
    return {};
  }
  auto& entries = entries_[Index(kind)];
  list.push_back(BuildPromoItem(kind, input));
  entries.push_back(EntryOf(kind, list.back()));
  const auto row = static_cast<int>(entries.size()) - 1;
  return {InfoOf(kind).Mirrored() ? PromoChange::What::Refilled : PromoChange::What::Appended, row};
}

PromoChange PromoBoard::Update(Project& project, PromoKind kind, int row, const PromoInput& input,
                                MessagePort& messages) {
  PromoList& list = ListOf(project, kind);
  auto& entries = entries_[Index(kind)];
  const auto at = static_cast<std::size_t>(row);
  if (row < 0 || at >= list.size() || at >= entries.size()) {
    messages.ShowMessage(MessageKind::Warning, std::string(InfoOf(kind).selectMessage));
    return {};
  }
  if (const auto problem = CheckPromo(kind, input, list, row)) {
    messages.ShowMessage(MessageKind::Warning, *problem);
    return {};
  }
  list[at] = BuildPromoItem(kind, input);
  entries[at] = EntryOf(kind, list[at]);
  return {PromoChange::What::Replaced, row};
}

PromoChange PromoBoard::Move(Project& project, PromoKind kind, int row, int offset) {
  PromoList& list = ListOf(project, kind);
  auto& entries = entries_[Index(kind)];
  const int to = row + offset;
  const auto size = static_cast<int>(std::min(list.size(), entries.size()));
  if (row < 0 || row >= size || to < 0 || to >= size || offset == 0) return {};
  std::swap(list[static_cast<std::size_t>(row)], list[static_cast<std::size_t>(to)]);
  std::swap(entries[static_cast<std::size_t>(row)], entries[static_cast<std::size_t>(to)]);
  return {PromoChange::What::Moved, to, row};
}

std::optional<PromoInput> PromoBoard::EditInput(const Project& project, PromoKind kind, int row) const {
  const PromoList& list = ListOf(project, kind);
  if (row < 0 || static_cast<std::size_t>(row) >= list.size()) return std::nullopt;
  return InputOf(kind, list[static_cast<std::size_t>(row)]);
}

PromoChange PromoBoard::Delete(Project& project, PromoKind kind, int selected, MessagePort& messages) {
  auto& entries = entries_[Index(kind)];
  if (entries.empty()) return {};
  PromoList& list = ListOf(project, kind);
  const auto row = static_cast<std::size_t>(selected);
  if (selected < 0 || row >= entries.size() || row >= list.size()) {
    messages.ShowMessage(MessageKind::Warning, std::string(InfoOf(kind).selectMessage));
    return {};
  }
  list.erase(list.begin() + selected);
  entries.erase(entries.begin() + selected);
  return {InfoOf(kind).Mirrored() ? PromoChange::What::Refilled : PromoChange::What::Removed, selected};
}

std::optional<std::string> PromoBoard::Show(const Project& project, PromoKind kind, int selected) const {
  // A one-line kind is seen whole in its list; it has no detail view.
  const PromoShape shape = InfoOf(kind).shape;
  if (selected < 0 || shape == PromoShape::Line) return std::nullopt;
  const PromoList& list = ListOf(project, kind);
  const auto row = static_cast<std::size_t>(selected);
  if (row >= list.size()) return shape == PromoShape::Banner ? std::nullopt : std::optional<std::string>("");
  const std::string& item = list[row];
  if (shape == PromoShape::Banner) return item;
  if (shape == PromoShape::PpcAd) {
    // Missing fields of a damaged item show as empty lines.
    const auto fields = SplitFields('^', item);
    return FieldOrEmpty(fields, 1) + std::string(kCrLf) + ReplaceAll(FieldOrEmpty(fields, 2), "$$", kCrLf) +
           std::string(kCrLf) + FieldOrEmpty(fields, 3);
  }
  return ReplaceAll(item, "$$", kCrLf);
}

void PromoBoard::Rebuild(const Project& project) {
  for (PromoKind kind : kPromoKinds) Rebuild(project, kind);
}

void PromoBoard::Rebuild(const Project& project, PromoKind kind) {
  const PromoList& list = ListOf(project, kind);
  auto& entries = entries_[Index(kind)];
  entries.clear();
  entries.reserve(list.size());
  for (const std::string& item : list) entries.push_back(EntryOf(kind, item));
}

std::string BrowsedPictureAddress(std::string_view path) {
  std::string slashed = ReplaceAll(path, "\\", "/");
  // A drive path gets the empty host of a file URL: file:///C:/Pics/top.gif.
  const bool drive = slashed.size() >= 2 && slashed[1] == ':' &&
                     ((slashed[0] >= 'A' && slashed[0] <= 'Z') || (slashed[0] >= 'a' && slashed[0] <= 'z'));
  if (drive) slashed.insert(0, "/");
  // Blanks, '%', '#', '?' and every byte beyond ASCII are percent-encoded, so
  // a browser reads the address as the file it names.
  // '$' is encoded too: the project file keeps banners between "$$".
  return "file://" + PercentEncode(slashed, "-._~/:!&'()*+,;=@");
}

}  // namespace velmora
