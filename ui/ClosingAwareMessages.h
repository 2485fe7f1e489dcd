#pragma once
// Messages of a window's requests, silenced once that window is closing: a
// request cut short by the close must not greet the user with "trouble
// accessing the news site" on the way out.

#include "app/Ports.h"

namespace velmora {

class ClosingAwareMessages final : public MessagePort {
public:
  ClosingAwareMessages(MessagePort& inner, const bool& closing) : inner_(inner), closing_(closing) {}
  void ShowMessage(MessageKind kind, const std::string& text) override {
    if (!closing_) inner_.ShowMessage(kind, text);
  }
  bool AskOkCancel(MessageKind kind, const std::string& text, DefaultButton preselected) override {
    return !closing_ && inner_.AskOkCancel(kind, text, preselected);
  }
  ReplaceChoice AskReplace(const std::string& text) override {
    return closing_ ? ReplaceChoice::Cancel : inner_.AskReplace(text);
  }

private:
  MessagePort& inner_;
  const bool& closing_;
};

}  // namespace velmora
