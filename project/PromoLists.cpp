#include "project/PromoLists.h"

#include <algorithm>

#include "app/Utils.h"
#include "project/ProjectEdit.h"
#include "project/ItemText.h"
#include "project/ProjectFile.h"

namespace velmora {

namespace {

std::string Label(std::string_view word, std::size_t number) { return std::string(word) + std::to_string(number); }

constexpr std::string_view kCrLf = "\r\n";

// A text whose last line is empty gets back the line break a creation drops.
std::string Editable(std::string text) {
  if (text.ends_with(kCrLf)) text += kCrLf;
  return text;
}

bool Contains(const PromoList& list, std::string_view text, int ignoreIndex) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (static_cast<int>(i) != ignoreIndex && EqualsIgnoreCaseAscii(list[i], text)) return true;
  return false;
}

bool OnlyLineBreaks(std::string_view text) { return text.find_first_not_of("\r\n") == std::string_view::npos; }

}  // namespace

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

// The board's operations are the window's edits made at once, without undo.
PromoChange PromoBoard::Create(Project& project, PromoKind kind, const PromoInput& input,
                                MessagePort& messages) {
  const auto edit = PlanCreate(project, kind, input, messages);
  if (!edit) return {};
  Apply(project, *edit);
  Follow(project, *edit);
  return {InfoOf(kind).Mirrored() ? PromoChange::What::Refilled : PromoChange::What::Appended, edit->row};
}

PromoChange PromoBoard::Update(Project& project, PromoKind kind, int row, const PromoInput& input,
                                MessagePort& messages) {
  const auto edit = PlanUpdate(project, kind, row, input, messages);
  if (!edit) return {};
  Apply(project, *edit);
  Follow(project, *edit);
  return {PromoChange::What::Replaced, row};
}

PromoChange PromoBoard::Move(Project& project, PromoKind kind, int row, int offset) {
  const auto edit = PlanMove(project, kind, row, row + offset);
  if (!edit) return {};
  Apply(project, *edit);
  Follow(project, *edit);
  return {PromoChange::What::Moved, edit->to, row};
}

std::optional<PromoInput> PromoBoard::EditInput(const Project& project, PromoKind kind, int row) const {
  const PromoList& list = ListOf(project, kind);
  if (row < 0 || static_cast<std::size_t>(row) >= list.size()) return std::nullopt;
  const std::string& item = list[static_cast<std::size_t>(row)];
  switch (InfoOf(kind).shape) {
    case PromoShape::Banner: return PromoInput{item, {}, {}, BannerAlt(project, item)};
    case PromoShape::PpcAd: {
      PpcAdText ad = TypedPpcAd(item);
      return PromoInput{std::move(ad.title), Editable(std::move(ad.body)), std::move(ad.link), {}};
    }
    default: break;
  }
  if (!InfoOf(kind).MultiLine()) return PromoInput{item, {}, {}, {}};
  return PromoInput{Editable(TypedText(kind, item)), {}, {}, {}};
}

PromoChange PromoBoard::Delete(Project& project, PromoKind kind, int selected, MessagePort& messages) {
  const auto edit = PlanDelete(project, kind, selected, messages);
  if (!edit) return {};
  Apply(project, *edit);
  // Labels keep their numbers, so two entries may read alike until the next load.
  Follow(project, *edit);
  return {InfoOf(kind).Mirrored() ? PromoChange::What::Refilled : PromoChange::What::Removed, selected};
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
  const PromoKindInfo& info = InfoOf(edit.kind);
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
      entries.insert(entries.begin() + edit.row, info.Mirrored() ? list[row] : Label(info.labelWord, entries.size() + 1));
      return;
    case ItemEdit::What::Remove:
      if (row >= entries.size()) break;
      entries.erase(entries.begin() + edit.row);
      return;
    case ItemEdit::What::Replace:
      if (row >= entries.size()) break;
      if (info.Mirrored()) entries[row] = list[row];
      return;
    case ItemEdit::What::Move: {
      if (row >= entries.size() || to >= entries.size() || edit.to < 0) break;
      // A labelled entry travels with its item, so the label still names the same promo.
      const auto from = entries.begin() + edit.row;
      const auto onto = entries.begin() + edit.to;
      if (edit.row < edit.to)
        std::rotate(from, from + 1, onto + 1);
      else
        std::rotate(onto, from, from + 1);
      return;
    }
  }
  Rebuild(project, edit.kind);
}

void PromoBoard::Rebuild(const Project& project, PromoKind kind) {
  const PromoList& list = ListOf(project, kind);
  const PromoKindInfo& info = InfoOf(kind);
  auto& entries = entries_[Index(kind)];
  if (info.Mirrored()) {
    entries = list;
    return;
  }
  entries.clear();
  entries.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) entries.push_back(Label(info.labelWord, i + 1));
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
  if (drive) slashed.insert(0, "/");
  // Blanks, '%', '#', '?' and every byte beyond ASCII are percent-encoded, so
  // a browser reads the address as the file it names.
  // '$' is encoded too: the project file keeps banners between "$$".
  return "file://" + PercentEncode(slashed, "-._~/:!&'()*+,;=@");
}

}  // namespace velmora
