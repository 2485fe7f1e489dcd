// The page check after "Generate Code" and beside the live preview, and the
// way from a finding to the wizard page of its item.
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
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
      // The check reads copies: the project may change while it runs.
      finishPage_->CheckInBackground([project = WithPictureAddresses(project_, pictures),
                                      templateText = std::move(*templateText), page = *page] {
        return CheckProjectPage(project, templateText, page);
      });
      return;
    }
  }
  finishPage_->ShowFindings({});
}

void MainWindow::GoToFinding(const FindingPlace& place) {
  using What = FindingPlace::What;
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
      ShowPage(templatePage_);
      templatePage_->FocusChoice();
      return;
    case What::Promo:
      break;
  }
  PromoPage& page = PromoPageOf(place.kind);
  ShowPage(&page);
  page.GoToEntry(static_cast<int>(place.index));
}

}  // namespace velmora
