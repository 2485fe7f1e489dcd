#pragma once
// The one entry a promo list box has selected, as a row, or -1.

#include <QListWidget>

namespace velmora {

inline int SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

}  // namespace velmora
