#pragma once
// A promo kind typed as one line, seen whole in its list (text links).

#include "ui/pages/PromoPage.h"

class QLineEdit;

namespace velmora {

class LinePromoPage : public PromoPage {
  Q_OBJECT

public:
  LinePromoPage(const PromoKindInfo& info, QWidget* parent);

  PromoInput Input() const override;
  void SetInput(const PromoInput& input) override;
  QWidget* FirstInput() const override;

protected:
  void ClearInputs() override;

private:
  QLineEdit* line_ = nullptr;
};

}  // namespace velmora
