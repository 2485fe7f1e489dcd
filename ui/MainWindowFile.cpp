// Project commands (New, Open, Save, Save As), the unsaved-changes mark and
// question, and crash recovery.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTimer>
#include <QUndoStack>

#include "app/Utils.h"
#include "platform/ErrorReport.h"
#include "platform/QtPlaces.h"
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

  // Alt+F and Alt+E are kept free of the pages' own mnemonics for the menus.
  fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
  fileMenu_->setObjectName(QStringLiteral("menuFile"));
  auto command = [this](const char* caption, const char* name, const QKeySequence& keys, auto handler) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(QStringLiteral("act") + QString::fromLatin1(name));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, handler] { RunGuarded(this, [this, handler] { handler(); }); });
    addAction(action);  // the shortcut works with the menu bar hidden by a skin, too
    fileMenu_->addAction(action);
    return action;
  };
  command("&New", "New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewProject(); });
  command("&Open\u2026", "Open", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { LoadProject(); });
  recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("menuRecent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::ListRecentProjects);
  command("&Save", "Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveProject(projectPath_.isEmpty()); });
  command("Save &As\u2026", "SaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveProject(true); });
  fileMenu_->addSeparator();
  if (!brand_.WelcomeText.empty())
    command("&Welcome Page", "WelcomePage", QKeySequence(), [this] { ShowWelcomeScreen(); });
  command("&Quit", "Quit", QKeySequence::Quit, [this] { close(); });
  auto* help = new QAction(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("actHelp"));
  help->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help, &QAction::triggered, this, [this] { RunGuarded(this, [this] { OpenHelp(); }); });
  addAction(help);
  loadButton_->setToolTip(QStringLiteral("Open a project (Ctrl+O)"));
  saveButton_->setToolTip(QStringLiteral("Save the project under a name (Ctrl+Shift+S); Ctrl+S saves it to its file"));

  UpdateWindowTitle();
}

void MainWindow::ListRecentProjects() {
  recentMenu_->clear();
  const QStringList recent = RecentProjects(places_);
  int number = 0;
  for (const QString& path : recent) {
    const QFileInfo file(path);
    // Numbered for the keyboard; the folder tells apart projects of one name.
    auto* entry = recentMenu_->addAction(QStringLiteral("&%1 %2  (%3)")
                                             .arg(++number)
                                             .arg(file.fileName().replace(QLatin1Char('&'), QStringLiteral("&&")),
                                                  QDir::toNativeSeparators(file.absolutePath())));
    connect(entry, &QAction::triggered, this, [this, path] { RunGuarded(this, [this, path] { OpenProject(path); }); });
  }
  if (recent.isEmpty()) recentMenu_->addAction(QStringLiteral("No recent projects"))->setEnabled(false);
  recentMenu_->addSeparator();
  auto* clear = recentMenu_->addAction(QStringLiteral("&Clear List"));
  clear->setEnabled(!recent.isEmpty());
  connect(clear, &QAction::triggered, this, [this] { ForgetRecentProjects(places_); });
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
  // The pages built so far: nothing is built on the way out.
  for (int step = 0; step < pageStack_->count(); ++step) pageStack_->widget(step)->disconnect(this);
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
    for (PromoPage* page : Pages().promos) page->Reset();
    Pages().finish->ResetMode();
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
