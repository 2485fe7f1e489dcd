#include "platform/QtDialogs.h"

#include <QFileDialog>

namespace velmora {

QString QtFileDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
  // QFileDialog::getOpenFileName only accepts existing files.
  return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtFileDialogs::SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
  return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

QString QtFileDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& folder) {
  return QFileDialog::getExistingDirectory(parent, title, folder);
}

}  // namespace velmora
