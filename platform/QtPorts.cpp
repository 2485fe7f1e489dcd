#include "platform/QtPorts.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

#include "platform/QtText.h"

namespace velmora {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QString TitleOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return QStringLiteral("Information");
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Error: return QStringLiteral("Error");
  }
  return {};
}

}  // namespace

void QtMessagePort::ShowMessage(MessageKind kind, const std::string& text) {
  QMessageBox box(IconOf(kind), TitleOf(kind), ToQString(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtMessagePort::AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) {
  QMessageBox box(IconOf(kind), TitleOf(kind), ToQString(text), QMessageBox::Ok | QMessageBox::Cancel,
                  parent_);
  box.setDefaultButton(preselected == DefaultButton::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
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
