#include "ui/pages/PromoPage.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/BannerPreview.h"
#include "ui/pages/BannerPage.h"
#include "ui/pages/LinePromoPage.h"
#include "ui/pages/PageParts.h"
#include "ui/pages/PostPage.h"
#include "ui/pages/PpcAdPage.h"
#include "ui/pages/TextPromoPage.h"

namespace velmora {

namespace {


}  // namespace

PromoPage* PromoPage::ForKind(PromoKind kind, const PromoPageContext& context, QWidget* parent) {
  const PromoKindInfo& info = InfoOf(kind);
  switch (info.shape) {
    case PromoShape::Line:
      return new LinePromoPage(info, parent);
    case PromoShape::Text:
      return new TextPromoPage(info, parent);
    case PromoShape::PpcAd:
      return new PpcAdPage(info, parent);
    case PromoShape::Banner:
      return new BannerPage(info, context, parent);
    case PromoShape::Post:
      return new PostPage(info, context, parent);
  }
  return nullptr;
}

PromoPage::PromoPage(const PromoKindInfo& info, QWidget* parent)
    : WizardPage(Latin1(info.page.stem) + QStringLiteral("Page"), Latin1(info.page.heading), parent), info_(info) {}

PromoPage::~PromoPage() {
  // The list box outlives this destructor's body; its model must not reach
  // the buttons through a page that is half destroyed.
  if (list_) {
    list_->model()->disconnect(this);
    list_->disconnect(this);
  }
}

QString PromoPage::AddCaption() const { return QStringLiteral("&Add ") + Latin1(info_.page.itemCaption); }

QString PromoPage::NameOf(const char* part) const { return Latin1(info_.page.stem) + QString::fromLatin1(part); }

void PromoPage::FinishBuilding(std::vector<QWidget*> inputs, QWidget* view) {
  QVBoxLayout* layout = Layout();
  std::vector<QWidget*> tabOrder = std::move(inputs);

  auto button = [this](const QString& caption, const char* part, const QString& hint) {
    auto* created = Named(new QPushButton(caption, this), NameOf(part));
    created->setToolTip(hint);
    return created;
  };
  create_ = button(AddCaption(), "CreateButton", QStringLiteral("Escape leaves editing without a change"));
  delete_ = button(QStringLiteral("&Delete"), "DeleteButton", QString());
  edit_ = button(QStringLiteral("&Edit"), "EditButton",
                 QStringLiteral("Put the selected promo back into the fields (double click)"));
  moveUp_ = button(QStringLiteral("Move Up"), "MoveUpButton", QStringLiteral("Move the selected promo up (Alt+Up)"));
  moveDown_ =
      button(QStringLiteral("Move Down"), "MoveDownButton", QStringLiteral("Move the selected promo down (Alt+Down)"));
  auto* buttons = new QHBoxLayout;
  for (QPushButton* each : {create_, delete_, edit_, moveUp_, moveDown_}) {
    buttons->addWidget(each);
    tabOrder.push_back(each);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);

  auto* lower = new QGridLayout;
  list_ = Named(new QListWidget(this), NameOf("List"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  if (info_.shape == PromoShape::Banner) {
    // File names differ at their ends; each shows its picture beside it.
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setIconSize(BannerIconDelegate::kIconSize);
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new BannerIconDelegate(list_));
  }
  lower->addWidget(Caption(Latin1(info_.page.listCaption), this, list_), 0, 0);
  lower->addWidget(list_, 1, 0);
  lower->setColumnStretch(0, 1);
  tabOrder.push_back(list_);
  if (view) {
    lower->addWidget(Caption(Latin1(info_.page.detailsCaption), this), 0, 1);
    lower->addWidget(view, 1, 1);
    lower->setColumnStretch(1, 2);
  } else if (!info_.page.detailsCaption.empty()) {
    // Editing goes through the inputs ("Edit Ad"); the view only shows.
    details_ = Memo(NameOf("Details"), this);
    details_->setReadOnly(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lower->addWidget(Caption(Latin1(info_.page.detailsCaption), this, details_), 0, 1);
    lower->addWidget(details_, 1, 1);
    lower->setColumnStretch(1, 2);
    tabOrder.push_back(details_);
  }
  layout->addLayout(lower, 3);
  ChainTabOrder(tabOrder);

  connect(create_, &QPushButton::clicked, this, &PromoPage::createRequested);
  connect(delete_, &QPushButton::clicked, this, &PromoPage::deleteRequested);
  connect(edit_, &QPushButton::clicked, this, &PromoPage::editRequested);
  connect(moveUp_, &QPushButton::clicked, this, [this] { emit moveRequested(-1); });
  connect(moveDown_, &QPushButton::clicked, this, [this] { emit moveRequested(+1); });
  connect(list_, &QListWidget::itemDoubleClicked, this, &PromoPage::editRequested);
  // A click shows the entry; so does moving onto it with the keyboard.
  connect(list_, &QListWidget::itemSelectionChanged, this, &PromoPage::itemChosen);
  connect(list_, &QListWidget::itemClicked, this, &PromoPage::itemChosen);

  auto* remove = new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(remove, &QShortcut::activated, this, &PromoPage::deleteRequested);
  const auto pageKey = [this](const QKeySequence& keys) {
    return new QShortcut(keys, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  };
  connect(pageKey(QKeySequence(Qt::ALT | Qt::Key_Up)), &QShortcut::activated, this, [this] { emit moveRequested(-1); });
  connect(pageKey(QKeySequence(Qt::ALT | Qt::Key_Down)), &QShortcut::activated, this,
          [this] { emit moveRequested(+1); });
  connect(pageKey(QKeySequence(Qt::Key_Escape)), &QShortcut::activated, this, &PromoPage::CancelEditing);

  // The buttons say what a press would do to the selected entry; the list
  // box follows the promo list, so its changes are the project's.
  connect(list_, &QListWidget::itemSelectionChanged, this, &PromoPage::FollowSelection);
  QAbstractItemModel* model = list_->model();
  for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(model, rowsChanged, this, &PromoPage::FollowSelection);
    connect(model, rowsChanged, this, &WizardPage::edited);
  }
  connect(model, &QAbstractItemModel::modelReset, this, &PromoPage::FollowSelection);
  connect(model, &QAbstractItemModel::modelReset, this, &WizardPage::edited);
  connect(model, &QAbstractItemModel::rowsMoved, this, &WizardPage::edited);
  connect(model, &QAbstractItemModel::dataChanged, this, &WizardPage::edited);
  FollowSelection();
}

void PromoPage::FollowSelection() {
  const int row = SelectedRow();
  edit_->setEnabled(row >= 0);
  moveUp_->setEnabled(row > 0);
  moveDown_->setEnabled(row >= 0 && row + 1 < list_->count());
}

int PromoPage::SelectedRow() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void PromoPage::ShowEntry(QListWidgetItem& shown, const PromoEntry& entry) {
  shown.setText(ToQString(entry.label));
  // The whole address, or the label the list may cut short.
  shown.setToolTip(ToQString(entry.picture.empty() ? entry.label : entry.picture));
  if (!entry.picture.empty()) shown.setData(BannerIconDelegate::kPictureRole, ToQString(entry.picture));
}

void PromoPage::ShowEntries(const std::vector<PromoEntry>& entries) {
  const QSignalBlocker quiet(list_);
  list_->setUpdatesEnabled(false);
  list_->clear();
  QStringList labels;
  labels.reserve(static_cast<qsizetype>(entries.size()));
  for (const auto& entry : entries) labels.push_back(ToQString(entry.label));
  // One insertion for the whole list rather than one per entry; the rest
  // of each entry is set before the view first lays the rows out.
  list_->addItems(labels);
  {
    const QSignalBlocker unchanged(list_->model());
    for (std::size_t row = 0; row < entries.size(); ++row)
      ShowEntry(*list_->item(static_cast<int>(row)), entries[row]);
  }
  list_->setUpdatesEnabled(true);
}

void PromoPage::ItemCreated(const PromoChange& change, const std::vector<PromoEntry>& entries) {
  if (change.what == PromoChange::What::Appended) {
    const QSignalBlocker quiet(list_);
    // Filled before it joins the list, so the list changes once.
    auto* entry = new QListWidgetItem;
    ShowEntry(*entry, entries.back());
    list_->addItem(entry);
  } else if (change.what == PromoChange::What::Refilled) {
    ShowEntries(entries);
  } else {
    return;
  }
  // The text stays for the next promo; selected, it gives way to new typing
  // instead of running on into it.
  if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget()); field && isAncestorOf(field))
    field->selectAll();
}

void PromoPage::ItemDeleted(const PromoChange& change, const std::vector<PromoEntry>& entries) {
  if (change.what == PromoChange::What::Refilled) {
    ShowEntries(entries);
    ItemGone(change.row);
  } else if (change.what == PromoChange::What::Removed) {
    ItemGone(change.row);
    const QSignalBlocker quiet(list_);
    delete list_->takeItem(change.row);
    list_->clearSelection();
    list_->setCurrentRow(-1);
    if (details_) details_->clear();
  }
}

void PromoPage::ItemGone(int row) {
  ClearItem();
  // Deleting the edited item ends editing; its text stays in the inputs for a new promo.
  if (editingRow_ == row)
    EndEditing();
  else if (editingRow_ > row)
    --editingRow_;
}

void PromoPage::ItemUpdated(int row, const PromoEntry& entry) {
  {
    const QSignalBlocker quiet(list_);
    ShowEntry(*list_->item(row), entry);
    list_->setCurrentRow(row);
  }
  EndEditing();
}

void PromoPage::ItemMoved(int from, int to) {
  {
    const QSignalBlocker quiet(list_);
    QListWidgetItem* item = list_->takeItem(from);
    list_->insertItem(to, item);
    list_->setCurrentRow(to);
  }
  // The item being edited may have been one of the two.
  if (editingRow_ == from)
    editingRow_ = to;
  else if (editingRow_ == to)
    editingRow_ = from;
  FollowSelection();
  emit itemChosen();
}

void PromoPage::BeginEditing(int row, const PromoInput& input) {
  // A second "Edit Ad" switches items; Escape still goes back to the very first inputs.
  if (editingRow_ < 0) inputsBefore_ = Input();
  editingRow_ = row;
  SetInput(input);
  create_->setText(QStringLiteral("&Update ") + Latin1(info_.page.itemCaption));
  // Typing goes on at the end of the first input: editing, not retyping.
  QWidget* first = FirstInput();
  first->setFocus(Qt::OtherFocusReason);
  if (auto* field = qobject_cast<QLineEdit*>(first)) field->end(false);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(first)) memo->moveCursor(QTextCursor::End);
}

void PromoPage::CancelEditing() {
  if (editingRow_ < 0) return;
  SetInput(inputsBefore_);
  EndEditing();
}

void PromoPage::EndEditing() {
  editingRow_ = -1;
  inputsBefore_ = {};
  create_->setText(AddCaption());
}

void PromoPage::ShowItem(const std::string& shown) {
  if (details_) details_->setPlainText(ToMultiline(shown));
}

void PromoPage::ClearItem() {}

void PromoPage::GoToEntry(int row) {
  if (row < list_->count()) list_->setCurrentRow(row);
  list_->setFocus(Qt::OtherFocusReason);
}

void PromoPage::Reset() {
  ClearInputs();
  ShowEntries({});
  ClearItem();
  if (details_) details_->clear();
  EndEditing();
}

}  // namespace velmora
