#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace velmora {

QString QtFileDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
  // QFileDialog::getOpenFileName only accepts existing files.
  return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QStringList QtFileDialogs::OpenFiles(QWidget* parent, const QString& title, const QString& filter,
                                     const QString& folder) {
  return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

QString QtFileDialogs::SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
  QFileDialog dialog(parent, title, folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A name typed without an extension gets the filter's, "(*.set)" giving ".set".
  const QRegularExpressionMatch single = QRegularExpression(QStringLiteral("\\(\\*\\.(\\w+)\\)")).match(filter);
  if (single.hasMatch()) dialog.setDefaultSuffix(single.captured(1));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString QtFileDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& folder) {
  return QFileDialog::getExistingDirectory(parent, title, folder);
}

}  // namespace velmora
