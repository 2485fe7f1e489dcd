#include "ui/UndoCommands.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <memory>

#include "platform/QtText.h"

namespace velmora {

namespace {

// Typing merges per field; a template choice is a step of its own.
constexpr int kTypingId = 0x5e70;

class UndoKeysToWindow final : public QObject {
public:
  UndoKeysToWindow(QAction* undo, QAction* redo, QObject* parent) : QObject(parent), undo_(undo), redo_(redo) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ShortcutOverride:
        // Not taken by the field, the keys reach the window's shortcuts.
        if (IsUndoKey(*static_cast<QKeyEvent*>(event))) {
          event->ignore();
          return true;
        }
        break;
      case QEvent::KeyPress:
        // With nothing to undo the window's action is off; the field must not undo on its own either.
        if (IsUndoKey(*static_cast<QKeyEvent*>(event))) return true;
        break;
      case QEvent::ContextMenu:
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
          ShowMenu(*field, static_cast<QContextMenuEvent*>(event)->globalPos());
          return true;
        }
        break;
      default: break;
    }
    return QObject::eventFilter(watched, event);
  }

private:
  bool IsUndoKey(const QKeyEvent& key) const {
    if (key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo)) return true;
    const QKeySequence pressed(key.keyCombination());
    for (const QAction* action : {undo_, redo_})
      if (action->shortcuts().contains(pressed)) return true;
    return false;
  }

  void ShowMenu(QLineEdit& field, const QPoint& where) {
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    // The field's own entries are known by their words (and shortcut after a tab), as the field names them.
    const auto named = [](const QAction* action, const char* words) {
      return action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr(words);
    };
    for (QAction* own : menu->actions()) {
      QAction* instead = named(own, "&Undo") ? undo_ : named(own, "&Redo") ? redo_ : nullptr;
      if (!instead) continue;
      menu->insertAction(own, instead);
      menu->removeAction(own);
    }
    menu->exec(where);
  }

  QAction* undo_;
  QAction* redo_;
};

}  // namespace

ItemEditCommand::ItemEditCommand(Project& project, std::vector<ItemEdit> edits, Shown shown)
    : project_(project), edits_(std::move(edits)), shown_(std::move(shown)) {
  setText(ToQString(ItemEditName(edits_)));
}

void ItemEditCommand::redo() {
  for (const ItemEdit& edit : edits_) shown_(edit, Apply(project_, edit), first_);
  first_ = false;
}

void ItemEditCommand::undo() {
  for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
    const ItemEdit inverse = Inverse(*edit);
    shown_(inverse, Apply(project_, inverse), false);
  }
}

FieldEditCommand::FieldEditCommand(Project& project, ProjectField field, std::string before, std::string after,
                                   Shown shown)
    : project_(project), field_(field), before_(std::move(before)), after_(std::move(after)), shown_(std::move(shown)) {
  setText(ToQString(FieldEditName(field)));
}

int FieldEditCommand::id() const { return field_ == ProjectField::Template ? -1 : kTypingId + static_cast<int>(field_); }

bool FieldEditCommand::mergeWith(const QUndoCommand* other) {
  const auto* typed = static_cast<const FieldEditCommand*>(other);
  after_ = typed->after_;
  // Typed back to the text the step began with: no step at all.
  setObsolete(after_ == before_);
  return true;
}

void FieldEditCommand::redo() {
  Set(after_);
  first_ = false;
}

void FieldEditCommand::undo() { Set(before_); }

void FieldEditCommand::Set(const std::string& value) {
  FieldOf(project_, field_) = value;
  if (!first_) shown_(field_);
}

void SendUndoToWindow(QWidget* field, QAction* undo, QAction* redo) {
  field->installEventFilter(new UndoKeysToWindow(undo, redo, field));
}

}  // namespace velmora
