#pragma once
// A social post: typed as several lines, with its length as the networks
// count it once the affiliate link is added, so the user sees what fits.

#include "ui/pages/TextPromoPage.h"

class QLabel;

namespace velmora {

class PostPage : public TextPromoPage {
  Q_OBJECT

public:
  PostPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent);

protected:
  void showEvent(QShowEvent* event) override;

private:
  void ShowLength();

  std::function<std::string()> affiliateLink_;
  QLabel* length_;
};

}  // namespace velmora
