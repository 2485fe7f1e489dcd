// The page check after "Generate Code" and beside the live preview, and the
// way from a finding to the wizard page of its item.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
#include "ui/FMain.h"
#include "ui/FindingsList.h"

namespace velmora {

void TfrmMain::BuildFindingsList(QVBoxLayout* layout) {
  panFindings = new TFindingsList(Page(10));
  panFindings->OnActivated([this](const FindingPlace& place) { GoToFinding(place); });
  layout->addWidget(panFindings, 1);
}

void TfrmMain::CheckGeneratedPage(const std::optional<std::string>& page, const std::string& templateName) {
  if (page && AffManager) {
    if (auto templateText = LoadTemplate(templateName, Where.TemplateFolders())) {
      // The check reads copies: the project may change while it runs.
      panFindings->CheckInBackground(
          [project = *AffManager, templateText = std::move(*templateText), page = *page] {
            return CheckProjectPage(project, templateText, page);
          });
      return;
    }
  }
  panFindings->ShowFindings({});
}

void TfrmMain::GoToFinding(const FindingPlace& place) {
  using What = FindingPlace::What;
  switch (place.what) {
    case What::Title:
    case What::AffiliateLink: {
      ntbMain->setCurrentIndex(0);
      QLineEdit* field = place.what == What::Title ? edtTitlePage : edtAffiliateURL;
      field->setFocus(Qt::OtherFocusReason);
      field->selectAll();
      return;
    }
    case What::Template:
    case What::Page:
      // The template makes what the page holds beyond the items.
      ntbMain->setCurrentIndex(1);
      cbxTemplates->setFocus(Qt::OtherFocusReason);
      return;
    case What::Promo: break;
  }
  ntbMain->setCurrentIndex(2 + static_cast<int>(place.kind));
  QListWidget* list = PageOf(place.kind).list;
  const int row = static_cast<int>(place.index);
  if (row < list->count()) list->setCurrentRow(row);
  list->setFocus(Qt::OtherFocusReason);
}

}  // namespace velmora
