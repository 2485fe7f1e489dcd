#include "ui/NewsWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QTimer>
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

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("splitter"));
  splitter_->setHandleWidth(10);
  splitter_->setChildrenCollapsible(false);

  list_ = new NewsListView(splitter_);
  list_->setObjectName(QStringLiteral("lvwItems"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("News Title"), QStringLiteral("Published")});
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setMinimumHeight(10);
  QHeaderView* header = list_->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->setSectionResizeMode(1, QHeaderView::Fixed);
  header->resizeSection(1, 160);
  // The selected row stays marked when the text view has the focus.
  QPalette palette = list_->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  list_->setPalette(palette);
  // The selection stays while a text is loading.
  list_->refuseChanges = [this] { return Busy(); };
  connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { RunGuarded(this, [this] { OpenSelectedItem(); }); });

  text_ = new QTextBrowser(splitter_);
  text_->setObjectName(QStringLiteral("prfEditorNews"));
  text_->setReadOnly(true);
  text_->setOpenLinks(false);
  connect(text_, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { shell_.OpenUrl(FromQString(url.toString())); });

  splitter_->addWidget(list_);
  splitter_->addWidget(text_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  layout->addWidget(splitter_, 1);

  auto* bottomArea = new QWidget(this);
  bottomArea->setObjectName(QStringLiteral("panBottom"));
  bottomArea->setFixedHeight(41);
  auto* bottom = new QHBoxLayout(bottomArea);
  bottom->setContentsMargins(0, 0, 0, 0);
  auto* closeButton = new QPushButton(QStringLiteral("Close"), bottomArea);
  closeButton->setObjectName(QStringLiteral("btnExit"));
  closeButton->setFixedSize(97, 20);
  closeButton->setAutoDefault(false);
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  bottom->addStretch(1);
  bottom->addWidget(closeButton);
  bottom->addStretch(1);
  layout->addWidget(bottomArea);

  resize(682, 411);
  const int textHeight = 411 - 41 - 105 - splitter_->handleWidth();
  splitter_->setSizes({105, textHeight});
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
  FillList();
}

void NewsWindow::FillList() {
  const QSignalBlocker quiet(list_);
  list_->clear();
  const std::vector<NewsRow> rows = NewsRows(newsList_);
  for (const auto& row : rows) {
    auto* item = new QTreeWidgetItem(list_, {ToQString(row.title), ToQString(row.date)});
    item->setData(0, Qt::UserRole, ToQString(row.id));
  }
  list_->setCurrentItem(nullptr);
  list_->clearSelection();
  // Opened on the newest item, so the pane is never empty when there is news.
  if (const auto newest = NewestNewsRow(rows)) {
    QTimer::singleShot(0, this, [this, row = static_cast<int>(*newest)] {
      if (QTreeWidgetItem* item = list_->topLevelItem(row)) list_->setCurrentItem(item);
    });
  }
}

void NewsWindow::OpenSelectedItem() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty() || Busy()) return;
  const std::string id = FromQString(selected.first()->data(0, Qt::UserRole).toString());
  SetBusyCursor(true);
  // The opener is this window's own: once the window goes, it calls nothing.
  opener_.Open(id, [this](std::optional<NewsItemOpener::Opened> opened) {
    RunGuarded(this, [&] {
      SetBusyCursor(false);
      if (opened) text_->setHtml(ToQString(opened->html));
    });
  });
}

void NewsWindow::SetBusyCursor(bool busy) {
  for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(list_), list_->viewport(),
                          static_cast<QWidget*>(text_), text_->viewport()}) {
    if (busy) {
      widget->setCursor(Qt::WaitCursor);
    } else {
      widget->unsetCursor();
    }
  }
}

void NewsWindow::done(int result) {
  // A cancelled request says nothing, so the user hears no trouble for a
  // text that was still loading.
  if (Busy()) http_.Disconnect();
  QDialog::done(result);
}

}  // namespace velmora
