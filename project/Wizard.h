#pragma once
// The wizard's pages (title and link, template, a page per promo kind,
// finish) as a page index and the rules for moving between them. Only page 0 has a check; the window mirrors this state.

#include <string_view>

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
  // "Back": one page back; nothing on page 0.
  bool Back();
  // Requests for the current page or an index outside the wizard are ignored.
  bool ShowPage(int index);

  bool BackEnabled() const { return page_ != 0; }
  bool NextEnabled() const { return page_ + 1 != kPageCount; }

private:
  int page_ = 0;
};

}  // namespace velmora
