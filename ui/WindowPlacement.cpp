#include "ui/WindowPlacement.h"

#include <algorithm>

namespace velmora {

QRect FitOnScreen(const QRect& frame, const QRect& available) {
  if (!available.isValid()) return frame;
  QRect fitted(frame.topLeft(), QSize(std::min(frame.width(), available.width()),
                                      std::min(frame.height(), available.height())));
  fitted.moveCenter(available.center());
  return fitted;
}

QRect KeepOnScreen(const QRect& frame, const QRect& available) {
  if (!available.isValid()) return frame;
  QRect kept(frame.topLeft(), frame.size().boundedTo(available.size()));
  if (kept.right() > available.right()) kept.moveRight(available.right());
  if (kept.bottom() > available.bottom()) kept.moveBottom(available.bottom());
  if (kept.left() < available.left()) kept.moveLeft(available.left());
  if (kept.top() < available.top()) kept.moveTop(available.top());
  return kept;
}

QSize FirstStartSize(const QSize& available, const QSize& minimum) {
  // About 60% by 75%: room for the wizard and, later, the preview beside it.
  const QSize share(available.width() * 3 / 5, available.height() * 3 / 4);
  return share.expandedTo(minimum).boundedTo(available);
}

}  // namespace velmora
