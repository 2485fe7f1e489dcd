#pragma once
// File dialogs behind a small interface, so window tests can answer them.

#include <QString>
#include <QStringList>
#include <QWidget>

namespace velmora {

class FileDialogPort {
public:
  virtual ~FileDialogPort() = default;
  // The chosen path, or an empty string when the user cancelled.
  virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) = 0;
  // One or more existing files chosen together; none when the user cancelled.
  virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter,
                                const QString& folder) = 0;
  virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) = 0;
  // An existing folder, or an empty string when the user cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& folder) = 0;
};

class QtFileDialogs final : public FileDialogPort {
public:
  QString OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) override;
  QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter, const QString& folder) override;
  QString SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder) override;
  QString ChooseFolder(QWidget* parent, const QString& title, const QString& folder) override;
};

}  // namespace velmora
