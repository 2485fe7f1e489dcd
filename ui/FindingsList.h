#pragma once
// What the page check found, listed under "Generate Code" or under the live
// preview. Hidden while there is nothing to show; activating a finding asks
// to go to its place. A finding the user means can be marked as intended:
// it stays listed, dimmed, and is no longer counted.

#include <QThreadPool>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "generator/PageCheck.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace velmora {

class FindingsList : public QWidget {
public:
  // `shortcut`: the caption and the button take Alt+F and Alt+A (one list per window may).
  explicit FindingsList(QWidget* parent = nullptr, bool shortcut = true);
  ~FindingsList() override;

  // Replaces the list, unless it shows these findings already; no findings hide it.
  void ShowFindings(std::vector<Finding> findings);
  // Runs `check` off the window's thread and shows what it finds, unless a
  // later check or ShowFindings came first: typing never waits for a check,
  // and a page that has changed since never shows its old findings.
  void CheckInBackground(std::function<std::vector<Finding>()> check);
  const std::vector<Finding>& Findings() const { return findings_; }
  // The findings whose keys stand in `intended` are shown as intended, the others not.
  void ApplyIntended(const std::vector<std::string>& intended);
  // Another list shows the same findings: this one keeps them, hidden.
  void ListHere(bool here);
  // The list grows with its findings up to this many rows, then scrolls
  // (0: it takes the room it is given).
  void SetRowsShown(int rows) { rowsShown_ = rows; }
  // Runs on a double click or Enter on a finding.
  void OnActivated(std::function<void(const Finding&)> handler) { activated_ = std::move(handler); }
  // Runs when the user marks a finding as intended, or takes the mark away.
  void OnIntendedChanged(std::function<void(const std::string& key, bool intended)> handler) {
    intendedChanged_ = std::move(handler);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Show(std::vector<Finding> findings);
  void ShowRow(int row);
  void ShowCaption();
  void FollowSelection();
  void ToggleIntended();
  void ShowMenu(const QPoint& at);
  int SelectedRow() const;
  void FitRows();

  bool shortcut_ = true;
  bool here_ = true;
  int rowsShown_ = 0;
  QLabel* caption_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* intended_ = nullptr;
  std::vector<Finding> findings_;
  std::function<void(const Finding&)> activated_;
  std::function<void(const std::string&, bool)> intendedChanged_;
  std::uint64_t serial_ = 0;  // of the newest check asked for
  QThreadPool checks_;        // last: gone first, after a running check ends
};

}  // namespace velmora
