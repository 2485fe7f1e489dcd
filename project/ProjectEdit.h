#pragma once
// Changes to a project as values, so that each can be made, taken back and
// made again: the window's undo history keeps them. Which change a request
// asks for, and the warning that refuses one, are decided here; the window
// records the change and shows its result.

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Ports.h"
#include "project/Project.h"
#include "project/PromoKinds.h"
#include "project/PromoLists.h"

namespace velmora {

// The project's own texts the wizard edits.
enum class ProjectField { Title, URL, Description, FileName, Template };

std::string& FieldOf(Project& project, ProjectField field);
const std::string& FieldOf(const Project& project, ProjectField field);
// What undo calls a change of the field: "Typing in Title", "Choose Template".
std::string FieldEditName(ProjectField field);

// One change of a promo list.
struct ItemEdit {
  enum class What { Insert, Remove, Replace, Move };
  What what = What::Insert;
  PromoKind kind = PromoKind::Anchors;
  int row = 0;           // where the item is inserted, removed or replaced; where a move starts
  int to = 0;            // where a move ends
  std::string item;      // the item inserted, removed, or put in place
  std::string previous;  // the item a replacement replaced
  // A banner's alternative text, put with `item` on Insert and Replace, and
  // the one `previous` had.
  std::string alt = {};
  std::string previousAlt = {};
  bool operator==(const ItemEdit&) const = default;
};

// Moves element `from` to place `to`, the others keeping their order; both
// must lie within `list`.
template <typename T>
void MoveWithin(std::vector<T>& list, std::size_t from, std::size_t to) {
  const auto at = list.begin() + static_cast<std::ptrdiff_t>(from);
  const auto onto = list.begin() + static_cast<std::ptrdiff_t>(to);
  if (from < to)
    std::rotate(at, at + 1, onto + 1);
  else
    std::rotate(onto, at, at + 1);
}

// The change that takes `edit` back.
ItemEdit Inverse(const ItemEdit& edit);
// Makes the change; the row of the item it concerns afterwards, -1 for a removal.
int Apply(Project& project, const ItemEdit& edit);
// Where the item at `row` stands once `edit` is made; -1: it was removed.
int RowAfter(const ItemEdit& edit, int row);

// The change a page's request asks for, or nothing after the kind's warning.
std::optional<ItemEdit> PlanCreate(const Project& project, PromoKind kind, const PromoInput& input,
                                   MessagePort& messages);
std::optional<ItemEdit> PlanUpdate(const Project& project, PromoKind kind, int row, const PromoInput& input,
                                   MessagePort& messages);
// An empty list is left alone silently; no selection gets the kind's warning.
std::optional<ItemEdit> PlanDelete(const Project& project, PromoKind kind, int selected, MessagePort& messages);
// "Move Up", "Move Down" and dragging: item `row` to place `to`. Nothing
// without a selection, at either end, or onto itself.
std::optional<ItemEdit> PlanMove(const Project& project, PromoKind kind, int row, int to);
// Several new items at once (dropped pictures, pasted lines), added in
// order. Refused ones are left out; one warning says how many, and why the first was.
std::vector<ItemEdit> PlanCreateEach(const Project& project, PromoKind kind, const std::vector<PromoInput>& inputs,
                                     MessagePort& messages);

// What undo calls a set of item edits of one kind: "Delete Banner", "Add 3 Banners".
std::string ItemEditName(const std::vector<ItemEdit>& edits);

// The lines of pasted text that would each make an item; blank ones are left out.
std::vector<std::string> ItemLines(std::string_view text);
// Asked when several lines are pasted into a one-line input.
std::string OneItemPerLineQuestion(PromoKind kind, std::size_t lines);

}  // namespace velmora
