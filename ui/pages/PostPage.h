#pragma once
// A social post: typed as several lines, with its length as the networks
// count it once the affiliate link is added, so the user sees what fits.

#include "ui/pages/PromoPage.h"

class QLabel;
class QPlainTextEdit;

namespace velmora {

class PostPage : public PromoPage {
  Q_OBJECT

public:
  PostPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent);

  PromoInput Input() const override;
  void SetInput(const PromoInput& input) override;
  QWidget* FirstInput() const override;

protected:
  void ClearInputs() override;
  void showEvent(QShowEvent* event) override;

private:
  void ShowLength();

  std::function<std::string()> affiliateLink_;
  QPlainTextEdit* text_ = nullptr;
  QLabel* length_ = nullptr;
};

}  // namespace velmora
