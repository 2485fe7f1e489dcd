#include "ui/FileDrops.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace velmora {

namespace {

class FileDragsPass final : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Ignored here, the drag is offered to the widgets around the input.
    if (event->type() == QEvent::DragEnter && !DraggedFiles(static_cast<QDragEnterEvent*>(event)->mimeData()).isEmpty()) {
      event->ignore();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

QStringList DraggedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile());
  return files;
}

void PassFileDragsOn(QWidget* root) {
  auto* pass = new FileDragsPass(root);
  for (QLineEdit* field : root->findChildren<QLineEdit*>()) field->installEventFilter(pass);
  for (QAbstractScrollArea* area : root->findChildren<QAbstractScrollArea*>()) area->viewport()->installEventFilter(pass);
}

}  // namespace velmora
