#include "ui/BannerPreview.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QRegularExpression>
#include <QToolTip>
#include <QUrl>
#include <algorithm>

namespace velmora {

namespace {

constexpr int kFetchTimeoutMs = 20000;
// Set on a fetch stopped for its size, which then ends as cancelled.
constexpr char kTooLarge[] = "velmoraPictureTooLarge";

const QString kNotLoaded = QStringLiteral("The picture could not be loaded: ");

void PrepareForPictures(QNetworkAccessManager& network) {
  network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
  network.setTransferTimeout(kFetchTimeoutMs);
}

// A web address the preview may fetch, or an invalid URL.
QUrl WebPictureUrl(const QString& address) {
  const QUrl url(address.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) ? url : QUrl();
}

// A fetch that stops itself once the picture would pass the size limit.
QNetworkReply* FetchPicture(QNetworkAccessManager& network, const QUrl& url) {
  QNetworkReply* reply = network.get(QNetworkRequest(url));
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
    if (received <= BannerPreview::kMaxPictureBytes && total <= BannerPreview::kMaxPictureBytes) return;
    reply->setProperty(kTooLarge, true);
    reply->abort();
  });
  return reply;
}

// What a fetch that ended gives: the picture's bytes, or why there are none.
struct Fetched {
  QByteArray bytes;
  QString problem;
};

Fetched TakeFetched(QNetworkReply& reply) {
  if (reply.property(kTooLarge).toBool()) return {{}, kNotLoaded + QStringLiteral("it is larger than 8 MB.")};
  if (reply.error() != QNetworkReply::NoError) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
      return {{}, kNotLoaded + QStringLiteral("the server answered %1 %2.")
                                   .arg(status.toInt())
                                   .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                                   .replace(QStringLiteral(" ."), QStringLiteral("."))};
    QString why = reply.errorString();
    if (!why.isEmpty()) why[0] = why[0].toLower();
    return {{}, kNotLoaded + why + QLatin1Char('.')};
  }
  QByteArray bytes = reply.read(BannerPreview::kMaxPictureBytes + 1);
  if (bytes.size() > BannerPreview::kMaxPictureBytes) return {{}, kNotLoaded + QStringLiteral("it is larger than 8 MB.")};
  return {std::move(bytes), {}};
}

// The picture shrunk to fit `size` (never grown), read off the window's thread.
QImage SmallPicture(QImageReader& reader, QSize size) {
  reader.setAutoTransform(true);
  const QSize full = reader.size();
  if (full.isValid() && (full.width() > size.width() || full.height() > size.height()))
    reader.setScaledSize(full.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  QImage image = reader.read();
  if (!image.isNull() && (image.width() > size.width() || image.height() > size.height()))
    image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

// A dashed frame with a cross: a picture that is not there.
QIcon BrokenPictureIcon(QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1.5, 1.5, -1.5, -1.5);
  painter.setPen(QPen(QColor(0x8a, 0x8a, 0x8a), 1.2, Qt::DashLine));
  painter.drawRoundedRect(frame, 3, 3);
  painter.setPen(QPen(QColor(0xb0, 0x3a, 0x2e), 2, Qt::SolidLine, Qt::RoundCap));
  const QPointF middle = frame.center();
  const qreal arm = std::min(frame.width(), frame.height()) / 5;
  painter.drawLine(middle + QPointF(-arm, -arm), middle + QPointF(arm, arm));
  painter.drawLine(middle + QPointF(-arm, arm), middle + QPointF(arm, -arm));
  return QIcon(pixmap);
}

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
  setWordWrap(true);
  setMinimumSize(120, 60);
  setFrameShape(QFrame::StyledPanel);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  PrepareForPictures(*network_);
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
    if (!QFileInfo(file).isFile()) return Fail(address, kNotLoaded + QStringLiteral("there is no such file."));
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull())
      return Fail(address, kNotLoaded + QStringLiteral("the file is not a picture this program can show."));
    return Show(image, address);
  }
  const QUrl url = WebPictureUrl(address);
  if (!url.isValid())
    return Fail(address,
                QStringLiteral("This is not a web (http, https) or file address, so its picture is not shown here."));

  QNetworkReply* reply = FetchPicture(*network_, url);
  reply_ = reply;
  fetchingAddress_ = address;
  setText(QStringLiteral("Loading the picture\u2026"));
  connect(reply, &QNetworkReply::finished, this, [this, reply, address] {
    reply->deleteLater();
    if (reply != reply_) return;
    reply_.clear();
    const Fetched fetched = TakeFetched(*reply);
    if (!fetched.problem.isEmpty()) return Fail(address, fetched.problem);
    const QImage image = QImage::fromData(fetched.bytes);
    if (image.isNull())
      return Fail(address, kNotLoaded + QStringLiteral("the address gives no picture this program can show."));
    Show(image, address);
  });
}

