#pragma once
// The wizard's pages (title and link, template, a page per promo kind,
// finish) as a page index and the rules for moving between them. Only page 0 has a check; the window mirrors this state.

#include <string_view>

#include <string>

#include "app/Ports.h"
#include "project/PromoKinds.h"

namespace velmora {

class Wizard {
public:
  static constexpr int kPageCount = static_cast<int>(kPromoKinds.size()) + 3;

  int PageIndex() const { return page_; }
  // "Next": page 0 requires a title and a link (blank counts as empty);
  // any later page simply advances. True when the page changed.
  bool Next(std::string_view title, std::string_view url, MessagePort& messages);
  // A step picked from the list of steps: leaving page 0 needs what "Next"
  // needs there. True when the page changed.
  bool GoTo(int index, std::string_view title, std::string_view url, MessagePort& messages);
  // "Back": one page back; nothing on page 0.
  bool Back();
  // Requests for the current page or an index outside the wizard are ignored.
  bool ShowPage(int index);

  bool BackEnabled() const { return page_ != 0; }
  bool NextEnabled() const { return page_ + 1 != kPageCount; }

private:
  bool MayLeaveFirstPage(std::string_view title, std::string_view url, MessagePort& messages) const;
  int page_ = 0;
};

struct Project;
// A step as the list of steps names it: "Title and link", "Template", a
// kind's items with their count ("Banners (2)"), "Finish".
std::string StepCaption(int index, const Project& project);

}  // namespace velmora
