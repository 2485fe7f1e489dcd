// Editing promos in place, reordering them, their keys, and the watch that
// tells the preview when the page would come out differently.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include "platform/QtText.h"
#include "ui/BannerPreview.h"
#include "ui/FMain.h"
#include "ui/PromoListRows.h"

namespace velmora {

namespace {

const QString kCreateCaption = QStringLiteral("&Create Ad");
const QString kUpdateCaption = QStringLiteral("&Update Ad");

QPushButton* NamedButton(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

void TfrmMain::AddEditControls(PromoKind kind, QWidget* page, QHBoxLayout* buttons, std::vector<QWidget*>& tabOrder) {
  PromoPage& promoPage = PageOf(kind);
  // "btnCreateProm" gives "Prom", "btnAddSignature" gives "Signature": each page's buttons share a stem.
  const QString create = promoPage.create->objectName();
  const QString stem = create.mid(create.startsWith(QStringLiteral("btnAdd")) ? 6 : 9);
  promoPage.edit = NamedButton(QStringLiteral("&Edit Ad"), QStringLiteral("btnEdit") + stem, page);
  promoPage.moveUp = NamedButton(QStringLiteral("Move Up"), QStringLiteral("btnMoveUp") + stem, page);
  promoPage.moveDown = NamedButton(QStringLiteral("Move Down"), QStringLiteral("btnMoveDown") + stem, page);
  promoPage.edit->setToolTip(QStringLiteral("Put the selected promo back into the fields (double click)"));
  promoPage.moveUp->setToolTip(QStringLiteral("Move the selected promo up (Alt+Up)"));
  promoPage.moveDown->setToolTip(QStringLiteral("Move the selected promo down (Alt+Down)"));
  promoPage.create->setToolTip(QStringLiteral("Escape leaves editing without a change"));
  // After "Create Ad" and "Delete Ad", before the stretch that ends the row.
  const int stretch = buttons->count() - 1;
  buttons->insertWidget(stretch, promoPage.edit);
  buttons->insertWidget(stretch + 1, promoPage.moveUp);
  buttons->insertWidget(stretch + 2, promoPage.moveDown);
  // Tab reaches them after "Delete Ad", before the list box.
  const auto listStop = std::find(tabOrder.begin(), tabOrder.end(), promoPage.list);
  tabOrder.insert(listStop, {promoPage.edit, promoPage.moveUp, promoPage.moveDown});

  connect(promoPage.edit, &QPushButton::clicked, this, [this, kind] { EditPromo(kind); });
  connect(promoPage.moveUp, &QPushButton::clicked, this, [this, kind] { MovePromo(kind, -1); });
  connect(promoPage.moveDown, &QPushButton::clicked, this, [this, kind] { MovePromo(kind, +1); });

  QListWidget* list = promoPage.list;
  connect(list, &QListWidget::itemDoubleClicked, this, [this, kind] { EditPromo(kind); });
  auto* remove = new QShortcut(QKeySequence::Delete, list, nullptr, nullptr, Qt::WidgetShortcut);
  connect(remove, &QShortcut::activated, this, [this, kind] { DeletePromo(kind); });
  auto* up = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), page, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(up, &QShortcut::activated, this, [this, kind] { MovePromo(kind, -1); });
  auto* down =
      new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), page, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(down, &QShortcut::activated, this, [this, kind] { MovePromo(kind, +1); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), page, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [this, kind] { CancelEditPromo(kind); });

  // The buttons say what a press would do to the selected entry.
  auto follow = [this, kind] {
    const PromoPage& p = PageOf(kind);
    const int row = SelectedRow(p.list);
    p.edit->setEnabled(row >= 0);
    p.moveUp->setEnabled(row > 0);
    p.moveDown->setEnabled(row >= 0 && row + 1 < p.list->count());
  };
  connect(list, &QListWidget::itemSelectionChanged, this, follow);
  connect(list->model(), &QAbstractItemModel::rowsInserted, this, follow);
  connect(list->model(), &QAbstractItemModel::rowsRemoved, this, follow);
  connect(list->model(), &QAbstractItemModel::modelReset, this, follow);
  follow();
}

void TfrmMain::SetPromoInput(PromoKind kind, const PromoInput& input) {
  switch (kind) {
    case PromoKind::Anchors: edtAchorText->setText(ToQString(input.text)); break;
    case PromoKind::Banners: edtImageUrl->setText(ToQString(input.text)); break;
    case PromoKind::PPC:
      edtPPCTitle->setText(ToQString(input.text));
      memPPCBody->setPlainText(ToMultiline(input.body));
      edtPPCLink->setText(ToQString(input.link));
      break;
    case PromoKind::Signatures: memSignature->setPlainText(ToMultiline(input.text)); break;
    case PromoKind::Email: memEmail->setPlainText(ToMultiline(input.text)); break;
    case PromoKind::AutoEmail: memAutoEmail->setPlainText(ToMultiline(input.text)); break;
    case PromoKind::Articles: memArticle->setPlainText(ToMultiline(input.text)); break;
    case PromoKind::PopUps: memPopUp->setPlainText(ToMultiline(input.text)); break;
  }
}

void TfrmMain::EditPromo(PromoKind kind) {
  if (!AffManager) return;
  PromoPage& promoPage = PageOf(kind);
  const int row = SelectedRow(promoPage.list);
  const std::optional<PromoInput> input = Promos.EditInput(*AffManager, kind, row);
  if (!input) return;
  // A second "Edit Ad" switches items; Escape still goes back to the very first inputs.
  if (promoPage.editingRow < 0) promoPage.inputsBefore = PromoInputOf(kind);
  promoPage.editingRow = row;
  SetPromoInput(kind, *input);
  promoPage.create->setText(kUpdateCaption);
  // Typing goes on at the end of the first input: editing, not retyping.
  QWidget* first = FirstPromoInput(kind);
  first->setFocus(Qt::OtherFocusReason);
  if (auto* field = qobject_cast<QLineEdit*>(first)) field->end(false);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(first)) memo->moveCursor(QTextCursor::End);
}

