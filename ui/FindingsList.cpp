#include "ui/FindingsList.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "platform/QtText.h"

namespace velmora {

namespace {
Q_LOGGING_CATEGORY(lcFindings, "velmora.findings")
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
  caption_->setBuddy(list_);
  list_->viewport()->installEventFilter(this);
  layout->addWidget(caption_);
  layout->addWidget(list_, 1);
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int row = list_->row(item);
    if (activated_ && row >= 0 && static_cast<std::size_t>(row) < findings_.size())
      activated_(findings_[static_cast<std::size_t>(row)].where);
  });
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

void FindingsList::Show(std::vector<Finding> findings) {
  // The preview checks its page at every change; most changes leave the findings as they were.
  if (findings == findings_) return;
  findings_ = std::move(findings);
  list_->clear();
  for (const Finding& finding : findings_) {
    auto* item = new QListWidgetItem(ToQString(finding.Place() + ": " + finding.message), list_);
    item->setToolTip(ToQString(finding.code));
  }
  const auto count = findings_.size();
  // Alt+K reaches the list; the page itself was made all the same.
  QString found = count == 1 ? QStringLiteral("The p&age check found one thing")
                             : QStringLiteral("The p&age check found %1 things").arg(count);
  if (!shortcut_) found.remove(QLatin1Char('&'));
  caption_->setText(found +
                    QStringLiteral(" that may break or mislead once it is published. Double-click one, or press "
                                   "Enter, to go to it."));
  if (!findings_.empty()) list_->setCurrentRow(0);
  setVisible(!findings_.empty());
  FitRows();
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
