// The live preview beside the wizard, and its toolbar button.
#include <QComboBox>
#include <QDockWidget>
#include <QPushButton>
#include <QScreen>

#include "generator/PagePreview.h"
#include "platform/QtText.h"
#include "ui/FindingsList.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"
#include "ui/pages/TemplatePage.h"

namespace velmora {

namespace {

constexpr int kPreviewPanelWidth = 480;

}  // namespace

void MainWindow::TogglePreview(bool show) {
  if (!previewPanel_) {
    if (!show) return;
    auto* dock = new QDockWidget(QStringLiteral("Preview"), this);
    dock->setObjectName(QStringLiteral("dckPreview"));
    dock->setFeatures(QDockWidget::DockWidgetClosable);
    dock->setAllowedAreas(Qt::RightDockWidgetArea);
    auto* pane = new PreviewPane(
        [this] {
          PreviewPane::Source page;
          // Relative addresses lead where they will once the page is saved.
          page.folder = FromPath(OutputFolderChoice());
          page.pictures = PreviewPane::LocalPictures(project_.Banners, page.folder);
          page.mark = PreviewMark();
          PreviewToCheck preview =
              PreviewPageToCheck(project_, templatePage_->Chosen(), places_.TemplateFolders(), page.mark);
          if (preview.templateText) {
            // Checked off this thread, on copies, so typing never waits for it.
            previewFindings_->CheckInBackground(
                [project = project_, templateText = std::move(*preview.templateText), page = preview.page] {
                  return CheckProjectPage(project, templateText, Unmarked(page, PreviewMark()));
                });
          } else {
            previewFindings_->ShowFindings({});
          }
          page.text = std::move(preview.page);
          return page;
        },
        [this](const QString& url) { Shell().OpenUrl(FromQString(url)); }, dock);
    pane->setMinimumWidth(320);
    // What the page check finds follows the page as it changes.
    previewFindings_ = new FindingsList(pane, false);
    previewFindings_->setObjectName(QStringLiteral("panPreviewFindings"));
    previewFindings_->SetRowsShown(3);
    previewFindings_->OnActivated([this](const FindingPlace& place) { GoToFinding(place); });
    pane->AddBelow(previewFindings_);
    dock->setWidget(pane);
    connect(this, &MainWindow::ProjectChanged, pane, &PreviewPane::ScheduleRefresh);
    connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
      // Closing the panel by its own button releases the toolbar button too.
      if (!visible && !isMinimized() && previewButton_->isChecked() && !previewPanel_->isVisible()) {
        const QSignalBlocker quiet(previewButton_);
        previewButton_->setChecked(false);
      }
    });
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    previewPanel_ = dock;
  }
  if (show == previewPanel_->isVisible()) return;
  // The wizard keeps its room: the window grows by the panel, as far as the screen allows.
  const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
  if (show) {
    // Shrinking the window then takes from the panel, never below what the wizard's captions need.
    centralWidget()->setMinimumWidth(centralWidget()->minimumSizeHint().width());
    previewPanel_->show();
    if (!isMaximized() && !isFullScreen() && screen.isValid()) {
      const int wanted = std::min(width() + kPreviewPanelWidth, screen.width() - (frameGeometry().width() - width()));
      if (wanted > width()) resize(wanted, height());
      QRect frame = frameGeometry();
      if (frame.right() > screen.right()) frame.moveRight(screen.right());
      if (frame.left() < screen.left()) frame.moveLeft(screen.left());
      move(frame.topLeft());
    }
    resizeDocks({previewPanel_.data()}, {std::max(kPreviewPanelWidth - 20, width() - minimumSizeHint().width())},
                Qt::Horizontal);
  } else {
    const int panel = previewPanel_->width();
    previewPanel_->hide();
    if (!isMaximized() && !isFullScreen()) resize(std::max(minimumWidth(), width() - panel), height());
  }
  if (previewButton_->isChecked() != show) {
    const QSignalBlocker quiet(previewButton_);
    previewButton_->setChecked(show);
  }
}

}  // namespace velmora
