// The way between the wizard's pages, what the pages ask for, and loading
// and saving projects.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStackedWidget>

#include "app/FileIO.h"
#include "generator/OutputDelivery.h"
#include "generator/TemplateCatalogue.h"
#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtPlaces.h"
#include "platform/Logging.h"
#include "platform/QtText.h"
#include "project/ProjectFile.h"
#include "ui/MainWindow.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/PromoPage.h"
#include "ui/pages/TemplatePage.h"
#include "ui/pages/TitlePage.h"

namespace velmora {

namespace {

const QString kProjectFilter = QStringLiteral("Velmora projects (*.set)");

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// The per-user project folder may not exist yet; a dialog opened on a
// missing folder would start somewhere unrelated.
const QString& Ensured(const QString& folder) {
  MakePrivateFolders(ToPath(folder));
  return folder;
}

}  // namespace

void MainWindow::ConnectWizard() {
  projectFolder_ = RememberedFolder(places_, DialogFolder::Projects, FromPath(places_.ProjectFolder() / ""));

  // Each change copies the whole field into the model, untrimmed, as a step of the undo history.
  const auto bind = [this](void (TitlePage::*typed)(const QString&), ProjectField field) {
    connect(titlePage_, typed, this, [this, field](const QString& text) { EditField(field, OneLine(FromQString(text))); });
  };
  bind(&TitlePage::titleTyped, ProjectField::Title);
  bind(&TitlePage::affiliateLinkTyped, ProjectField::URL);
  bind(&TitlePage::descriptionTyped, ProjectField::Description);
  // Only a project load fills the hidden affiliate id.
  connect(titlePage_, &TitlePage::affiliateIdTyped, this,
          [this](const QString& text) { project_.ClickBankId = OneLine(FromQString(text)); });
  // Until the project has a page name of its own, the title gives it.
  connect(titlePage_, &TitlePage::titleTyped, this, [this] {
    if (project_.FileName.empty()) Pages().finish->ShowSuggestedName(OutputNameOf(project_));
  });
  connect(titlePage_, &TitlePage::nextRequested, this, &MainWindow::GoNext);
  connect(titlePage_, &WizardPage::edited, this, &MainWindow::ProjectEdited);

  connect(nextButton_, &QPushButton::clicked, this, &MainWindow::GoNext);
  connect(backButton_, &QPushButton::clicked, this, &MainWindow::GoBack);
  connect(pageStack_, &QStackedWidget::currentChanged, this, &MainWindow::PageShown);
  connect(loadButton_, &QPushButton::clicked, this, &MainWindow::LoadProject);
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveProject(true); });
  backButton_->setEnabled(wizard_.BackEnabled());
  nextButton_->setEnabled(wizard_.NextEnabled());
  pageFolder_ = ChosenOutputFolder(places_);
}

void MainWindow::ConnectLaterPages(const WizardPages& pages) {
  connect(pages.templates, &TemplatePage::templateChosen, this, &MainWindow::TemplateChosen);
  for (PromoPage* page : pages.promos) ConnectPromoPage(page);
  connect(pages.finish, &FinishPage::outputNameTyped, this,
          [this](const QString& name) { EditField(ProjectField::FileName, OneLine(FromQString(name))); });
  connect(pages.finish, &FinishPage::generateRequested, this, &MainWindow::DeliverPage);
  connect(pages.finish, &FinishPage::openRequested, this, &MainWindow::OpenSavedPage);
  connect(pages.finish, &FinishPage::publishRequested, this, &MainWindow::OpenPublishDialog);
  connect(pages.finish, &FinishPage::changeFolderRequested, this, &MainWindow::ChangeOutputFolder);
  ConnectFindings(*pages.finish);
  for (std::size_t step = 1; step < pages.all.size(); ++step)
    connect(pages.all[step], &WizardPage::edited, this, &MainWindow::ProjectEdited);
}

void MainWindow::ConnectPromoPage(PromoPage* page) {
  connect(page, &PromoPage::createRequested, this, [this, page] { CreatePromo(*page); });
  connect(page, &PromoPage::deleteRequested, this, [this, page] { DeletePromo(*page); });
  connect(page, &PromoPage::editRequested, this, [this, page] { EditPromo(*page); });
  connect(page, &PromoPage::moveRequested, this, [this, page](int offset) { MovePromo(*page, offset); });
  connect(page, &PromoPage::dragRequested, this, [this, page](int from, int to) { DragPromo(*page, from, to); });
  connect(page, &PromoPage::addRequested, this,
          [this, page](const std::vector<PromoInput>& inputs) { AddPromos(*page, inputs); });
  page->OnLinesPasted([this, page](const std::vector<std::string>& lines) { return TakePastedLines(*page, lines); });
  connect(page, &PromoPage::itemChosen, this, [this, page] { ShowPromo(*page); });
}

