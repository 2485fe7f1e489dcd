#include "ui/FindingsList.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "platform/QtText.h"

namespace velmora {

namespace {
Q_LOGGING_CATEGORY(lcFindings, "velmora.findings")

QString IntendedCaption(bool intended, bool shortcut) {
  QString caption = intended ? QStringLiteral("Unm&ark as intended") : QStringLiteral("M&ark as intended");
  if (!shortcut) caption.remove(QLatin1Char('&'));
  return caption;
}
}  // namespace

FindingsList::FindingsList(QWidget* parent, bool shortcut) : QWidget(parent), shortcut_(shortcut) {
  setObjectName(QStringLiteral("panFindings"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("lblFindings"));
  caption_->setWordWrap(true);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lvwFindings"));
  list_->setWordWrap(true);
  list_->setAlternatingRowColors(true);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Rows wrap to the list's width; there is nothing to scroll to the side.
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  caption_->setBuddy(list_);
  list_->viewport()->installEventFilter(this);
  intended_ = new QPushButton(IntendedCaption(false, shortcut_), this);
  intended_->setObjectName(QStringLiteral("btnMarkIntended"));
  intended_->setToolTip(QStringLiteral("A finding marked as intended stays listed, dimmed, and is no longer counted"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(intended_);
  layout->addWidget(caption_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int row = list_->row(item);
    // A copy: going there may check the page again and replace the list.
    if (activated_ && row >= 0 && static_cast<std::size_t>(row) < findings_.size())
      activated_(Finding(findings_[static_cast<std::size_t>(row)]));
  });
  connect(list_, &QListWidget::currentRowChanged, this, &FindingsList::FollowSelection);
  connect(list_, &QWidget::customContextMenuRequested, this, &FindingsList::ShowMenu);
  connect(intended_, &QPushButton::clicked, this, &FindingsList::ToggleIntended);
  // One check at a time; a newer one makes those waiting stale.
  checks_.setMaxThreadCount(1);
  hide();
}

FindingsList::~FindingsList() {
  checks_.clear();
  checks_.waitForDone();
}

void FindingsList::ShowFindings(std::vector<Finding> findings) {
  ++serial_;
  Show(std::move(findings));
}

void FindingsList::CheckInBackground(std::function<std::vector<Finding>()> check) {
  const std::uint64_t serial = ++serial_;
  checks_.clear();
  checks_.start([this, serial, check = std::move(check)] {
    std::vector<Finding> findings;
    try {
      findings = check();
    } catch (const std::exception& error) {
      // The page is made and shown all the same; only its check is missing.
      qCWarning(lcFindings, "The page check failed: %s", error.what());
      return;
    }
    // Queued to this list's thread, where serial_ lives; a list gone by
    // then takes its queued calls with it.
    QMetaObject::invokeMethod(
        this,
        [this, serial, findings = std::move(findings)]() mutable {
          if (serial == serial_) Show(std::move(findings));
        },
        Qt::QueuedConnection);
  });
}

void FindingsList::ApplyIntended(const std::vector<std::string>& intended) {
  MarkIntended(findings_, intended);
  for (int row = 0; row < list_->count(); ++row) ShowRow(row);
  ShowCaption();
  FollowSelection();
}

void FindingsList::Show(std::vector<Finding> findings) {
  // The preview checks its page at every change; most changes leave the findings as they were.
  if (findings == findings_) return;
  // The selection stays on its finding while the list is checked again around it.
  const int selected = SelectedRow();
  const std::string selectedKey = selected >= 0 ? findings_[static_cast<std::size_t>(selected)].key : std::string();
  findings_ = std::move(findings);
  const QSignalBlocker quiet(list_);
  list_->clear();
  int current = -1;
  for (std::size_t i = 0; i < findings_.size(); ++i) {
    new QListWidgetItem(list_);
    ShowRow(static_cast<int>(i));
    const bool same = !selectedKey.empty() && findings_[i].key == selectedKey;
    if (same || (current < 0 && !findings_[i].intended)) current = static_cast<int>(i);
  }
  if (current < 0 && !findings_.empty()) current = 0;
  list_->setCurrentRow(current);
  ShowCaption();
  FollowSelection();
  setVisible(here_ && !findings_.empty());
  FitRows();
}

void FindingsList::ListHere(bool here) {
  here_ = here;
  setVisible(here_ && !findings_.empty());
  FitRows();
}

void FindingsList::ShowRow(int row) {
  const Finding& finding = findings_[static_cast<std::size_t>(row)];
  QListWidgetItem* item = list_->item(row);
  const QString text = ToQString(finding.Place() + ": " + finding.message);
  item->setText(text);
  QFont font = list_->font();
  font.setItalic(finding.intended);
  item->setFont(font);
  if (finding.intended) {
    item->setForeground(list_->palette().brush(QPalette::Disabled, QPalette::Text));
    item->setToolTip(ToQString(finding.code) + QStringLiteral(", marked as intended"));
    item->setData(Qt::AccessibleTextRole, QStringLiteral("Marked as intended. ") + text);
  } else {
    item->setData(Qt::ForegroundRole, QVariant());
    item->setToolTip(ToQString(finding.code));
    item->setData(Qt::AccessibleTextRole, QVariant());
  }
}

void FindingsList::ShowCaption() {
  const std::size_t count = CountToLookAt(findings_);
  const std::size_t intended = findings_.size() - count;
  // Alt+D reaches the list; the page itself was made all the same.
  QString found;
  if (count == 0) {
    found = QStringLiteral("Everything the page check foun&d is marked as intended.");
  } else {
    found = count == 1 ? QStringLiteral("The page check foun&d one thing")
                       : QStringLiteral("The page check foun&d %1 things").arg(count);
    found += QStringLiteral(" that may break or mislead once it is published");
    if (intended > 0) found += QStringLiteral(", besides %1 marked as intended").arg(intended);
    found += QStringLiteral(". Double-click one, or press Enter, to go to it.");
  }
  if (!shortcut_) found.remove(QLatin1Char('&'));
  caption_->setText(found);
}

int FindingsList::SelectedRow() const {
  const int row = list_->currentRow();
  return row >= 0 && static_cast<std::size_t>(row) < findings_.size() ? row : -1;
}

void FindingsList::FollowSelection() {
  const int row = SelectedRow();
  // A finding of a finished page alone has no project to keep the mark in.
  const bool markable = row >= 0 && !findings_[static_cast<std::size_t>(row)].key.empty();
  intended_->setEnabled(markable);
  intended_->setText(IntendedCaption(markable && findings_[static_cast<std::size_t>(row)].intended, shortcut_));
}

void FindingsList::ToggleIntended() {
  const int row = SelectedRow();
  if (row < 0) return;
  Finding& finding = findings_[static_cast<std::size_t>(row)];
  if (finding.key.empty()) return;
  finding.intended = !finding.intended;
  ShowRow(row);
  ShowCaption();
  FollowSelection();
  if (intendedChanged_) intendedChanged_(finding.key, finding.intended);
}

void FindingsList::ShowMenu(const QPoint& at) {
  QListWidgetItem* item = list_->itemAt(at);
  if (!item) item = list_->currentItem();
  if (!item) return;
  list_->setCurrentItem(item);
  const int row = SelectedRow();
  if (row < 0) return;
  QMenu menu(this);
  QAction* go = menu.addAction(QStringLiteral("Go to It"));
  menu.setDefaultAction(go);
  QAction* mark = menu.addAction(IntendedCaption(findings_[static_cast<std::size_t>(row)].intended, true));
  mark->setEnabled(intended_->isEnabled());
  // The Menu key asks with no pointer over the list: the menu opens at the row.
  const QPoint place = list_->itemAt(at) ? at : list_->visualItemRect(item).center();
  QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(place));
  if (chosen == go && activated_)
    activated_(Finding(findings_[static_cast<std::size_t>(row)]));
  else if (chosen == mark)
    ToggleIntended();
}

bool FindingsList::eventFilter(QObject* watched, QEvent* event) {
  // Wrapped rows change height with the width.
  if (watched == list_->viewport() && event->type() == QEvent::Resize) FitRows();
  return QWidget::eventFilter(watched, event);
}

void FindingsList::FitRows() {
  if (rowsShown_ <= 0 || findings_.empty() || !isVisible()) return;
  // The rows as laid out, wrapped to the list's width.
  list_->doItemsLayout();
  int height = 2 * list_->frameWidth();
  for (int row = 0; row < std::min(rowsShown_, list_->count()); ++row)
    height += list_->visualItemRect(list_->item(row)).height();
  list_->setFixedHeight(height);
}

}  // namespace velmora
