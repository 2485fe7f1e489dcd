// The template's choice and the page's delivery.
#include <QDockWidget>
#include <QFile>
#include <QUrl>

#include "app/Utils.h"
#include "generator/OutputDelivery.h"
#include "generator/TemplateCatalogue.h"
#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtPlaces.h"
#include "platform/QtText.h"
#include "project/ProjectFile.h"
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
#include "publish/Publisher.h"
#include "ui/MainWindow.h"
#include "ui/PublishDialog.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/TemplatePage.h"

namespace velmora {

void MainWindow::ShowPageFolder(const std::filesystem::path& folder) {
  pageFolder_ = folder;
  Pages().finish->ShowFolder(folder);
}

void MainWindow::ChangeOutputFolder() {
  const std::filesystem::path current = OutputFolderChoice();
  std::error_code ec;
  // The dialog opens where pages go now, or the nearest folder above it that exists.
  std::filesystem::path start = current;
  while (!start.empty() && !std::filesystem::is_directory(start, ec) && start != start.parent_path())
    start = start.parent_path();
  const QString folder = Dialogs().ChooseFolder(this, QStringLiteral("Save pages in"), FromPath(start));
  if (folder.isEmpty()) return;
  if (!RememberOutputFolder(places_, ToPath(folder))) {
    Messages().ShowMessage(MessageKind::Warning, "The folder is used for now, but could not be remembered in " +
                                                     places_.UserSettingsFile().string());
  }
  ShowPageFolder(ToPath(folder));
}

void MainWindow::LoadTemplates() { Pages().templates->ListTemplates(ListTemplates(places_.TemplateFolders())); }

void MainWindow::TemplateChosen() {
  const std::string before = project_.Template;
  const TemplateChoice choice = ChooseTemplate(project_, places_.TemplateFolders(), Pages().templates->Chosen());
  Pages().templates->ShowPicture(choice.preview);
  // The user's choice is a step of the undo history.
  const std::string chosen = std::exchange(project_.Template, before);
  EditField(ProjectField::Template, chosen);
}

void MainWindow::SelectTemplateAfterLoad(const std::string& name) {
  const std::vector<std::string> listed = Pages().templates->Listed();
  // A template that is not listed is not guessed at: the first is shown, as at start-up.
  const std::size_t index = FindListedTemplate(listed, name).value_or(0);
  if (index < listed.size() && !Pages().templates->Choose(index)) TemplateChosen();
  project_.Template = name;
}

void MainWindow::SetOutputFileNameField(const std::string& name) {
  Pages().finish->ShowOutputName(name);
  // The model keeps the bytes as read, even where the field cannot show them.
  project_.FileName = name;
}

void MainWindow::DeliverPage() {
  RunGuarded(this, [this] {
    const DeliveryMode mode = Pages().finish->ToClipboard() ? DeliveryMode::Clipboard : DeliveryMode::SaveWebPage;
    bool edited = false;
    if (mode == DeliveryMode::SaveWebPage && project_.PageId.empty()) {
      project_.PageId = PageIdFor(project_, ToPath(projectPath_));
      edited = true;
    }
    const OutputRequest request{places_, OutputFolderChoice(), Pages().templates->Chosen(), Pages().finish->OutputName(),
                                project_.PageId};
    const OutputResult result = velmora::DeliverPage(mode, project_, request, Messages(), Clipboard());
    if (result.savedFile) {
      lastSavedPage_ = result.savedFile->string();
      Pages().finish->OfferOpening();
      // The page keeps the name it was saved under, also when the title changes or "Keep both" chose another.
      const std::string saved = result.savedFile->filename().string();
      if (project_.FileName != saved) {
        SetOutputFileNameField(saved);
        edited = true;
      }
    }
    if (edited) ProjectEdited();
    CheckGeneratedPage(result.page, request.templateName, result.pictures);
  });
}

void MainWindow::OpenPublishDialog() {
  RunGuarded(this, [this] {
    const std::string name = Pages().finish->OutputName();
    if (const auto problem = OutputNameProblem(name)) {
      Messages().ShowMessage(problem->kind, problem->text);
      return;
    }
    if (project_.PageId.empty()) {
      project_.PageId = PageIdFor(project_, ToPath(projectPath_));
      ProjectEdited();
    }
    const std::string templateName = Pages().templates->Chosen();
    auto bundle = MakePageBundle(project_, templateName, places_.TemplateFolders(), name, project_.PageId);
    if (!bundle) {
      Messages().ShowMessage(MessageKind::Error, bundle.error().message);
      return;
    }
    // The page check first: publishing with findings takes one more click.
    if (auto templateText = LoadTemplate(templateName, places_.TemplateFolders())) {
      std::vector<Finding> findings =
          CheckProjectPage(WithPictureAddresses(project_, bundle->pictures), *templateText, bundle->bytes);
      NameFindings(project_, findings);
      // What the user marked as intended asks nothing more.
      const std::size_t count = CountToLookAt(findings);
      Pages().finish->ShowFindings(std::move(findings));
      const bool underPreview = previewPanel_ && !previewPanel_->isHidden();
      if (count > 0 && !Messages().AskOkCancel(MessageKind::Warning,
                                               "The page check found " + std::to_string(count) +
                                                   (count == 1 ? " thing" : " things") + " to look at, listed " +
                                                   (underPreview ? "under the preview" : "on the Finish page") +
                                                   ". Publish anyway?",
                                               DefaultButton::Cancel))
        return;
    }
    PublishSetup setup;
    setup.targets = project_.PublishTargets;
    setup.saveTargets = [this](const std::vector<PublishTarget>& targets) {
      if (targets == project_.PublishTargets) return;
      project_.PublishTargets = targets;
      ProjectEdited();
    };
    setup.files = [bundle = std::move(*bundle)] { return FilesOfPage(bundle); };
    setup.pageName = name;
    setup.owner = project_.PageId;
    setup.knownHosts = places_.PublishKnownHostsFile();
    setup.messages = &Messages();
    setup.secrets = secrets_;
    setup.http = &Http();
    PublishDialog dialog(std::move(setup), this);
    dialog.exec();
  });
}

void MainWindow::OpenSavedPage() {
  if (lastSavedPage_.empty()) return;
  OpenInBrowser(Shell(), FromQString(QUrl::fromLocalFile(FromPath(lastSavedPage_)).toString()));
}

}  // namespace velmora