void MainWindow::ProjectEdited() {
  emit ProjectChanged();
  MarkModified();
}

PromoPage& MainWindow::PromoPageOf(PromoKind kind) { return *Pages().promos.at(static_cast<std::size_t>(kind)); }

void MainWindow::CreatePromo(PromoPage& page) {
  if (page.Editing()) return UpdatePromo(page);
  if (auto edit = PlanCreate(project_, page.Kind(), page.Input(), Messages())) PushItemEdits({std::move(*edit)});
}

void MainWindow::UpdatePromo(PromoPage& page) {
  auto edit = PlanUpdate(project_, page.Kind(), page.EditingRow(), page.Input(), Messages());
  if (!edit) return;
  if (edit->item != edit->previous) return PushItemEdits({std::move(*edit)});
  // Nothing changed: no step to undo, but editing is over all the same.
  page.EndEditing();
  page.SelectEntry(edit->row);
}

void MainWindow::DeletePromo(PromoPage& page) {
  if (auto edit = PlanDelete(project_, page.Kind(), page.SelectedRow(), Messages())) PushItemEdits({std::move(*edit)});
}

void MainWindow::MovePromo(PromoPage& page, int offset) {
  const int row = page.SelectedRow();
  if (auto edit = PlanMove(project_, page.Kind(), row, row + offset)) PushItemEdits({std::move(*edit)});
}

void MainWindow::EditPromo(PromoPage& page) {
  const int row = page.SelectedRow();
  if (const std::optional<PromoInput> input = promos_.EditInput(project_, page.Kind(), row))
    page.BeginEditing(row, *input);
}

void MainWindow::ShowPromo(PromoPage& page) {
  if (const std::optional<std::string> shown = promos_.Show(project_, page.Kind(), page.SelectedRow()))
    page.ShowItem(*shown);
}

void MainWindow::ListSteps() {
  for (int step = 0; step < Wizard::kPageCount; ++step) stepList_->addItem(QString());
  ShowStepCaptions();
  stepList_->setCurrentRow(0);
  // As wide as the longest caption may get, so that counts never cut it.
  int widest = 0;
  for (int step = 0; step < Wizard::kPageCount; ++step)
    widest = std::max(widest, stepList_->fontMetrics().horizontalAdvance(stepList_->item(step)->text() + QStringLiteral("000")));
  stepList_->setFixedWidth(widest + 2 * stepList_->frameWidth() + 16);
  connect(stepList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row == wizard_.PageIndex()) return;
    if (wizard_.GoTo(row, titlePage_->Title(), titlePage_->AffiliateLink(), Messages())) {
      ShowStep(row);
    } else {
      const QSignalBlocker quiet(stepList_);
      stepList_->setCurrentRow(wizard_.PageIndex());
    }
  });
  connect(this, &MainWindow::ProjectChanged, this, &MainWindow::ShowStepCaptions);
}

void MainWindow::ShowStepCaptions() {
  for (int step = 0; step < Wizard::kPageCount; ++step)
    stepList_->item(step)->setText(QStringLiteral("%1. ").arg(step + 1) + ToQString(StepCaption(step, project_)));
}

void MainWindow::GoNext() {
  if (wizard_.Next(titlePage_->Title(), titlePage_->AffiliateLink(), Messages())) ShowStep(wizard_.PageIndex());
}

void MainWindow::GoBack() {
  if (wizard_.Back()) ShowStep(wizard_.PageIndex());
}

void MainWindow::ShowStep(int index) {
  Pages();
  pageStack_->setCurrentIndex(index);
}

void MainWindow::ShowPage(QWidget* page) { pageStack_->setCurrentWidget(page); }

