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

}  // namespace velmora
