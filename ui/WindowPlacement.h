#pragma once
// Where a window goes on its screen: centred, and never partly off it.

#include <QRect>

namespace velmora {

// The frame `frame` moved (and shrunk, when it is larger than `available`)
// so that it lies wholly inside `available`, centred there.
QRect FitOnScreen(const QRect& frame, const QRect& available);

}  // namespace velmora
