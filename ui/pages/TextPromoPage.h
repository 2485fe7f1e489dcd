#pragma once
// A promo kind typed as several lines, shown whole in the view beside its list.

#include "ui/pages/PromoPage.h"

class QPlainTextEdit;

namespace velmora {

class TextPromoPage : public PromoPage {
  Q_OBJECT

public:
  TextPromoPage(const PromoKindInfo& info, QWidget* parent);

  PromoInput Input() const override;
  void SetInput(const PromoInput& input) override;
  QWidget* FirstInput() const override;

protected:
  void ClearInputs() override;
  QPlainTextEdit* TextInput() const { return text_; }

private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace velmora
