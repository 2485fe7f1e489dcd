// The live preview beside the wizard, and its toolbar button.
#include <QComboBox>
#include <QDockWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <utility>

#include "generator/PageGenerator.h"
#include "generator/PagePreview.h"
#include "platform/QtText.h"
#include "ui/FindingsList.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"
#include "ui/pages/TemplatePage.h"

namespace velmora {

namespace {

constexpr int kPreviewPanelWidth = 480;  // at least; a wider page asks for more
constexpr int kCheckAfterShownMs = 150;

}  // namespace

void MainWindow::TogglePreview(bool show) {
  if (!previewPanel_) {
    if (!show) return;
    // The page shown comes of every step, and the wizard keeps the room all of them need.
    BuildAllPages();
    auto* dock = new QDockWidget(QStringLiteral("Preview"), this);
    dock->setObjectName(QStringLiteral("dckPreview"));
    dock->setFeatures(QDockWidget::DockWidgetClosable);
    dock->setAllowedAreas(Qt::RightDockWidgetArea);
    // The page check follows the page once the engine shows it, so that it
    // takes nothing from the keystroke that changed it.
    auto checkDue = std::make_shared<bool>(false);
    auto* pane = new PreviewPane(
        [this, checkDue] {
          PreviewPane::Source page;
          // Relative addresses lead where they will once the page is saved.
          page.folder = FromPath(OutputFolderChoice());
          page.pictures = PreviewPane::LocalPictures(project_.Banners, page.folder);
          page.mark = PreviewMark();
          PreviewToCheck preview =
              PreviewPageToCheck(project_, Pages().templates->Chosen(), places_.TemplateFolders(), page.mark);
          *checkDue = preview.templateText.has_value();
          if (!*checkDue) previewFindings_->ShowFindings({});
          page.text = std::move(preview.page);
          return page;
        },
        [this](const QString& url) { Shell().OpenUrl(FromQString(url)); }, dock);
    pane->setMinimumWidth(320);
    previewPane_ = pane;
    // What the page check finds follows the page as it changes.
    previewFindings_ = new FindingsList(pane, false);
    previewFindings_->setObjectName(QStringLiteral("panPreviewFindings"));
    previewFindings_->SetRowsShown(3);
    ConnectPreviewFindings(dock);
    pane->AddBelow(previewFindings_);
    dock->setWidget(pane);
    connect(this, &MainWindow::ProjectChanged, pane, &PreviewPane::ScheduleRefresh);
    const auto check = [this, checkDue] {
      if (!std::exchange(*checkDue, false)) return;
      // Off this thread, on copies, with the page made anew as it is saved.
      previewFindings_->CheckInBackground([project = project_, templateName = Pages().templates->Chosen(),
                                           folders = places_.TemplateFolders()] {
        const Result<std::string> templateText = LoadTemplate(templateName, folders);
        if (!templateText) return std::vector<Finding>{};
        const Result<std::string> page = FillPage(*templateText, project);
        return page ? CheckProjectPage(project, *templateText, *page) : std::vector<Finding>{};
      });
    };
    // A moment after the page is shown, while the engine draws it.
    auto* checkSoon = new QTimer(pane);
    checkSoon->setSingleShot(true);
    checkSoon->setInterval(kCheckAfterShownMs);
    connect(checkSoon, &QTimer::timeout, this, check);
    connect(pane, &PreviewPane::PageLoaded, checkSoon, qOverload<>(&QTimer::start));
    connect(pane, &PreviewPane::PageStopped, this, check);
    connect(pane, &PreviewPane::PageMade, this, [pane, check] {
      if (!pane->EngineStarted()) check();  // no engine to wait for
    });
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
    // Room for the page at its smallest readable scale, where the screen has it.
    const int panelWidth =
        std::max(kPreviewPanelWidth, qRound(PreviewPane::kSmallestZoom * previewPane_->PageWidth()) + 40);
    if (!restoringPreview_ && !isMaximized() && !isFullScreen() && screen.isValid()) {
      const int wanted = std::min(width() + panelWidth, screen.width() - (frameGeometry().width() - width()));
      if (wanted > width()) resize(wanted, height());
      QRect frame = frameGeometry();
      if (frame.right() > screen.right()) frame.moveRight(screen.right());
      if (frame.left() < screen.left()) frame.moveLeft(screen.left());
      move(frame.topLeft());
    }
    resizeDocks({previewPanel_.data()}, {std::max(panelWidth - 20, width() - minimumSizeHint().width())},
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
