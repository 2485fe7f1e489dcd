#pragma once
// Where a window goes on its screen: centred, and never partly off it.

#include <QRect>

namespace velmora {

// The frame `frame` moved (and shrunk, when it is larger than `available`)
// so that it lies wholly inside `available`, centred there.
QRect FitOnScreen(const QRect& frame, const QRect& available);

// The frame as the user left it, moved (and shrunk) no more than it takes to
// lie wholly inside `available`: a screen that was unplugged or made smaller
// never leaves the window out of reach.
QRect KeepOnScreen(const QRect& frame, const QRect& available);

// A first start's size on a screen with `available` room: a comfortable
// share of a large screen, never below `minimum` nor above the room.
QSize FirstStartSize(const QSize& available, const QSize& minimum);

}  // namespace velmora
