#include "platform/QtPorts.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

#include "platform/QtText.h"

namespace velmora {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
    case MessageKind::Done: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QString TitleOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
    case MessageKind::Done: return QStringLiteral("Information");
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Error: return QStringLiteral("Error");
  }
  return {};
}

}  // namespace

void QtMessagePort::ShowMessage(MessageKind kind, const std::string& text) {
  auto* window = parent_ ? qobject_cast<QMainWindow*>(parent_->window()) : nullptr;
  if (kind == MessageKind::Done && window) {
    // One line; long enough to read, gone by the next task.
    QString line = ToQString(text).simplified();
    window->statusBar()->showMessage(line, 15000);
    return;
  }
  QMessageBox box(IconOf(kind), TitleOf(kind), ToQString(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtMessagePort::AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) {
  QMessageBox box(IconOf(kind), TitleOf(kind), ToQString(text), QMessageBox::Ok | QMessageBox::Cancel,
                  parent_);
  box.setDefaultButton(preselected == DefaultButton::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

SaveChoice QtMessagePort::AskSaveChanges(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Unsaved changes"), ToQString(text),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
  }
}

bool QtMessagePort::AskRestore(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Restore unsaved work"), ToQString(text),
                  QMessageBox::NoButton, parent_);
  QPushButton* restore = box.addButton(QStringLiteral("&Restore"), QMessageBox::AcceptRole);
  QAbstractButton* discard = box.addButton(QMessageBox::Discard);
  box.setDefaultButton(restore);
  box.exec();
  // Only an explicit Discard lets the work go; closing the box keeps it.
  return box.clickedButton() != discard;
}

ReplaceChoice QtMessagePort::AskReplace(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Replace the page?"), ToQString(text), QMessageBox::NoButton,
                  parent_);
  QPushButton* replace = box.addButton(QStringLiteral("&Replace"), QMessageBox::DestructiveRole);
  QPushButton* keepBoth = box.addButton(QStringLiteral("&Keep both"), QMessageBox::AcceptRole);
  QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(qobject_cast<QPushButton*>(cancel));
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == replace) return ReplaceChoice::Replace;
  if (box.clickedButton() == keepBoth) return ReplaceChoice::KeepBoth;
  return ReplaceChoice::Cancel;
}

std::optional<std::string> QtShell::RegisteredBrowserCommand() {
#ifdef Q_OS_WIN
  QSettings classes(QStringLiteral("HKEY_CLASSES_ROOT\\http\\shell\\open\\command"), QSettings::NativeFormat);
  return FromQString(classes.value(QStringLiteral("Default")).toString());
#else
  return std::nullopt;
#endif
}

void QtShell::OpenUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl::fromUserInput(ToQString(url)));
}

bool QtShell::StartProgram(const std::string& program, const std::string& parameters) {
  return QProcess::startDetached(ToQString(program), QProcess::splitCommand(ToQString(parameters)));
}

void QtClipboard::SetText(const std::string& text) {
  QApplication::clipboard()->setText(ToQString(text));
}

}  // namespace velmora
