// Project commands (New, Open, Save, Save As), the unsaved-changes mark and
// question, and crash recovery.
#include <QAction>
#include <QFileInfo>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <QUndoStack>

#include "app/Utils.h"
#include "platform/ErrorReport.h"
#include "platform/QtText.h"
#include "platform/RecoveryStore.h"
#include "project/ProjectFile.h"
#include "ui/MainWindow.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/PromoPage.h"
#include "ui/pages/TitlePage.h"

namespace velmora {

namespace {

// A recovery copy is the project file with the path of the project's own file after it.
constexpr std::string_view kRecoveredPathTag = "VmProjectFile";
// Unsaved work reaches the disk this long after the first change, at the latest.
constexpr int kRecoveryDelayMs = 3000;

}  // namespace

void MainWindow::BuildFileCommands() {
  appTitle_ = windowTitle();
  const QString recoveryFolder = recoveryFolder_.isEmpty() ? FromPath(places_.RecoveryFolder()) : recoveryFolder_;
  if (!recoveryFolder.isEmpty()) recovery_ = std::make_unique<RecoveryStore>(recoveryFolder);
  recoveryTimer_ = new QTimer(this);
  recoveryTimer_->setObjectName(QStringLiteral("recoveryTimer"));
  recoveryTimer_->setSingleShot(true);
  recoveryTimer_->setInterval(kRecoveryDelayMs);
  connect(recoveryTimer_, &QTimer::timeout, this, [this] { WriteRecovery(); });

  auto command = [this](const char* name, const QKeySequence& keys, auto handler) {
    auto* action = new QAction(QString::fromLatin1(name), this);
    action->setObjectName(QStringLiteral("act") + QString::fromLatin1(name).remove(QLatin1Char(' ')));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, handler] { RunGuarded(this, [this, handler] { handler(); }); });
    addAction(action);
  };
  command("New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewProject(); });
  command("Open", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { LoadProject(); });
  command("Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveProject(projectPath_.isEmpty()); });
  command("Save As", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveProject(true); });
  command("Help", QKeySequence(Qt::Key_F1), [this] { OpenHelp(); });
  loadButton_->setToolTip(QStringLiteral("Open a project (Ctrl+O)"));
  saveButton_->setToolTip(QStringLiteral("Save the project under a name (Ctrl+Shift+S); Ctrl+S saves it to its file"));

  UpdateWindowTitle();
}

std::string MainWindow::ProjectDisplayName() const {
  return projectPath_.isEmpty() ? std::string("Untitled") : FromQString(QFileInfo(projectPath_).fileName());
}

void MainWindow::UpdateWindowTitle() {
  setWindowTitle(ToQString(ProjectDisplayName()) + QStringLiteral("[*] - ") + appTitle_);
}

void MainWindow::MarkModified() {
  if (replacingProject_ || !recoveryTimer_) return;
  // Changed is what differs from the file: work undone or typed back to it is not.
  const bool modified = !savedProject_ || project_ != *savedProject_;
  const bool wasModified = isWindowModified();
  setWindowModified(modified);
  if (modified && !recoveryTimer_->isActive()) recoveryTimer_->start();
  if (!modified && wasModified) {
    recoveryTimer_->stop();
    if (recovery_) recovery_->Clear();
  }
}

void MainWindow::WriteRecovery() {
  if (!isWindowModified() || !recovery_) return;
  std::string text = JoinLines(ProjectLines(project_));
  text += TagLine(kRecoveredPathTag, FromQString(projectPath_));
  text += "\r\n";
  recovery_->Write(std::move(text));
}

void MainWindow::StopWatchingChanges() {
  for (WizardPage* page : pages_) page->disconnect(this);
  if (recoveryTimer_) recoveryTimer_->stop();
}

void MainWindow::ProjectIsClean() {
  if (recoveryTimer_) recoveryTimer_->stop();
  if (recovery_) recovery_->Clear();
  savedProject_ = project_;
  // Typing after a save is a step of its own, so that undo can go back to what was saved.
  if (undo_) undo_->setClean();
  setWindowModified(false);
  UpdateWindowTitle();
}

bool MainWindow::MaybeSaveChanges() {
  if (!isWindowModified()) return true;
  switch (Messages().AskSaveChanges("Do you want to save the changes to " + ProjectDisplayName() + "?")) {
    case SaveChoice::Save:
      return SaveProject(projectPath_.isEmpty());
    case SaveChoice::Discard:
      return true;
    case SaveChoice::Cancel:
      break;
  }
  return false;
}

void MainWindow::NewProject() {
  if (!MaybeSaveChanges()) return;
  {
    const QScopedValueRollback<bool> quiet(replacingProject_, true);
    ApplyLoadedProject(Project{});
    LoadTemplates();  // the first template, as at start-up
    for (PromoPage* page : promoPages_) page->Reset();
    finishPage_->ResetMode();
    ShowPage(titlePage_);
  }
  projectPath_.clear();
  ForgetHistory();
  ProjectIsClean();
  titlePage_->FirstInput()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::OfferRecovery() {
  if (!recovery_) return;
  std::vector<RecoveryStore::Orphan> orphans = recovery_->TakeOrphans();
  for (auto& orphan : orphans) {
    auto read = recovery_->Read(orphan);
    if (!read) continue;  // unreadable now; it is offered again at the next start
    const std::string bytes = std::move(*read);
    if (!LooksLikeProjectFile(bytes)) {
      RecoveryStore::Remove(orphan);
      continue;
    }
    Project project = ParseProject(bytes);
    std::string work = bytes;
    ExtractTagged(OpenTag("AfFileName"), CloseTag("AfFileName"), work);
    const std::string projectPath = ExtractTagged(OpenTag(kRecoveredPathTag), CloseTag(kRecoveredPathTag), work);
    const std::string name = projectPath.empty() ? std::string("an untitled project")
                                                 : FromQString(QFileInfo(ToQString(projectPath)).fileName());
    const std::string when = FromQString(orphan.written.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const std::string question = "The program did not end normally last time. Unsaved work on " + name +
                                 (project.Title.empty() ? std::string() : " (\"" + project.Title + "\")") + " from " +
                                 when + " was kept.\n\nDo you want to restore it?";
    if (!Messages().AskRestore(question)) {
      RecoveryStore::Remove(orphan);
      continue;
    }
    {
      const QScopedValueRollback<bool> quiet(replacingProject_, true);
      ApplyLoadedProject(std::move(project));
    }
    recovery_->Adopt(orphan);
    projectPath_ = ToQString(projectPath);
    // Restored work is unsaved work, whatever its file holds.
    ForgetHistory();
    savedProject_.reset();
    UpdateWindowTitle();
    MarkModified();
    return;
  }
}

}  // namespace velmora
