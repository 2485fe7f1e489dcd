#pragma once
// What the page check found, listed under "Generate Code" and under the live
// preview. Hidden while
// there is nothing to show; activating a finding asks to go to its place.

#include <QWidget>
#include <functional>
#include <vector>

#include "generator/PageCheck.h"

class QLabel;
class QListWidget;

namespace velmora {

class TFindingsList : public QWidget {
public:
  // `shortcut`: the caption gives Alt+K to the list (one list per window may).
  explicit TFindingsList(QWidget* parent = nullptr, bool shortcut = true);

  // Replaces the list, unless it shows these findings already; no findings hide it.
  void ShowFindings(std::vector<Finding> findings);
  const std::vector<Finding>& Findings() const { return findings_; }
  // The list grows with its findings up to this many rows, then scrolls
  // (0: it takes the room it is given).
  void SetRowsShown(int rows) { rowsShown_ = rows; }
  // Runs on a double click or Enter on a finding.
  void OnActivated(std::function<void(const FindingPlace&)> handler) { activated_ = std::move(handler); }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FitRows();

  bool shortcut_ = true;
  int rowsShown_ = 0;
  QLabel* caption_ = nullptr;
  QListWidget* list_ = nullptr;
  std::vector<Finding> findings_;
  std::function<void(const FindingPlace&)> activated_;
};

}  // namespace velmora
