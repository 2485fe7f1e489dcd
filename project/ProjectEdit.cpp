#include "project/ProjectEdit.h"

#include <algorithm>

#include "app/Utils.h"

namespace velmora {

namespace {

bool Within(const PromoList& list, int row) { return row >= 0 && static_cast<std::size_t>(row) < list.size(); }

std::size_t At(int row) { return static_cast<std::size_t>(row); }

std::string Verb(ItemEdit::What what) {
  switch (what) {
    case ItemEdit::What::Insert: return "Add";
    case ItemEdit::What::Remove: return "Delete";
    case ItemEdit::What::Replace: return "Update";
    case ItemEdit::What::Move: return "Move";
  }
  return {};
}

}  // namespace

std::string& FieldOf(Project& project, ProjectField field) {
  switch (field) {
    case ProjectField::Title: return project.Title;
    case ProjectField::URL: return project.URL;
    case ProjectField::Description: return project.Description;
    case ProjectField::FileName: return project.FileName;
    case ProjectField::Template: break;
  }
  return project.Template;
}

const std::string& FieldOf(const Project& project, ProjectField field) {
  return FieldOf(const_cast<Project&>(project), field);
}

std::string FieldEditName(ProjectField field) {
  switch (field) {
    case ProjectField::Title: return "Typing in Title";
    case ProjectField::URL: return "Typing in Affiliate Link";
    case ProjectField::Description: return "Typing in Description";
    case ProjectField::FileName: return "Typing in Output Filename";
    case ProjectField::Template: break;
  }
  return "Choose Template";
}

ItemEdit Inverse(const ItemEdit& edit) {
  ItemEdit inverse = edit;
  switch (edit.what) {
    case ItemEdit::What::Insert: inverse.what = ItemEdit::What::Remove; break;
    case ItemEdit::What::Remove: inverse.what = ItemEdit::What::Insert; break;
    case ItemEdit::What::Replace:
      std::swap(inverse.item, inverse.previous);
      std::swap(inverse.alt, inverse.previousAlt);
      break;
    case ItemEdit::What::Move: std::swap(inverse.row, inverse.to); break;
  }
  return inverse;
}

int Apply(Project& project, const ItemEdit& edit) {
  PromoList& list = ListOf(project, edit.kind);
  // Texts stay under their banner's address: a removed banner's text is
  // not saved, and comes back with it.
  if (InfoOf(edit.kind).shape == PromoShape::Banner &&
      (edit.what == ItemEdit::What::Insert || edit.what == ItemEdit::What::Replace))
    SetBannerAlt(project, edit.item, edit.alt);
  // Edits come from plans against this very project; one that no longer
  // fits it changes nothing rather than reaching past the list.
  switch (edit.what) {
    case ItemEdit::What::Insert:
      if (edit.row < 0 || At(edit.row) > list.size()) return -1;
      list.insert(list.begin() + edit.row, edit.item);
      return edit.row;
    case ItemEdit::What::Remove:
      if (Within(list, edit.row)) list.erase(list.begin() + edit.row);
      return -1;
    case ItemEdit::What::Replace:
      if (!Within(list, edit.row)) return -1;
      list[At(edit.row)] = edit.item;
      return edit.row;
    case ItemEdit::What::Move: {
      if (!Within(list, edit.row) || !Within(list, edit.to)) return -1;
      MoveWithin(list, At(edit.row), At(edit.to));
      return edit.to;
    }
  }
  return -1;
}

int RowAfter(const ItemEdit& edit, int row) {
  if (row < 0) return -1;
  switch (edit.what) {
    case ItemEdit::What::Insert: return row >= edit.row ? row + 1 : row;
    case ItemEdit::What::Remove:
      if (row == edit.row) return -1;
      return row > edit.row ? row - 1 : row;
    case ItemEdit::What::Replace: return row;
    case ItemEdit::What::Move:
      if (row == edit.row) return edit.to;
      if (edit.row < edit.to && row > edit.row && row <= edit.to) return row - 1;
      if (edit.to < edit.row && row >= edit.to && row < edit.row) return row + 1;
      return row;
  }
  return row;
}

std::optional<ItemEdit> PlanCreate(const Project& project, PromoKind kind, const PromoInput& input,
                                   MessagePort& messages) {
  const PromoList& list = ListOf(project, kind);
  if (const auto problem = CheckPromo(kind, input, list)) {
    messages.ShowMessage(MessageKind::Warning, *problem);
    return std::nullopt;
  }
  return ItemEdit{ItemEdit::What::Insert, kind, static_cast<int>(list.size()), 0, BuildPromoItem(kind, input), {},
                  input.alt};
}

std::optional<ItemEdit> PlanUpdate(const Project& project, PromoKind kind, int row, const PromoInput& input,
                                   MessagePort& messages) {
  const PromoList& list = ListOf(project, kind);
  if (!Within(list, row)) {
    messages.ShowMessage(MessageKind::Warning, std::string(InfoOf(kind).selectMessage));
    return std::nullopt;
  }
  if (const auto problem = CheckPromo(kind, input, list, row)) {
    messages.ShowMessage(MessageKind::Warning, *problem);
    return std::nullopt;
  }
  return ItemEdit{ItemEdit::What::Replace, kind, row, 0, BuildPromoItem(kind, input), list[At(row)],
                  input.alt, BannerAlt(project, list[At(row)])};
}

std::optional<ItemEdit> PlanDelete(const Project& project, PromoKind kind, int selected, MessagePort& messages) {
  const PromoList& list = ListOf(project, kind);
  if (list.empty()) return std::nullopt;
  if (!Within(list, selected)) {
    messages.ShowMessage(MessageKind::Warning, std::string(InfoOf(kind).selectMessage));
    return std::nullopt;
  }
  return ItemEdit{ItemEdit::What::Remove, kind, selected, 0, list[At(selected)], {}, BannerAlt(project, list[At(selected)])};
}

std::optional<ItemEdit> PlanMove(const Project& project, PromoKind kind, int row, int to) {
  const PromoList& list = ListOf(project, kind);
  if (!Within(list, row) || !Within(list, to) || row == to) return std::nullopt;
  return ItemEdit{ItemEdit::What::Move, kind, row, to, list[At(row)], {}};
}

std::vector<ItemEdit> PlanCreateEach(const Project& project, PromoKind kind, const std::vector<PromoInput>& inputs,
                                     MessagePort& messages) {
  // Each new item is checked against those accepted before it, as if added one by one.
  PromoList list = ListOf(project, kind);
  std::vector<ItemEdit> edits;
  std::optional<std::string> firstProblem;
  for (const PromoInput& input : inputs) {
    if (auto problem = CheckPromo(kind, input, list)) {
      if (!firstProblem) firstProblem = std::move(problem);
      continue;
    }
    edits.push_back({ItemEdit::What::Insert, kind, static_cast<int>(list.size()), 0, BuildPromoItem(kind, input), {}});
    list.push_back(edits.back().item);
  }
  if (firstProblem) {
    const std::size_t refused = inputs.size() - edits.size();
    if (inputs.size() == 1) {
      messages.ShowMessage(MessageKind::Warning, *firstProblem);
    } else {
      messages.ShowMessage(MessageKind::Warning, std::to_string(refused) + " of " + std::to_string(inputs.size()) +
                                                     " " + std::string(InfoOf(kind).pluralName) +
                                                     (refused == 1 ? " was" : " were") + " not added.\n\n" +
                                                     *firstProblem);
    }
  }
  return edits;
}

std::string ItemEditName(const std::vector<ItemEdit>& edits) {
  if (edits.empty()) return {};
  const std::string caption(InfoOf(edits.front().kind).page.itemCaption);
  const std::string verb = Verb(edits.front().what);
  if (edits.size() == 1) return verb + " " + caption;
  return verb + " " + std::to_string(edits.size()) + " " + caption + "s";
}

std::vector<std::string> ItemLines(std::string_view text) {
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(text))
    if (std::string trimmed = TrimControl(line); !trimmed.empty()) lines.push_back(std::move(trimmed));
  return lines;
}

std::string OneItemPerLineQuestion(PromoKind kind, std::size_t lines) {
  return "The pasted text has " + std::to_string(lines) + " lines. Add each line as a new " +
         std::string(InfoOf(kind).page.itemCaption) + "?\n\nCancel pastes them as one line.";
}

}  // namespace velmora
