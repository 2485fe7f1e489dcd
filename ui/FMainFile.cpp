// Project commands (New, Open, Save, Save As), the unsaved-changes mark and
// question, and crash recovery.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTimer>

#include "app/Utils.h"
#include "platform/ErrorReport.h"
#include "platform/QtText.h"
#include "platform/RecoveryStore.h"
#include "project/ProjectFile.h"
#include "ui/FMain.h"

namespace velmora {

namespace {

// A recovery copy is the project file with the path of the project's own file after it.
constexpr std::string_view kRecoveredPathTag = "VmProjectFile";
// Unsaved work reaches the disk this long after the first change, at the latest.
constexpr int kRecoveryDelayMs = 3000;

}  // namespace

void TfrmMain::BuildFileCommands() {
  appTitle_ = windowTitle();
  const QString recoveryFolder = recoveryFolder_.isEmpty() ? FromPath(Where.RecoveryFolder()) : recoveryFolder_;
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
  command("Open", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { btnLoadClick(); });
  command("Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveProject(ProjectPath.isEmpty()); });
  command("Save As", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveProject(true); });
  command("Help", QKeySequence(Qt::Key_F1), [this] { btnHelpClick(); });
  btnLoad->setToolTip(QStringLiteral("Open a project (Ctrl+O)"));
  btnSave->setToolTip(QStringLiteral("Save the project under a name (Ctrl+Shift+S); Ctrl+S saves it to its file"));

  // Every edit of the project marks it; the promo lists are watched through
  // their list boxes, which follow every change to them. The watcher goes
  // first when the window is destroyed, so widgets torn down after it
  // cannot call back into a window that is half gone.
  changeWatcher_ = new QObject(this);
  const auto mark = [this] { MarkModified(); };
  for (QLineEdit* field : {edtTitlePage, edtAffiliateURL, edtClickbankID, edtFilename})
    connect(field, &QLineEdit::textChanged, changeWatcher_, mark);
  connect(cbxTemplates, &QComboBox::currentTextChanged, changeWatcher_, mark);
  connect(rbtSaveWeb, &QRadioButton::toggled, changeWatcher_, mark);
  for (PromoKind kind : kPromoKinds) {
    QAbstractItemModel* model = PageOf(kind).list->model();
    connect(model, &QAbstractItemModel::rowsInserted, changeWatcher_, mark);
    connect(model, &QAbstractItemModel::rowsRemoved, changeWatcher_, mark);
    connect(model, &QAbstractItemModel::rowsMoved, changeWatcher_, mark);
    connect(model, &QAbstractItemModel::dataChanged, changeWatcher_, mark);
    connect(model, &QAbstractItemModel::modelReset, changeWatcher_, mark);
  }

  // A pasted line break in a one-line field shows as the space it is stored as.
  for (QLineEdit* field : {edtTitlePage, edtAffiliateURL, edtClickbankID, edtAchorText, edtImageUrl, edtPPCTitle,
                           edtPPCLink, edtFilename}) {
    connect(field, &QLineEdit::textChanged, changeWatcher_, [field](const QString& text) {
      if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) return;
      const int cursor = field->cursorPosition();
      field->setText(ToQString(OneLine(FromQString(text))));
      field->setCursorPosition(std::min(cursor, static_cast<int>(field->text().size())));
    });
  }
  UpdateWindowTitle();
}

std::string TfrmMain::ProjectDisplayName() const {
  return ProjectPath.isEmpty() ? std::string("Untitled") : FromQString(QFileInfo(ProjectPath).fileName());
}

void TfrmMain::UpdateWindowTitle() {
  setWindowTitle(ToQString(ProjectDisplayName()) + QStringLiteral("[*] - ") + appTitle_);
}

void TfrmMain::MarkModified() {
  if (replacingProject_ || !AffManager || !recoveryTimer_) return;
  setWindowModified(true);
  if (!recoveryTimer_->isActive()) recoveryTimer_->start();
}

void TfrmMain::WriteRecovery() {
  if (!isWindowModified() || !AffManager || !recovery_) return;
  std::string text = JoinLines(ProjectLines(*AffManager));
  text += TagLine(kRecoveredPathTag, FromQString(ProjectPath));
  text += "\r\n";
  recovery_->Write(std::move(text));
}

void TfrmMain::StopWatchingChanges() {
  delete changeWatcher_;
  changeWatcher_ = nullptr;
  if (recoveryTimer_) recoveryTimer_->stop();
}

void TfrmMain::ProjectIsClean() {
  if (recoveryTimer_) recoveryTimer_->stop();
  if (recovery_) recovery_->Clear();
  setWindowModified(false);
  UpdateWindowTitle();
}

bool TfrmMain::MaybeSaveChanges() {
  if (!isWindowModified()) return true;
  switch (Messages().AskSaveChanges("Do you want to save the changes to " + ProjectDisplayName() + "?")) {
    case SaveChoice::Save: return SaveProject(ProjectPath.isEmpty());
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: break;
  }
  return false;
}

void TfrmMain::NewProject() {
  if (!MaybeSaveChanges()) return;
  {
    const QScopedValueRollback<bool> quiet(replacingProject_, true);
    ApplyLoadedProject(TAffManager{});
    LoadTemplates();  // the first template, as at start-up
    for (QLineEdit* field : {edtAchorText, edtImageUrl, edtPPCTitle, edtPPCLink}) field->clear();
    for (QPlainTextEdit* memo : {memPPCBody, memSignature, memEmail, memAutoEmail, memArticle, memPopUp}) memo->clear();
    for (PromoKind kind : kPromoKinds)
      if (PageOf(kind).details) PageOf(kind).details->clear();
    rbtSaveWeb->setChecked(true);
    ntbMain->setCurrentIndex(0);
  }
  ProjectPath.clear();
  ProjectIsClean();
  edtTitlePage->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::OfferRecovery() {
  if (!recovery_) return;
  std::vector<RecoveryStore::Orphan> orphans = recovery_->TakeOrphans();
  for (auto& orphan : orphans) {
    std::string bytes;
    try {
      bytes = recovery_->Read(orphan);
    } catch (const FileError&) {
      continue;  // unreadable now; it is offered again at the next start
    }
    if (!LooksLikeProjectFile(bytes)) {
      RecoveryStore::Remove(orphan);
      continue;
    }
    TAffManager project = ParseProject(bytes);
    std::string work = bytes;
    ExtractTagged(OpenTag("AfFileName"), CloseTag("AfFileName"), work);
    const std::string projectPath = ExtractTagged(OpenTag(kRecoveredPathTag), CloseTag(kRecoveredPathTag), work);
    const std::string name =
        projectPath.empty() ? std::string("an untitled project") : FromQString(QFileInfo(ToQString(projectPath)).fileName());
    const std::string when = FromQString(orphan.written.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const std::string question = "The program did not end normally last time. Unsaved work on " + name +
                                 (project.Title.empty() ? std::string() : " (\"" + project.Title + "\")") +
                                 " from " + when + " was kept.\n\nDo you want to restore it?";
    if (!Messages().AskRestore(question)) {
      RecoveryStore::Remove(orphan);
      continue;
    }
    {
      const QScopedValueRollback<bool> quiet(replacingProject_, true);
      ApplyLoadedProject(std::move(project));
    }
    recovery_->Adopt(orphan);
    ProjectPath = ToQString(projectPath);
    // Restored work is unsaved work.
    UpdateWindowTitle();
    MarkModified();
    return;
  }
}

}  // namespace velmora
