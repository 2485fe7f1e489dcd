// Undo and redo of every change to the project, the Edit menu, and files
// dropped on the window.
#include <QAction>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTimer>
#include <QUndoStack>

#include "generator/OutputDelivery.h"
#include "platform/ErrorReport.h"
#include "platform/QtText.h"
#include "ui/FileDrops.h"
#include "ui/MainWindow.h"
#include "ui/UndoCommands.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/PromoPage.h"
#include "ui/pages/TemplatePage.h"
#include "ui/pages/TitlePage.h"

namespace velmora {

namespace {

// Project files a drag carries.
QStringList ProjectFiles(const QMimeData* data) {
  QStringList projects;
  for (const QString& file : DraggedFiles(data))
    if (file.endsWith(QLatin1String(".set"), Qt::CaseInsensitive)) projects.push_back(file);
  return projects;
}

}  // namespace

void MainWindow::BuildEditCommands() {
  undo_ = new QUndoStack(this);
  undo_->setObjectName(QStringLiteral("undoHistory"));
  savedProject_ = project_;

  undoAction_ = undo_->createUndoAction(this, QStringLiteral("&Undo"));
  undoAction_->setObjectName(QStringLiteral("actUndo"));
  undoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
  redoAction_ = undo_->createRedoAction(this, QStringLiteral("&Redo"));
  redoAction_->setObjectName(QStringLiteral("actRedo"));
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("menuEdit"));
  edit->addAction(undoAction_);
  edit->addAction(redoAction_);

  setAcceptDrops(true);
  // The later pages take the same when they are built.
  TakeEditKeys(wizardScreen_);
}

void MainWindow::TakeEditKeys(QWidget* page) {
  // One history: Ctrl+Z in a one-line field undoes the project's last
  // change, as it does anywhere else in the window, never the field's own
  // typing behind the history's back. Multi-line texts keep their own undo
  // while the cursor is in them, as in any text editor.
  for (QLineEdit* field : page->findChildren<QLineEdit*>()) SendUndoToWindow(field, undoAction_, redoAction_);
  PassFileDragsOn(page);
}

void MainWindow::ForgetHistory() {
  if (undo_) undo_->clear();
}

void MainWindow::EditField(ProjectField field, std::string value) {
  std::string& current = FieldOf(project_, field);
  if (current == value) return;
  if (!undo_ || replacingProject_ || showingHistory_) {
    current = std::move(value);
    return;
  }
  undo_->push(new FieldEditCommand(project_, field, current, std::move(value),
                                   [this](ProjectField changed) { ShowField(changed); }));
}

void MainWindow::ShowField(ProjectField field) {
  const QScopedValueRollback<bool> quiet(showingHistory_, true);
  const std::string& value = FieldOf(project_, field);
  switch (field) {
    case ProjectField::Title:
    case ProjectField::URL:
    case ProjectField::Description:
      ShowPage(titlePage_);
      titlePage_->ShowField(field, value);
      break;
    case ProjectField::FileName:
      ShowPage(Pages().finish);
      Pages().finish->ShowOutputName(value);
      if (QWidget* name = Pages().finish->FirstInput()) name->setFocus(Qt::OtherFocusReason);
      break;
    case ProjectField::Template:
      ShowPage(Pages().templates);
      SelectTemplateAfterLoad(value);
      Pages().templates->FocusChoice();
      break;
  }
  // Until the project has a page name of its own, the title gives it.
  if (project_.FileName.empty()) Pages().finish->ShowSuggestedName(OutputNameOf(project_));
  ProjectEdited();
}

void MainWindow::PushItemEdits(std::vector<ItemEdit> edits) {
  if (edits.empty()) return;
  undo_->push(new ItemEditCommand(project_, std::move(edits),
                                  [this](const ItemEdit& made, int row, bool first) { ShowItemEdit(made, row, first); }));
}

void MainWindow::ShowItemEdit(const ItemEdit& made, int row, bool first) {
  promos_.Follow(project_, made);
  PromoPage& page = PromoPageOf(made.kind);
  const int selected = page.SelectedRow();
  page.Follow(made, promos_.Entries(made.kind));
  if (!first) {
    // Undo and redo show where the project changed.
    ShowPage(&page);
    page.SelectEntry(row, true);
  } else if (made.what == ItemEdit::What::Insert) {
    page.SelectEntry(RowAfter(made, selected));
  } else {
    page.SelectEntry(row);
    if (made.what == ItemEdit::What::Replace) page.EndEditing();
  }
  ProjectEdited();
}

void MainWindow::DragPromo(PromoPage& page, int from, int to) {
  if (auto edit = PlanMove(project_, page.Kind(), from, to)) PushItemEdits({std::move(*edit)});
}

void MainWindow::AddPromos(PromoPage& page, const std::vector<PromoInput>& inputs) {
  PushItemEdits(PlanCreateEach(project_, page.Kind(), inputs, Messages()));
}

bool MainWindow::TakePastedLines(PromoPage& page, const std::vector<std::string>& lines) {
  if (!Messages().AskOkCancel(MessageKind::Information, OneItemPerLineQuestion(page.Kind(), lines.size()),
                              DefaultButton::Ok))
    return false;
  std::vector<PromoInput> inputs;
  inputs.reserve(lines.size());
  for (const std::string& line : lines) inputs.push_back({line, {}, {}});
  AddPromos(page, inputs);
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!ProjectFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList projects = ProjectFiles(event->mimeData());
  if (projects.isEmpty()) return event->ignore();
  event->acceptProposedAction();
  // Opened once the drop is over: the unsaved-changes question must not hold up the file manager's drag.
  const QString path = QFileInfo(projects.front()).absoluteFilePath();
  QTimer::singleShot(0, this, [this, path] {
    RunGuarded(this, [this, &path] {
      if (OpenProject(path) && screens_->currentWidget() == welcomeScreen_) LeaveWelcomeScreen();
    });
  });
}

}  // namespace velmora
