// The page check after "Generate Code" and beside the live preview, the way
// from a finding to the wizard page of its item, and findings marked as intended.
#include <QDockWidget>

#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
#include "ui/FindingsList.h"
#include "ui/MainWindow.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/PromoPage.h"
#include "ui/pages/TemplatePage.h"
#include "ui/pages/TitlePage.h"

namespace velmora {

void MainWindow::CheckGeneratedPage(const std::optional<std::string>& page, const std::string& templateName,
                                    const std::vector<PagePicture>& pictures) {
  if (page) {
    if (auto templateText = LoadTemplate(templateName, places_.TemplateFolders())) {
      // The check reads copies: the project may change while it runs. It
      // checks the page as saved, and names what it finds as the user typed it.
      Pages().finish->CheckInBackground([project = project_, pictures, templateText = std::move(*templateText),
                                      page = *page] {
        std::vector<Finding> findings = CheckProjectPage(WithPictureAddresses(project, pictures), templateText, page);
        NameFindings(project, findings);
        return findings;
      });
      return;
    }
  }
  Pages().finish->ShowFindings({});
}

void MainWindow::ConnectFindings(FinishPage& page) {
  page.OnFindingChosen([this](const Finding& finding) { GoToFinding(finding); });
  page.OnIntendedChanged([this](const std::string& key, bool intended) { MarkFindingIntended(key, intended); });
}

void MainWindow::ConnectPreviewFindings(QDockWidget* panel) {
  previewFindings_->OnActivated([this](const Finding& finding) { GoToFinding(finding); });
  previewFindings_->OnIntendedChanged(
      [this](const std::string& key, bool intended) { MarkFindingIntended(key, intended); });
  // One list at a time: the preview's follows every change, the Finish page's waits for "Generate Code".
  connect(panel, &QDockWidget::visibilityChanged, this,
          [this, panel] { Pages().finish->ListFindingsHere(panel->isHidden()); });
}

void MainWindow::MarkFindingIntended(const std::string& key, bool intended) {
  SetIntended(project_, key, intended);
  Pages().finish->ApplyIntended(project_.IntendedFindings);
  if (previewFindings_) previewFindings_->ApplyIntended(project_.IntendedFindings);
  ProjectEdited();
}

void MainWindow::GoToFinding(const Finding& finding) {
  using What = FindingPlace::What;
  const FindingPlace& place = finding.where;
  switch (place.what) {
    case What::Title:
    case What::AffiliateLink:
      ShowPage(titlePage_);
      if (place.what == What::Title)
        titlePage_->FocusTitle();
      else
        titlePage_->FocusAffiliateLink();
      return;
    case What::Template:
    case What::Page:
      // The template makes what the page holds beyond the items.
      ShowPage(Pages().templates);
      Pages().templates->FocusChoice();
      return;
    case What::Promo:
      break;
  }
  PromoPage& page = PromoPageOf(place.kind);
  ShowPage(&page);
  // Items may have moved since the check: the label finds its item again.
  page.GoToEntry(static_cast<int>(FindingRow(finding, promos_.Entries(place.kind))));
}

}  // namespace velmora
