#pragma once
// A pay-per-click ad: a title, a body of a few lines and a link.

#include "ui/pages/PromoPage.h"

class QLineEdit;
class QPlainTextEdit;

namespace velmora {

class PpcAdPage : public PromoPage {
  Q_OBJECT

public:
  PpcAdPage(const PromoKindInfo& info, QWidget* parent);

  PromoInput Input() const override;
  void SetInput(const PromoInput& input) override;
  QWidget* FirstInput() const override;

protected:
  void ClearInputs() override;

private:
  QLineEdit* title_ = nullptr;
  QPlainTextEdit* body_ = nullptr;
  QLineEdit* link_ = nullptr;
};

}  // namespace velmora
