#pragma once
// What every promo page has, whatever the shape of its input: "Add <item>"
// (or "Update <item>" while an item is edited), "Delete", "Edit", the move
// buttons, the list box and, for most kinds, a view of the selected item.
// A class per shape adds the inputs; the kind's table row gives the words.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "project/PromoLists.h"
#include "ui/pages/WizardPage.h"

class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

class FileDialogPort;
struct ItemEdit;

// What a page may need beyond its kind.
struct PromoPageContext {
  FileDialogPort& dialogs;
  QString pictureFolder;  // where the first "Browse" opens
  std::function<void(const QString&)> pictureFolderUsed;  // remembered for the next run
  std::function<std::string()> affiliateLink;  // the project's link as it stands
};

class PromoPage : public WizardPage {
  Q_OBJECT

public:
  // The page for `kind`, of the class that serves its shape.
  static PromoPage* ForKind(PromoKind kind, const PromoPageContext& context, QWidget* parent);
  ~PromoPage() override;

  PromoKind Kind() const { return info_.kind; }
  // What the inputs hold, and setting them.
  virtual PromoInput Input() const = 0;
  virtual void SetInput(const PromoInput& input) = 0;
  int SelectedRow() const;
  // The item being edited, -1 while the inputs make a new one.
  int EditingRow() const { return editingRow_; }
  bool Editing() const { return editingRow_ >= 0; }

  // The list box follows what the model did.
  void ShowEntries(const std::vector<PromoEntry>& entries);
  // An edit just made to the kind's list (`entries` as they are now); the
  // item being edited keeps its place, or editing ends if it was removed.
  void Follow(const ItemEdit& made, const std::vector<PromoEntry>& entries);
  // Selects entry `row` and shows its item; -1: no entry selected, no item shown.
  void SelectEntry(int row, bool focusList = false);
  // The item's inputs go back into the fields for "Update Ad"; Escape puts
  // back what they held before the first "Edit Ad".
  void BeginEditing(int row, const PromoInput& input);
  void EndEditing();
  // Shows the selected item (CR LF line breaks, or a banner's address).
  virtual void ShowItem(const std::string& shown);
  // The item's place in the list, selected, with the keyboard on the list.
  void GoToEntry(int row);
  // A new project: inputs, list and view empty.
  void Reset();
  // Several lines pasted into a one-line input: `take` may add them as items
  // (true), and the input then goes back to what it held before the paste.
  void OnLinesPasted(std::function<bool(const std::vector<std::string>& lines)> take) { takeLines_ = std::move(take); }

signals:
  // "Add Article" or, while editing, "Update Article".
  void createRequested();
  void deleteRequested();
  void editRequested();
  void moveRequested(int offset);
  // An entry was dragged to another place in the list.
  void dragRequested(int from, int to);
  // Items made from outside the inputs (dropped or browsed pictures), added at once.
  void addRequested(const std::vector<PromoInput>& inputs);
  // An entry was selected or clicked: the view should show its item.
  void itemChosen();

protected:
  PromoPage(const PromoKindInfo& info, QWidget* parent);
  const PromoKindInfo& Info() const { return info_; }
  QString NameOf(const char* part) const;
  QString AddCaption() const;
  // After a shape's inputs (given in Tab order): the buttons, the list and
  // the view, `view` standing in for the detail memo where the shape shows
  // its items otherwise.
  void FinishBuilding(std::vector<QWidget*> inputs, QWidget* view = nullptr);
  // Empties the view of the selected item.
  virtual void ClearItem();
  virtual void ClearInputs() = 0;
  // Offers several pasted lines as items of their own (see OnLinesPasted).
  void OfferPastedLines(QLineEdit* field);

private:
  void CancelEditing();
  static void ShowEntry(QListWidgetItem& shown, const PromoEntry& entry);
  void FollowSelection();
  bool eventFilter(QObject* watched, QEvent* event) override;

  const PromoKindInfo& info_;
  QPushButton* create_ = nullptr;  // reads "Update Ad" while an item is edited
  QPushButton* delete_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* moveUp_ = nullptr;
  QPushButton* moveDown_ = nullptr;
  QListWidget* list_ = nullptr;
  QPlainTextEdit* details_ = nullptr;  // none where the shape shows items otherwise
  int editingRow_ = -1;
  PromoInput inputsBefore_;
  std::function<bool(const std::vector<std::string>&)> takeLines_;
};

}  // namespace velmora
