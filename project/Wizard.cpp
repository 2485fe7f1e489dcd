#include "project/Wizard.h"

#include "app/Utils.h"

namespace velmora {

bool Wizard::Next(std::string_view title, std::string_view url, MessagePort& messages) {
  if (page_ == 0) {
    // The trimmed texts only serve the check; the model keeps what was typed.
    if (TrimControl(title).empty()) {
      messages.ShowMessage(MessageKind::Warning, "Please provide a valid title for your page.");
      return false;
    }
    if (TrimControl(url).empty()) {
      messages.ShowMessage(MessageKind::Warning, "Please provide a valid affiliate url.");
      return false;
    }
  }
  return ShowPage(page_ + 1);
}

bool Wizard::Back() { return page_ > 0 && ShowPage(page_ - 1); }

bool Wizard::ShowPage(int index) {
  if (index < 0 || index >= kPageCount || index == page_) return false;
  page_ = index;
  return true;
}

}  // namespace velmora
