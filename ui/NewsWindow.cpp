#include "ui/NewsWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/ErrorReport.h"
#include "platform/QtText.h"

namespace velmora {

QItemSelectionModel::SelectionFlags NewsListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
  if (refuseChanges && refuseChanges()) return QItemSelectionModel::NoUpdate;
  return QTreeWidget::selectionCommand(index, event);
}

QModelIndex NewsListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (refuseChanges && refuseChanges()) return currentIndex();
  return QTreeWidget::moveCursor(action, modifiers);
}

NewsWindow::NewsWindow(const NewsWindowContext& context, QWidget* parent)
    : QDialog(parent),
      http_(context.http),
      shell_(context.shell),
      newsList_(context.newsList),
      opener_(context.http, context.messages, context.brand, context.places) {
  setObjectName(QStringLiteral("frmNews"));
  setWindowTitle(QStringLiteral("News"));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(QStringLiteral("splitter"));
  splitter->setHandleWidth(10);
  splitter->setChildrenCollapsible(false);

  lvwItems = new NewsListView(splitter);
  lvwItems->setObjectName(QStringLiteral("lvwItems"));
  lvwItems->setColumnCount(2);
  lvwItems->setHeaderLabels({QStringLiteral("News Title"), QStringLiteral("Published")});
  lvwItems->setRootIsDecorated(false);
  lvwItems->setItemsExpandable(false);
  lvwItems->setUniformRowHeights(true);
  lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwItems->setMinimumHeight(10);
  QHeaderView* header = lvwItems->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->setSectionResizeMode(1, QHeaderView::Fixed);
  header->resizeSection(1, 160);
  // The selected row stays marked when the text view has the focus.
  QPalette palette = lvwItems->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  lvwItems->setPalette(palette);
  lvwItems->refuseChanges = [this] { return !lvwItemsChanging(); };
  connect(lvwItems, &QTreeWidget::itemSelectionChanged, this, [this] { RunGuarded(this, [this] { lvwItemsChange(); }); });

  prfEditorNews = new QTextBrowser(splitter);
  prfEditorNews->setObjectName(QStringLiteral("prfEditorNews"));
  prfEditorNews->setReadOnly(true);
  prfEditorNews->setOpenLinks(false);
  connect(prfEditorNews, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { shell_.OpenUrl(FromQString(url.toString())); });

  splitter->addWidget(lvwItems);
  splitter->addWidget(prfEditorNews);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  layout->addWidget(splitter, 1);

  panBottom = new QWidget(this);
  panBottom->setObjectName(QStringLiteral("panBottom"));
  panBottom->setFixedHeight(41);
  auto* bottom = new QHBoxLayout(panBottom);
  bottom->setContentsMargins(0, 0, 0, 0);
  btnExit = new QPushButton(QStringLiteral("Close"), panBottom);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setFixedSize(97, 20);
  btnExit->setAutoDefault(false);
  connect(btnExit, &QPushButton::clicked, this, &NewsWindow::btnExitClick);
  bottom->addStretch(1);
  bottom->addWidget(btnExit);
  bottom->addStretch(1);
  layout->addWidget(panBottom);

  resize(682, 411);
  const int textHeight = 411 - 41 - 105 - splitter->handleWidth();
  splitter->setSizes({105, textHeight});
}

NewsWindow::~NewsWindow() {
  if (Busy()) http_.Disconnect();
}

void NewsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (filled_) return;
  filled_ = true;
  if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  FormShow();
}

void NewsWindow::FormShow() {
  const QSignalBlocker quiet(lvwItems);
  lvwItems->clear();
  for (const auto& row : NewsRows(newsList_)) {
    auto* item = new QTreeWidgetItem(lvwItems, {ToQString(row.title), ToQString(row.date)});
    item->setData(0, Qt::UserRole, ToQString(row.id));
  }
  lvwItems->setCurrentItem(nullptr);
  lvwItems->clearSelection();
}

void NewsWindow::lvwItemsChange() {
  const QList<QTreeWidgetItem*> selected = lvwItems->selectedItems();
  if (selected.isEmpty() || Busy()) return;
  const std::string id = FromQString(selected.first()->data(0, Qt::UserRole).toString());
  SetBusyCursor(true);
  // The opener is this window's own: once the window goes, it calls nothing.
  opener_.Open(id, [this](std::optional<NewsItemOpener::Opened> opened) {
    RunGuarded(this, [&] {
      SetBusyCursor(false);
      if (opened) prfEditorNews->setHtml(ToQString(opened->html));
    });
  });
}

void NewsWindow::SetBusyCursor(bool busy) {
  for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(lvwItems), lvwItems->viewport(),
                          static_cast<QWidget*>(prfEditorNews), prfEditorNews->viewport()}) {
    if (busy) {
      widget->setCursor(Qt::WaitCursor);
    } else {
      widget->unsetCursor();
    }
  }
}

void NewsWindow::btnExitClick() { close(); }

void NewsWindow::done(int result) {
  // A cancelled request says nothing, so the user hears no trouble for a
  // text that was still loading.
  if (Busy()) http_.Disconnect();
  QDialog::done(result);
}

}  // namespace velmora
