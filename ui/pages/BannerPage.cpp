#include "ui/pages/BannerPage.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/QtDialogs.h"
#include "platform/QtText.h"
#include "ui/BannerPreview.h"
#include "ui/pages/PageParts.h"

namespace velmora {

namespace {

// Every picture kind a browser shows.
constexpr const char* kPictureExtensions[] = {"gif", "jpg", "jpeg", "png", "webp", "svg", "bmp"};

// Matched in any letter case (*.JPG, *.Png): each letter of the extension as
// a pair, which both Qt's own dialog and the desktop's dialogs understand.
QString PictureFilter() {
  QStringList patterns;
  for (const char* extension : kPictureExtensions) {
    QString pattern = QStringLiteral("*.");
    for (const QChar letter : QString::fromLatin1(extension))
      pattern += QLatin1Char('[') + letter + letter.toUpper() + QLatin1Char(']');
    patterns << pattern;
  }
  return QStringLiteral("Pictures (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool NamesPicture(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  for (const char* extension : kPictureExtensions)
    if (suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0) return true;
  return false;
}

PromoInput LocalPicture(const QString& path) {
  return {BrowsedPictureAddress(FromQString(QDir::toNativeSeparators(path))), {}, {}};
}

// The banners a drag carries: picture files, and pictures on the web
// dragged from a browser, which a page may show by their address.
std::vector<PromoInput> DraggedPictures(const QMimeData* data) {
  std::vector<PromoInput> pictures;
  if (!data || !data->hasUrls()) return pictures;
  for (const QUrl& url : data->urls()) {
    if (!NamesPicture(url.path())) continue;
    if (url.isLocalFile())
      pictures.push_back(LocalPicture(url.toLocalFile()));
    else if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
      pictures.push_back({FromQString(url.toString(QUrl::FullyEncoded)), {}, {}});
  }
  return pictures;
}

}  // namespace

BannerPage::BannerPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent)
    : PromoPage(info, parent), dialogs_(context.dialogs), pictureFolder_(context.pictureFolder),
      pictureFolderUsed_(context.pictureFolderUsed) {
  address_ = Named(new QLineEdit(this), NameOf("Input"));
  OfferPastedLines(address_);
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
  setAcceptDrops(true);
}

void BannerPage::Browse() {
  const QStringList paths = dialogs_.OpenFiles(this, QStringLiteral("Open picture"), PictureFilter(), pictureFolder_);
  if (paths.isEmpty()) return;
  pictureFolder_ = QFileInfo(paths.front()).absolutePath();
  if (pictureFolderUsed_) pictureFolderUsed_(pictureFolder_);
  // One picture goes into the field, to be added or typed on; several are added at once.
  if (paths.size() == 1) {
    address_->setText(ToQString(LocalPicture(paths.front()).text));
    return;
  }
  std::vector<PromoInput> pictures;
  for (const QString& path : paths) pictures.push_back(LocalPicture(path));
  emit addRequested(pictures);
}

void BannerPage::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedPictures(event->mimeData()).empty()) event->acceptProposedAction();
}

void BannerPage::dropEvent(QDropEvent* event) {
  std::vector<PromoInput> pictures = DraggedPictures(event->mimeData());
  if (pictures.empty()) return event->ignore();
  event->acceptProposedAction();
  // Added once the drop is over, so that a warning does not hold up the file manager's drag.
  QTimer::singleShot(0, this, [this, pictures = std::move(pictures)] { emit addRequested(pictures); });
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
