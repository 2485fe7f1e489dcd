#include "ui/pages/PromoPage.h"

#include <QApplication>
#include <QDataStream>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "platform/QtText.h"
#include "project/ProjectEdit.h"
#include "ui/BannerPreview.h"
#include "ui/pages/BannerPage.h"
#include "ui/pages/LinePromoPage.h"
#include "ui/pages/PageParts.h"
#include "ui/pages/PostPage.h"
#include "ui/pages/PpcAdPage.h"
#include "ui/pages/TextPromoPage.h"

namespace velmora {

namespace {

// What a list box puts on the drag of its own entries.
const QString kEntryDrag = QStringLiteral("application/x-qabstractitemmodeldatalist");

// The row of the one entry a drag carries, or -1 when it carries something else.
int DraggedRow(const QMimeData* data, const QListWidget& list) {
  if (!data || !data->hasFormat(kEntryDrag)) return -1;
  QByteArray bytes = data->data(kEntryDrag);
  QDataStream stream(&bytes, QIODevice::ReadOnly);
  int row = -1;
  int column = -1;
  QMap<int, QVariant> roles;
  stream >> row >> column >> roles;
  if (stream.status() != QDataStream::Ok || !stream.atEnd() || row < 0 || row >= list.count()) return -1;
  // Entries dragged from another list are not ours to move.
  if (roles.value(Qt::DisplayRole).toString() != list.item(row)->text()) return -1;
  return row;
}

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
  // Alt+E opens the Edit menu.
  edit_ = button(QStringLiteral("Ed&it"), "EditButton",
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
  // Entries are dragged to their new place; the drop asks the window, so
  // the promo list moves first and the list box follows it.
  list_->setDragDropMode(QAbstractItemView::InternalMove);
  list_->setDefaultDropAction(Qt::MoveAction);
  list_->viewport()->installEventFilter(this);
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

void PromoPage::Follow(const ItemEdit& made, const std::vector<PromoEntry>& entries) {
  const int expected = list_->count() + (made.what == ItemEdit::What::Insert ? 1 : 0) -
                       (made.what == ItemEdit::What::Remove ? 1 : 0);
  const auto rowFits = [this](int row, int extra) { return row >= 0 && row < list_->count() + extra; };
  const bool fits = static_cast<int>(entries.size()) == expected &&
                    rowFits(made.row, made.what == ItemEdit::What::Insert ? 1 : 0) &&
                    (made.what != ItemEdit::What::Move || rowFits(made.to, 0));
  if (!fits) {
    ShowEntries(entries);
  } else {
    const QSignalBlocker quiet(list_);
    const auto entryAt = [&entries](int row) -> const PromoEntry& { return entries.at(static_cast<std::size_t>(row)); };
    switch (made.what) {
      case ItemEdit::What::Insert: {
        // Filled before it joins the list, so the list changes once.
        auto* entry = new QListWidgetItem;
        ShowEntry(*entry, entryAt(made.row));
        list_->insertItem(made.row, entry);
        break;
      }
      case ItemEdit::What::Remove: delete list_->takeItem(made.row); break;
      case ItemEdit::What::Replace: ShowEntry(*list_->item(made.row), entryAt(made.row)); break;
      case ItemEdit::What::Move: list_->insertItem(made.to, list_->takeItem(made.row)); break;
    }
  }
  if (editingRow_ >= 0) {
    // Removing the edited item ends editing; its text stays in the inputs for a new promo.
    editingRow_ = RowAfter(made, editingRow_);
    if (editingRow_ < 0) EndEditing();
  }
  // The text stays for the next promo; selected, it gives way to new typing
  // instead of running on into it.
  if (made.what == ItemEdit::What::Insert)
    if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget()); field && isAncestorOf(field))
      field->selectAll();
}

void PromoPage::SelectEntry(int row, bool focusList) {
  {
    const QSignalBlocker quiet(list_);
    if (row >= 0 && row < list_->count()) {
      list_->setCurrentRow(row);
      list_->scrollToItem(list_->item(row));
    } else {
      list_->clearSelection();
      list_->setCurrentRow(-1);
    }
  }
  FollowSelection();
  if (focusList) list_->setFocus(Qt::OtherFocusReason);
  if (SelectedRow() >= 0) {
    emit itemChosen();
    return;
  }
  ClearItem();
  if (details_) details_->clear();
}

bool PromoPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != list_->viewport()) return WizardPage::eventFilter(watched, event);
  if (event->type() == QEvent::DragEnter) {
    // The list box takes only drags whose source it knows to be itself; a
    // drag of its own entry whose source is not known here is taken too.
    auto* enter = static_cast<QDragEnterEvent*>(event);
    if (enter->source() == list_ || DraggedRow(enter->mimeData(), *list_) < 0) return false;
    enter->acceptProposedAction();
    return true;
  }
  if (event->type() != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const int from = DraggedRow(drop->mimeData(), *list_);
  if (from < 0) return false;
  // Dropped on the upper half of an entry: before it; on the lower half or below the last: after it.
  const QPoint at = drop->position().toPoint();
  const QModelIndex onto = list_->indexAt(at);
  int before = list_->count();
  if (onto.isValid()) before = at.y() > list_->visualRect(onto).center().y() ? onto.row() + 1 : onto.row();
  const int to = before > from ? before - 1 : before;
  // No move for the list box itself: after a move it would remove the
  // dragged entry, and an internal drag allows nothing but a move.
  drop->setDropAction(Qt::IgnoreAction);
  drop->accept();
  if (to != from) emit dragRequested(from, to);
  return true;
}

void PromoPage::OfferPastedLines(QLineEdit* field) {
  // Connected before the field keeps itself on one line, so it still sees the line breaks.
  auto shown = std::make_shared<QString>(field->text());
  connect(field, &QLineEdit::textChanged, this, [this, field, shown](const QString& text) {
    const QString before = std::exchange(*shown, text);
    if (!takeLines_ || (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))) return;
    // What was pasted (or dropped) is what differs from the text before.
    qsizetype head = 0;
    while (head < before.size() && head < text.size() && before[head] == text[head]) ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < text.size() - head &&
           before[before.size() - 1 - tail] == text[text.size() - 1 - tail])
      ++tail;
    std::vector<std::string> lines = ItemLines(FromQString(text.mid(head, text.size() - head - tail)));
    if (lines.size() < 2) return;
    // Asked once the paste is over; until then the field shows the lines joined.
    QTimer::singleShot(0, this, [this, field, before, lines = std::move(lines)] {
      if (takeLines_ && takeLines_(lines)) field->setText(before);
    });
  });
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