void BannerPreview::Clear() {
  picture_ = QPixmap();
  shownAddress_.clear();
  QLabel::clear();
}

void BannerPreview::Fail(const QString& address, const QString& why) {
  Clear();
  setText(why);
  emit PictureFailed(address);
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

PictureIcons::PictureIcons(QSize size, QObject* parent) : QObject(parent), size_(size) {
  QPixmap blank(size);
  blank.fill(Qt::transparent);
  blank_ = QIcon(blank);
  broken_ = BrokenPictureIcon(size);
  decoding_.setMaxThreadCount(2);
}

PictureIcons::~PictureIcons() {
  decoding_.clear();
  decoding_.waitForDone();
}

QIcon PictureIcons::IconFor(const QString& address) {
  if (const auto kept = icons_.constFind(address); kept != icons_.cend()) return *kept;
  if (failed_.contains(address)) return broken_;
  if (!loading_.contains(address) && loading_.size() < kMostLoading) Start(address);
  return failed_.contains(address) ? broken_ : blank_;
}

PictureIcons::State PictureIcons::StateOf(const QString& address) const {
  if (icons_.contains(address)) return State::Loaded;
  return failed_.contains(address) ? State::Failed : State::Loading;
}

void PictureIcons::Start(const QString& address) {
  const QString file = LocalPictureFile(address);
  if (!file.isEmpty()) {
    loading_.insert(address);
    Decode(address, file, {});
    return;
  }
  const QUrl url = WebPictureUrl(address);
  if (!url.isValid()) {
    failed_.insert(address);
    return;
  }
  loading_.insert(address);
  if (!network_) {
    network_ = new QNetworkAccessManager(this);
    PrepareForPictures(*network_);
  }
  QNetworkReply* reply = FetchPicture(*network_, url);
  connect(reply, &QNetworkReply::finished, this, [this, reply, address] {
    reply->deleteLater();
    Fetched fetched = TakeFetched(*reply);
    if (fetched.bytes.isEmpty()) return Done(address, {});
    Decode(address, {}, fetched.bytes);
  });
}

void PictureIcons::Decode(const QString& address, const QString& file, const QByteArray& bytes) {
  decoding_.start([this, address, file, bytes, size = size_] {
    QImage image;
    if (!file.isEmpty()) {
      QImageReader reader(file);
      image = SmallPicture(reader, size);
    } else {
      QBuffer buffer;
      buffer.setData(bytes);
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer);
      image = SmallPicture(reader, size);
    }
    // Queued to this object's thread; the pool is waited for before this object goes.
    QMetaObject::invokeMethod(this, [this, address, image] { Done(address, image); }, Qt::QueuedConnection);
  });
}

void PictureIcons::Done(const QString& address, const QImage& image) {
  loading_.remove(address);
  // The rows in view ask again for what they show.
  if (icons_.size() + failed_.size() >= kMostKept) {
    icons_.clear();
    failed_.clear();
  }
  if (image.isNull())
    failed_.insert(address);
  else
    icons_.insert(address, QIcon(QPixmap::fromImage(image)));
  emit IconChanged(address);
}

BannerIconDelegate::BannerIconDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view), icons_(new PictureIcons(kIconSize, this)) {
  QWidget* viewport = view->viewport();
  connect(icons_, &PictureIcons::IconChanged, viewport, [viewport] { viewport->update(); });
}

void BannerIconDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const QString address = index.data(kPictureRole).toString();
  if (address.isEmpty()) return;
  option->icon = icons_->IconFor(address);
  option->features |= QStyleOptionViewItem::HasDecoration;
  option->decorationSize = kIconSize;
}

bool BannerIconDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
  const QString address = index.data(kPictureRole).toString();
  if (event && event->type() == QEvent::ToolTip && !address.isEmpty() &&
      icons_->StateOf(address) == PictureIcons::State::Failed) {
    QToolTip::showText(event->globalPos(), address + QStringLiteral("\nThe picture could not be loaded."), view);
    return true;
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace velmora