QWidget* TfrmMain::FirstPromoInput(PromoKind kind) const {
  switch (kind) {
    case PromoKind::Anchors: return edtAchorText;
    case PromoKind::PPC: return edtPPCTitle;
    case PromoKind::Banners: return edtImageUrl;
    case PromoKind::Signatures: return memSignature;
    case PromoKind::Email: return memEmail;
    case PromoKind::AutoEmail: return memAutoEmail;
    case PromoKind::Articles: return memArticle;
    case PromoKind::PopUps: return memPopUp;
  }
  return nullptr;
}

void TfrmMain::UpdatePromo(PromoKind kind) {
  if (!AffManager) return;
  PromoPage& promoPage = PageOf(kind);
  const PromoChange change = Promos.Update(*AffManager, kind, promoPage.editingRow, PromoInputOf(kind), Messages());
  if (change.what != PromoChange::What::Replaced) return;
  {
    const QSignalBlocker quiet(promoPage.list);
    promoPage.list->item(change.row)->setText(ToQString(Promos.Entries(kind)[static_cast<std::size_t>(change.row)]));
    promoPage.list->setCurrentRow(change.row);
  }
  LeaveEditing(kind);
  ShowPromo(kind);
  emit ProjectChanged();
}

void TfrmMain::CancelEditPromo(PromoKind kind) {
  PromoPage& promoPage = PageOf(kind);
  if (promoPage.editingRow < 0) return;
  SetPromoInput(kind, promoPage.inputsBefore);
  LeaveEditing(kind);
}

void TfrmMain::LeaveEditing(PromoKind kind) {
  PromoPage& promoPage = PageOf(kind);
  promoPage.editingRow = -1;
  promoPage.inputsBefore = {};
  promoPage.create->setText(kCreateCaption);
}

void TfrmMain::MovePromo(PromoKind kind, int offset) {
  if (!AffManager) return;
  PromoPage& promoPage = PageOf(kind);
  const PromoChange change = Promos.Move(*AffManager, kind, SelectedRow(promoPage.list), offset);
  if (change.what != PromoChange::What::Moved) return;
  {
    const QSignalBlocker quiet(promoPage.list);
    QListWidgetItem* item = promoPage.list->takeItem(change.from);
    promoPage.list->insertItem(change.row, item);
    promoPage.list->setCurrentRow(change.row);
  }
  // The item being edited may have been one of the two.
  if (promoPage.editingRow == change.from)
    promoPage.editingRow = change.row;
  else if (promoPage.editingRow == change.row)
    promoPage.editingRow = change.from;
  emit promoPage.list->itemSelectionChanged();
  emit ProjectChanged();
}

void TfrmMain::PromoRemoved(PromoKind kind, int row) {
  PromoPage& promoPage = PageOf(kind);
  if (kind == PromoKind::Banners) EmbeddedWB1->Clear();
  // Deleting the edited item ends editing; its text stays in the inputs for a new promo.
  if (promoPage.editingRow == row)
    LeaveEditing(kind);
  else if (promoPage.editingRow > row)
    --promoPage.editingRow;
}

void TfrmMain::WatchProjectChanges() {
  // The list boxes follow the promo lists, the fields the title and links:
  // watching them catches creating, deleting, loading and typing alike.
  for (QLineEdit* field : {edtTitlePage, edtAffiliateURL, edtClickbankID})
    connect(field, &QLineEdit::textChanged, this, &TfrmMain::ProjectChanged);
  connect(cbxTemplates, &QComboBox::currentTextChanged, this, &TfrmMain::ProjectChanged);
  for (PromoKind kind : kPromoKinds) {
    QAbstractItemModel* model = PageOf(kind).list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &TfrmMain::ProjectChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TfrmMain::ProjectChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &TfrmMain::ProjectChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &TfrmMain::ProjectChanged);
  }
}

}  // namespace velmora
