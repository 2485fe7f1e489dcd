#pragma once
// A banner: a picture's address, typed or browsed for, its alternative
// text, and a preview of the selected banner's picture.

#include "ui/pages/PromoPage.h"

class QLineEdit;

namespace velmora {

class BannerPreview;

class BannerPage : public PromoPage {
  Q_OBJECT

public:
  BannerPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent);

  PromoInput Input() const override;
  void SetInput(const PromoInput& input) override;
  QWidget* FirstInput() const override;
  void ShowItem(const std::string& shown) override;

protected:
  void ClearInputs() override;
  void ClearItem() override;
  // Picture files dropped on the page become banners.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void Browse();

  FileDialogPort& dialogs_;
  QString pictureFolder_;  // where "Browse" opens next
  std::function<void(const QString&)> pictureFolderUsed_;
  QLineEdit* address_ = nullptr;
  QLineEdit* alt_ = nullptr;
  BannerPreview* preview_ = nullptr;
};

}  // namespace velmora
