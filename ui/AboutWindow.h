#pragma once
// The about box: which branded product and version this is, the reseller's
// copyright and free text. Built anew for every showing.

#include <QDialog>

#include "app/BrandSettings.h"

class QLabel;
class QPlainTextEdit;

namespace velmora {

class AboutWindow : public QDialog {
  Q_OBJECT

public:
  explicit AboutWindow(const BrandSettings& brand, QWidget* parent = nullptr);

protected:
  void showEvent(QShowEvent* event) override;

private:
  void ShowBrand(const BrandSettings& brand);

  QLabel* productName_ = nullptr;
  QLabel* productVersion_ = nullptr;
  QLabel* copyright_ = nullptr;
  QPlainTextEdit* aboutText_ = nullptr;
};

}  // namespace velmora
