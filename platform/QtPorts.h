#pragma once
// Qt implementations of the core's message, shell and clipboard ports.

#include <QPointer>
#include <QWidget>

#include "app/Ports.h"

namespace velmora {

class QtMessagePort final : public MessagePort {
public:
  explicit QtMessagePort(QWidget* parent) : parent_(parent) {}
  void ShowMessage(MessageKind kind, const std::string& text) override;
  bool AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) override;
  SaveChoice AskSaveChanges(const std::string& text) override;
  bool AskRestore(const std::string& text) override;
  ReplaceChoice AskReplace(const std::string& text) override;

private:
  QPointer<QWidget> parent_;
};

class QtShell final : public ShellPort {
public:
  std::optional<std::string> RegisteredBrowserCommand() override;
  void OpenUrl(const std::string& url) override;
  bool StartProgram(const std::string& program, const std::string& parameters) override;
};

class QtClipboard final : public ClipboardPort {
public:
  void SetText(const std::string& text) override;
};

}  // namespace velmora
