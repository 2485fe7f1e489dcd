#pragma once
// The window's undo history holds these: each change to the project as a
// command over a change value of the core (project/ProjectEdit). A command
// changes the project, then asks the window to show the result.

#include <QUndoCommand>
#include <functional>
#include <string>
#include <vector>

#include "project/ProjectEdit.h"

class QAction;

namespace velmora {

// Edits of one promo list as one step: a drop of several pictures is one.
class ItemEditCommand final : public QUndoCommand {
public:
  // The window shows `made`, just made on the project; `row` is the item it
  // concerns (-1: removed). `first`: the user's own request, not a redo.
  using Shown = std::function<void(const ItemEdit& made, int row, bool first)>;
  ItemEditCommand(Project& project, std::vector<ItemEdit> edits, Shown shown);

  void redo() override;
  void undo() override;

private:
  Project& project_;
  std::vector<ItemEdit> edits_;
  Shown shown_;
  bool first_ = true;
};

// A text of the project changed. Typing on in the same field stays one step
// until something else is done; typing back to where the step began drops it.
class FieldEditCommand final : public QUndoCommand {
public:
  // The window shows the field's new value (none on the user's own typing, which it shows already).
  using Shown = std::function<void(ProjectField field)>;
  FieldEditCommand(Project& project, ProjectField field, std::string before, std::string after, Shown shown);

  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;
  void redo() override;
  void undo() override;

private:
  void Set(const std::string& value);

  Project& project_;
  ProjectField field_;
  std::string before_;
  std::string after_;
  Shown shown_;
  bool first_ = true;
};

// A field of the project's own has an undo history of its own, which would
// change the text behind the window's back: its undo keys and the Undo and
// Redo of its context menu go to the window's `undo` and `redo` instead.
void SendUndoToWindow(QWidget* field, QAction* undo, QAction* redo);

}  // namespace velmora
