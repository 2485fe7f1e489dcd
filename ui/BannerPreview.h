#pragma once
// Shows the picture at a banner address: a web address, fetched in the
// background so the window never waits on it, or a file:// address. An
// address that yields no picture says why in a short line instead.
// Also the small pictures beside the entries of the banner list.

#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QStyledItemDelegate>
#include <QThreadPool>

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
  // Shows nothing (the banner is gone).
  void Clear();
  // The address of the picture on show, empty when there is none.
  QString ShownAddress() const { return shownAddress_; }
  bool Fetching() const { return !reply_.isNull(); }

  // Largest picture a web address may deliver.
  static constexpr qint64 kMaxPictureBytes = qint64{8} << 20;

signals:
  // A picture was shown (tests wait for it).
  void PictureShown(const QString& address);
  // The address gave no picture; the view says why.
  void PictureFailed(const QString& address);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void CancelFetch();
  void Show(const QImage& image, const QString& address);
  void Fail(const QString& address, const QString& why);
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

// Small pictures of banner addresses, loaded off the window's thread when
// first asked for, a few at a time, and kept for a while. Until one is
// loaded its icon is blank; one that cannot be loaded gets a placeholder.
class PictureIcons : public QObject {
  Q_OBJECT

public:
  enum class State { Loading, Loaded, Failed };

  PictureIcons(QSize size, QObject* parent);
  ~PictureIcons() override;

  // The icon as it stands; asking starts loading it.
  QIcon IconFor(const QString& address);
  State StateOf(const QString& address) const;

  // Kept icons; beyond this many, those not asked for again are dropped.
  static constexpr int kMostKept = 400;
  // Loads running at once; those asked for beyond wait for the next paint.
  static constexpr int kMostLoading = 6;

signals:
  void IconChanged(const QString& address);

private:
  void Start(const QString& address);
  void Decode(const QString& address, const QString& file, const QByteArray& bytes);
  void Done(const QString& address, const QImage& image);

  QSize size_;
  QIcon blank_;
  QIcon broken_;
  QHash<QString, QIcon> icons_;
  QSet<QString> failed_;
  QSet<QString> loading_;
  QNetworkAccessManager* network_ = nullptr;
  QThreadPool decoding_;  // last: gone first, after a running decode ends
};

// Draws the banner list's entries with their pictures: an entry holds its
// banner's address under kPictureRole; its row asks for the picture when
// it is painted, so only the rows in view load theirs.
class BannerIconDelegate : public QStyledItemDelegate {
public:
  static constexpr int kPictureRole = Qt::UserRole + 1;
  static constexpr QSize kIconSize{64, 32};

  explicit BannerIconDelegate(QAbstractItemView* view);
  PictureIcons& Icons() const { return *icons_; }

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

private:
  PictureIcons* icons_;
};

}  // namespace velmora
