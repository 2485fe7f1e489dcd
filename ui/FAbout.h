#pragma once
// The about box: which branded product and version this is, the reseller's
// copyright and free text. Built anew for every showing.

#include <QDialog>

#include "app/BrandSettings.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

class TfrmAbout : public QDialog {
  Q_OBJECT

public:
  explicit TfrmAbout(const BrandSettings& brand, QWidget* parent = nullptr);

  QLabel* lblProductName = nullptr;
  QLabel* lblProductVersion = nullptr;
  QLabel* lblCopyright = nullptr;
  QPlainTextEdit* memAbout = nullptr;
  QPushButton* editAbout = nullptr;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void FormCreate(const BrandSettings& brand);
  void editAboutClick();
};

}  // namespace velmora
