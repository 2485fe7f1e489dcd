// The main window as a desktop window: its smallest usable size, its place
// on the screen and the order in which Tab visits its controls.
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStackedWidget>

#include "platform/QtPlaces.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"
#include "ui/WindowPlacement.h"
#include "ui/pages/WizardPage.h"

namespace velmora {

void MainWindow::ApplyWindowBehaviour() {
  // Tab goes top to bottom: toolbar, the steps, the page's own controls, "Back", "Next",
  // the links. Hidden pages are skipped by Qt, so all pages can share one chain.
  std::vector<QWidget*> chain;
  for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) chain.push_back(w);
  auto within = [&chain](const QWidget* area) {
    std::vector<QWidget*> found;
    for (QWidget* w : chain)
      if (area->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus)) found.push_back(w);
    return found;
  };
  std::vector<QWidget*> order = within(loadButton_->parentWidget());
  order.push_back(stepList_);
  // The pages built so far; the window orders them again once the rest are built.
  for (int step = 0; step < pageStack_->count(); ++step) {
    const auto controls = within(pageStack_->widget(step));
    order.insert(order.end(), controls.begin(), controls.end());
  }
  order.insert(order.end(), {backButton_, nextButton_, leftLink_, rightLink_});
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::FitMinimumSize() {
  // Every page usable: no caption cut, no field squeezed below its own minimum.
  QSize smallest = minimumSizeHint();
  for (QWidget* area : {pageStack_->parentWidget(), wizardScreen_})
    smallest = smallest.expandedTo(area->minimumSizeHint());
  if (!shown_) return setMinimumSize(smallest);
  // Pages built after the window was placed: it grows where it must, within its screen.
  const QSize before = size();
  setMinimumSize(smallest.boundedTo(RoomOnScreen()));
  if (size() == before || !screen() || isMaximized() || isFullScreen()) return;
  // A first start stays centred; a place the user left it at moves no more than it must.
  const QRect available = screen()->availableGeometry();
  const QRect frame = remembered_.geometry.isEmpty() ? FitOnScreen(frameGeometry(), available)
                                                     : KeepOnScreen(frameGeometry(), available);
  move(frame.topLeft());
}

QSize MainWindow::RoomOnScreen() const {
  const QScreen* screen = this->screen();
  if (!screen) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  return screen->availableGeometry().size() - (frameGeometry().size() - size());
}

void MainWindow::PlaceOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QSize frameExtra = frameGeometry().size() - size();
  // On a small screen (or a large scale factor) the window gives up some of its minimum rather than stand off it.
  const QSize room = RoomOnScreen();
  if (minimumWidth() > room.width() || minimumHeight() > room.height()) setMinimumSize(minimumSize().boundedTo(room));
  if (isMaximized() || isFullScreen()) return;
  QRect frame = frameGeometry();
  if (remembered_.geometry.isEmpty()) {
    frame.setSize(FirstStartSize(room, minimumSize()) + frameExtra);
    frame = FitOnScreen(frame, available);
  } else {
    frame = KeepOnScreen(frame, available);
  }
  resize(frame.size() - frameExtra);
  move(frame.topLeft());
}

void MainWindow::RestoreWindowState() {
  if (!remembered_.geometry.isEmpty() && !restoreGeometry(remembered_.geometry)) remembered_.geometry.clear();
}

void MainWindow::RestorePreviewState() {
  if (!remembered_.previewOpen) return;
  if (PreviewPane::Available()) {
    // The window was saved with the panel beside the wizard: it does not grow again.
    const QScopedValueRollback<bool> restoring(restoringPreview_, true);
    TogglePreview(true);
    if (!remembered_.docks.isEmpty()) restoreState(remembered_.docks);
  }
  if (previewPane_ && remembered_.previewWidth > 0) previewPane_->SetPageWidth(remembered_.previewWidth);
}

void MainWindow::RememberWindow() {
  WindowState state;
  state.geometry = saveGeometry();
  state.docks = saveState();
  state.previewOpen = previewPanel_ && previewPanel_->isVisible();
  state.previewWidth = previewPane_ ? previewPane_->PageWidth() : remembered_.previewWidth;
  RememberWindowState(places_, state);
}

}  // namespace velmora
