#pragma once
// Files dragged onto the window from a file manager: the files a drag
// carries, and text inputs that let such drags go on to their page or window.

#include <QStringList>

class QMimeData;
class QWidget;

namespace velmora {

// The local files a drag carries, in its order.
QStringList DraggedFiles(const QMimeData* data);

// A text input takes any drop as text, a dragged file landing in it as its
// name; the inputs under `root` let drags of files go on to the page or
// window around them, which know what to do with the files.
void PassFileDragsOn(QWidget* root);

}  // namespace velmora
