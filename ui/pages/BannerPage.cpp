#include "ui/pages/BannerPage.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/QtDialogs.h"
#include "platform/QtText.h"
#include "ui/BannerPreview.h"
#include "ui/pages/PageParts.h"

namespace velmora {

namespace {

// Every picture kind a browser shows, matched in any letter case (*.JPG,
// *.Png): each letter of the extension as a pair, which both Qt's own dialog
// and the desktop's dialogs understand.
QString PictureFilter() {
  QStringList patterns;
  for (const char* extension : {"gif", "jpg", "jpeg", "png", "webp", "svg", "bmp"}) {
    QString pattern = QStringLiteral("*.");
    for (const QChar letter : QString::fromLatin1(extension))
      pattern += QLatin1Char('[') + letter + letter.toUpper() + QLatin1Char(']');
    patterns << pattern;
  }
  return QStringLiteral("Pictures (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

BannerPage::BannerPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent)
    : PromoPage(info, parent), dialogs_(context.dialogs), pictureFolder_(context.pictureFolder) {
  address_ = Named(new QLineEdit(this), NameOf("Input"));
  KeepOnOneLine(address_);
  Layout()->addWidget(Caption(Latin1(info.page.inputCaption), this, address_));
  auto* row = new QHBoxLayout;
  row->addWidget(address_, 1);
  auto* browse = Named(new QPushButton(QStringLiteral("Bro&wse"), this), NameOf("BrowseButton"));
  row->addWidget(browse);
  Layout()->addLayout(row);
  // Read out in place of the picture, and shown where it cannot load.
  alt_ = Named(new QLineEdit(this), NameOf("AltInput"));
  KeepOnOneLine(alt_);
  alt_->setPlaceholderText(QStringLiteral("What the banner shows, for visitors who cannot see it"));
  Layout()->addWidget(Caption(QStringLiteral("Alternative te&xt:"), this, alt_));
  Layout()->addWidget(alt_);
  connect(address_, &QLineEdit::returnPressed, this, &PromoPage::createRequested);
  connect(alt_, &QLineEdit::returnPressed, this, &PromoPage::createRequested);
  connect(browse, &QPushButton::clicked, this, &BannerPage::Browse);
  preview_ = Named(new BannerPreview(this), NameOf("Preview"));
  FinishBuilding({address_, browse, alt_}, preview_);
}

void BannerPage::Browse() {
  const QString path = dialogs_.OpenFile(this, QStringLiteral("Open picture"), PictureFilter(), pictureFolder_);
  if (path.isEmpty()) return;
  pictureFolder_ = QFileInfo(path).absolutePath();
  address_->setText(ToQString(BrowsedPictureAddress(FromQString(QDir::toNativeSeparators(path)))));
}

PromoInput BannerPage::Input() const { return {FromQString(address_->text()), {}, {}, FromQString(alt_->text())}; }

void BannerPage::SetInput(const PromoInput& input) {
  address_->setText(ToQString(input.text));
  alt_->setText(ToQString(input.alt));
}

QWidget* BannerPage::FirstInput() const { return address_; }

void BannerPage::ShowItem(const std::string& shown) { preview_->Navigate(ToQString(shown)); }

void BannerPage::ClearInputs() {
  address_->clear();
  alt_->clear();
}

void BannerPage::ClearItem() { preview_->Clear(); }

}  // namespace velmora
