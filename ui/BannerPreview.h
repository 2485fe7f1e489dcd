#pragma once
// Shows the picture at a banner address: a web address, fetched in the
// background so the window never waits on it, or a file:// address. An
// address that yields no picture leaves the view empty, without a word.

#include <QLabel>
#include <QPixmap>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmora {

class BannerPreview : public QLabel {
  Q_OBJECT

public:
  explicit BannerPreview(QWidget* parent = nullptr);
  ~BannerPreview() override;

  // Starts showing `address`; a fetch still running for an earlier one is dropped.
  void Navigate(const QString& address);
  // Shows nothing (the banner is gone, or its picture cannot be shown).
  void Clear();
  // The address of the picture on show, empty when there is none.
  QString ShownAddress() const { return shownAddress_; }
  bool Fetching() const { return !reply_.isNull(); }

  // Largest picture a web address may deliver.
  static constexpr qint64 kMaxPictureBytes = qint64{8} << 20;

signals:
  // A picture was shown (tests wait for it).
  void PictureShown(const QString& address);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void CancelFetch();
  void Show(const QImage& image, const QString& address);
  void UpdateScaled();

  QNetworkAccessManager* network_ = nullptr;
  QPointer<QNetworkReply> reply_;
  QPixmap picture_;
  QString shownAddress_;
  QString fetchingAddress_;
};

// The local file a file:// banner address names, or empty when it names none.
// Accepts the forms "Browse" makes: file:///home/a.gif and file://C:/Pics/a.gif.
QString LocalPictureFile(const QString& address);

}  // namespace velmora
