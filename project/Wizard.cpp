#include "project/Wizard.h"

#include <cctype>

#include "app/Utils.h"
#include "project/Project.h"

namespace velmora {

bool Wizard::MayLeaveFirstPage(std::string_view title, std::string_view url, MessagePort& messages) const {
  if (page_ != 0) return true;
  // The trimmed texts only serve the check; the model keeps what was typed.
  if (TrimControl(title).empty()) {
    messages.ShowMessage(MessageKind::Warning, "Please provide a valid title for your page.");
    return false;
  }
  if (TrimControl(url).empty()) {
    messages.ShowMessage(MessageKind::Warning, "Please provide a valid affiliate url.");
    return false;
  }
  return true;
}

bool Wizard::Next(std::string_view title, std::string_view url, MessagePort& messages) {
  return MayLeaveFirstPage(title, url, messages) && ShowPage(page_ + 1);
}

bool Wizard::GoTo(int index, std::string_view title, std::string_view url, MessagePort& messages) {
  if (index < 0 || index >= kPageCount || index == page_) return false;
  return MayLeaveFirstPage(title, url, messages) && ShowPage(index);
}

bool Wizard::Back() { return page_ > 0 && ShowPage(page_ - 1); }

bool Wizard::ShowPage(int index) {
  if (index < 0 || index >= kPageCount || index == page_) return false;
  page_ = index;
  return true;
}

std::string StepCaption(int index, const Project& project) {
  if (index == 0) return "Title and link";
  if (index == 1) return "Template";
  const auto kind = static_cast<std::size_t>(index - 2);
  if (kind >= kPromoKinds.size()) return "Finish";
  const PromoKindInfo& info = InfoOf(kPromoKinds[kind]);
  std::string caption(info.pluralName);
  if (!caption.empty()) caption[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[0])));
  return caption + " (" + std::to_string((project.*info.items).size()) + ")";
}

}  // namespace velmora
