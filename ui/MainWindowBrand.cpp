// Dressing the window from the brand-settings file, and the about box.
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/BrandSettingsReader.h"
#include "app/FileIO.h"
#include "app/TextCodec.h"
#include "platform/ErrorReport.h"
#include "platform/QtText.h"
#include "ui/AboutWindow.h"
#include "ui/MainWindow.h"

namespace velmora {

namespace {

constexpr const char* kSkinFileName = "mainskin.dat";
constexpr const char* kIconFileName = "main.ico";
// A style sheet is a few kilobytes; refuse to load anything far larger.
constexpr std::size_t kMaxSkinBytes = std::size_t{4} << 20;

// Shown when the program carries no brand file.
constexpr const char* kPlaceholderLink1Caption = "Velmora home page";
constexpr const char* kPlaceholderLink1Address = "https://www.example.com/velmora/";
constexpr const char* kPlaceholderLink2Caption = "Affiliate marketing tips";
constexpr const char* kPlaceholderLink2Address = "https://www.example.com/velmora/tips/";

std::string InFolder(const std::filesystem::path& folder, const char* name) { return (folder / name).string(); }

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

QString LinkHtml(const std::string& caption, const std::string& address) {
  if (caption.empty()) return {};
  return QStringLiteral("<a href=\"") + ToQString(address).toHtmlEscaped() + QStringLiteral("\">") +
         ToQString(caption).toHtmlEscaped() + QStringLiteral("</a>");
}

void SetLink(QLabel* label, std::string& address, const std::string& caption, const std::string& url) {
  address = url;
  label->setText(LinkHtml(caption, url));
  label->setFocusPolicy(caption.empty() ? Qt::NoFocus : Qt::TabFocus);  // no stop where nothing shows
  label->setToolTip(ToQString(url));
}

// qCompress output: a big-endian length, then a zlib stream (0x78 and a
// header whose two bytes are a multiple of 31).
bool LooksCompressed(const QByteArray& data) {
  if (data.size() < 6) return false;
  const auto byte = [&](int i) { return static_cast<unsigned>(static_cast<unsigned char>(data[i])); };
  const unsigned length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
  return byte(4) == 0x78 && ((byte(4) << 8) | byte(5)) % 31 == 0 && length <= 64u * 1024 * 1024;
}

// The skin's style sheet, or nothing when the file cannot be used.
std::optional<QString> ReadSkin(const std::string& path) {
  const auto bytes = ReadWholeFile(path, kMaxSkinBytes);
  if (!bytes) return std::nullopt;
  QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
  if (LooksCompressed(data)) {
    const QByteArray plain = qUncompress(data);
    if (!plain.isEmpty()) data = plain;
  }
  if (!IsValidUtf8(std::string_view(data.constData(), static_cast<std::size_t>(data.size())))) return std::nullopt;
  return QString::fromUtf8(data);
}

}  // namespace

void MainWindow::ShowStillBanner(const BrandAppearance& look) {
  QImageReader reader(ToQString(look.bannerPath), QByteArray::fromStdString(look.bannerFormat));
  const QImage image = reader.read();
  if (image.isNull()) {
    bannerArea_->hide();
    return;
  }
  stillBanner_->setPixmap(QPixmap::fromImage(image));
  stillBanner_->resize(image.size());
  stillBanner_->show();
  animatedBanner_->hide();
  bannerArea_->setFixedHeight(stillBanner_->height() + 10);
}

void MainWindow::ShowAnimatedBanner(const BrandAppearance& look) {
  auto* movie = new QMovie(ToQString(look.bannerPath), QByteArrayLiteral("gif"), this);
  if (!movie->isValid() || !movie->jumpToFrame(0)) {
    delete movie;
    bannerArea_->hide();
    return;
  }
  bannerMovie_ = movie;
  animatedBanner_->setMovie(movie);
  animatedBanner_->resize(movie->currentPixmap().size());
  animatedBanner_->show();
  stillBanner_->hide();
  bannerArea_->setFixedHeight(animatedBanner_->height() + 10);
  movie->start();
}

// The picture is read straight from bannerN.dat in the format its entry
// names; the program folder is never changed to show it.
void MainWindow::ShowBanner(const BrandAppearance& look) {
  if (look.bannerHandCursor) {
    stillBanner_->setCursor(Qt::PointingHandCursor);
    animatedBanner_->setCursor(Qt::PointingHandCursor);
  }
  if (!look.bannerVisible) {
    bannerArea_->hide();
    return;
  }
  if (look.bannerAnimated) {
    ShowAnimatedBanner(look);
  } else {
    ShowStillBanner(look);
  }
  CentreBanner();
}

void MainWindow::ApplySkinAndIcon() {
  const std::string skin = InFolder(programFolder_, kSkinFileName);
  if (IsFile(skin)) {
    if (const auto sheet = ReadSkin(skin)) setStyleSheet(*sheet);
  }
  const std::string iconPath = InFolder(programFolder_, kIconFileName);
  if (IsFile(iconPath) && QImageReader(ToQString(iconPath)).canRead()) {
    const QIcon icon(ToQString(iconPath));
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
  }
}

void MainWindow::ShowAbout() {
  AboutWindow about(brand_, this);
  about.exec();
}

void MainWindow::LoadBrandSettings() {
  connect(aboutButton_, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { ShowAbout(); }); });

  BrandSettingsLoad load = LoadBrandSettingsFile(programFolder_, Random());
  if (load.status == BrandFileStatus::Missing) {
    SetLink(leftLink_, leftLinkAddress_, kPlaceholderLink1Caption, kPlaceholderLink1Address);
    SetLink(rightLink_, rightLinkAddress_, kPlaceholderLink2Caption, kPlaceholderLink2Address);
    return;
  }
  brand_ = std::move(load.settings);
  const BrandAppearance look = DescribeAppearance(brand_, programFolder_);

  setWindowTitle(ToQString(look.title));
  newsButton_->setVisible(look.newsButtonVisible);
  // A lone "&" in a caption is text, not a keyboard mnemonic; Alt+M presses it
  // when the caption has an M to mark.
  QString caption = ToQString(look.makeMoneyCaption).replace(QLatin1Char('&'), QStringLiteral("&&"));
  if (const qsizetype m = caption.indexOf(QLatin1Char('M'), 0, Qt::CaseInsensitive); m >= 0)
    caption.insert(m, QLatin1Char('&'));
  makeMoneyButton_->setText(caption);
  // The welcome page itself is shown by ShowFirstScreen from brand_.WelcomeText.
  ShowBanner(look);
  linksArea_->setVisible(look.linksVisible);
  SetLink(leftLink_, leftLinkAddress_, brand_.Link1Caption, brand_.Link1URL);
  SetLink(rightLink_, rightLinkAddress_, brand_.Link2Caption, brand_.Link2URL);
  ApplySkinAndIcon();
}

}  // namespace velmora
