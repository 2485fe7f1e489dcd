#include "ui/BannerPreview.h"

#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

namespace velmora {

namespace {

constexpr int kFetchTimeoutMs = 20000;

}  // namespace

QString LocalPictureFile(const QString& address) {
  static const QString scheme = QStringLiteral("file://");
  if (!address.startsWith(scheme, Qt::CaseInsensitive)) return {};
  QString rest = address.mid(scheme.size());
  // "file://C:/x" keeps its drive; "file:///x" and "file://localhost/x" are absolute paths.
  static const QRegularExpression drive(QStringLiteral("^/?[A-Za-z]:[/\\\\]"));
  if (drive.match(rest).hasMatch())
    return QUrl::fromPercentEncoding((rest.startsWith(QLatin1Char('/')) ? rest.mid(1) : rest).toUtf8());
  if (rest.startsWith(QStringLiteral("localhost/"), Qt::CaseInsensitive)) rest = rest.mid(9);
  if (!rest.startsWith(QLatin1Char('/'))) return {};
  return QUrl::fromPercentEncoding(rest.toUtf8());
}

BannerPreview::BannerPreview(QWidget* parent) : QLabel(parent), network_(new QNetworkAccessManager(this)) {
  setAlignment(Qt::AlignCenter);
  setMinimumSize(120, 60);
  setFrameShape(QFrame::StyledPanel);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
  network_->setTransferTimeout(kFetchTimeoutMs);
}

BannerPreview::~BannerPreview() { CancelFetch(); }

void BannerPreview::CancelFetch() {
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  reply_.clear();
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
}

void BannerPreview::Navigate(const QString& address) {
  // A second click on the same banner lets its fetch run on.
  if (reply_ && address == fetchingAddress_) return;
  CancelFetch();
  // The last picture must not stand for a banner that has none.
  if (address != shownAddress_) Clear();
  const QString file = LocalPictureFile(address);
  if (!file.isEmpty()) {
    QImageReader reader(file);
    const QImage image = reader.read();
    if (!image.isNull()) Show(image, address);
    return;
  }
  const QUrl url(address.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) return;

  QNetworkReply* reply = network_->get(QNetworkRequest(url));
  reply_ = reply;
  fetchingAddress_ = address;
  connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
    if (received > kMaxPictureBytes && reply == reply_) CancelFetch();
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply, address] {
    reply->deleteLater();
    if (reply != reply_) return;
    reply_.clear();
    if (reply->error() != QNetworkReply::NoError) return;
    const QByteArray bytes = reply->read(kMaxPictureBytes + 1);
    if (bytes.size() > kMaxPictureBytes) return;
    const QImage image = QImage::fromData(bytes);
    if (!image.isNull()) Show(image, address);
  });
}

void BannerPreview::Clear() {
  picture_ = QPixmap();
  shownAddress_.clear();
  QLabel::clear();
}

void BannerPreview::Show(const QImage& image, const QString& address) {
  picture_ = QPixmap::fromImage(image);
  shownAddress_ = address;
  UpdateScaled();
  emit PictureShown(address);
}

void BannerPreview::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  UpdateScaled();
}

void BannerPreview::UpdateScaled() {
  if (picture_.isNull()) return;
  // Small banners keep their size; larger ones shrink to fit.
  const QSize room = contentsRect().size();
  if (picture_.width() <= room.width() && picture_.height() <= room.height())
    setPixmap(picture_);
  else
    setPixmap(picture_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace velmora