void MainWindow::PageShown(int index) {
  wizard_.ShowPage(index);
  {
    const QSignalBlocker quiet(stepList_);
    stepList_->setCurrentRow(index);
  }
  backButton_->setEnabled(wizard_.BackEnabled());
  nextButton_->setEnabled(wizard_.NextEnabled());
  // Typing goes on in the new page's first field, unless the user is
  // stepping through the pages with the buttons.
  QWidget* focused = QApplication::focusWidget();
  if (focused == backButton_ || focused == nextButton_) return;
  if (QWidget* first = static_cast<WizardPage*>(pageStack_->widget(index))->FirstInput())
    first->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::SaveProject(bool askForName) {
  QString path = projectPath_;
  if (askForName || path.isEmpty()) {
    path = Dialogs().SaveFile(this, QStringLiteral("Save Project"), kProjectFilter, Ensured(projectFolder_));
    if (path.isEmpty()) return false;
    UseProjectFolder(FolderOf(path));
    // Without ".set" the Load and Save dialogs would never show the file again.
    path = FromPath(WithProjectExtension(ToPath(path)));
  }
  if (const auto problem = SaveProblem(project_)) {
    Messages().ShowMessage(MessageKind::Warning, *problem);
    return false;
  }
  // A failed write keeps the previous file; the user hears why, and no success.
  if (const auto saved = SaveProjectFile(ToPath(path), project_); !saved) {
    qCWarning(lcProject) << "The project was not saved:" << saved.error().message.c_str();
    Messages().ShowMessage(MessageKind::Error, "The project could not be saved.\n\n" + saved.error().message);
    return false;
  }
  projectPath_ = path;
  ProjectIsClean();
  RememberRecentProject(places_, QFileInfo(path).absoluteFilePath());
  Messages().ShowMessage(MessageKind::Done, "Project saved.");
  return true;
}

void MainWindow::LoadProject() {
  if (!MaybeSaveChanges()) return;
  const QString path = Dialogs().OpenFile(this, QStringLiteral("Open Project"), kProjectFilter, Ensured(projectFolder_));
  if (path.isEmpty()) return;
  UseProjectFolder(FolderOf(path));
  LoadProjectFrom(path);
}

void MainWindow::UseProjectFolder(const QString& folder) {
  projectFolder_ = folder;
  RememberFolder(places_, DialogFolder::Projects, folder);
}

bool MainWindow::OpenProject(const QString& path) {
  if (!MaybeSaveChanges()) return false;
  UseProjectFolder(FolderOf(path));
  return LoadProjectFrom(path);
}

bool MainWindow::LoadProjectFrom(const QString& path) {
  auto loaded = LoadProjectFile(ToPath(path));
  if (!loaded) {
    // Vanished, unreadable or no project at all: the project stays as it was, and the user hears why.
    Messages().ShowMessage(MessageKind::Error, "The project could not be loaded.\n\n" + loaded.error().message);
    return false;
  }
  {
    const QScopedValueRollback<bool> quiet(replacingProject_, true);
    ApplyLoadedProject(std::move(*loaded));
  }
  projectPath_ = QFileInfo(path).absoluteFilePath();
  ForgetHistory();
  ProjectIsClean();
  RememberRecentProject(places_, projectPath_);
  Messages().ShowMessage(MessageKind::Done, "Project loaded.");
  return true;
}

void MainWindow::ApplyLoadedProject(Project loaded) {
  // Built before the model changes: a page built later would show the start's state.
  WizardPages& pages = Pages();
  // The model takes the file's bytes as they are; the fields only show them.
  titlePage_->ShowValues(loaded.Title, loaded.URL, loaded.ClickBankId, loaded.Description);
  project_.Title = loaded.Title;
  project_.URL = loaded.URL;
  project_.ClickBankId = loaded.ClickBankId;
  project_.Description = loaded.Description;

  project_.Template = loaded.Template;
  try {
    SelectTemplateAfterLoad(loaded.Template);
  } catch (const std::exception& error) {
    // Selecting the template is a courtesy; the project keeps the name it stored.
    qCWarning(lcProject) << "Could not show the project's template:" << error.what();
  }
  project_.Template = loaded.Template;
  // Someone else's project may name a template this copy lacks; the user is told which, once.
  const std::vector<std::string> listed = pages.templates->Listed();
  if (!loaded.Template.empty() && !listed.empty() && !FindListedTemplate(listed, loaded.Template))
    Messages().ShowMessage(MessageKind::Warning, TemplateNotListedWarning(loaded.Template, pages.templates->Chosen()));

  for (PromoKind kind : kPromoKinds) ListOf(project_, kind) = std::move(ListOf(loaded, kind));
  project_.BannerAlts = std::move(loaded.BannerAlts);
  promos_.Rebuild(project_);
  for (PromoPage* page : pages.promos) page->ShowEntries(promos_.Entries(page->Kind()));

  // An empty name delivers to the name the title gives, so the field shows that.
  SetOutputFileNameField(loaded.FileName);
  if (loaded.FileName.empty()) pages.finish->ShowSuggestedName(OutputNameOf(project_));
  project_.PageId = loaded.PageId;
  project_.PublishTargets = std::move(loaded.PublishTargets);
  project_.IntendedFindings = std::move(loaded.IntendedFindings);
  // What was found in another project's page leads nowhere in this one.
  pages.finish->ShowFindings({});
  for (PromoPage* page : pages.promos) page->EndEditing();
  ShowStepCaptions();
}

}  // namespace velmora
