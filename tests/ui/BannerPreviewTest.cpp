#include "ui/BannerPreview.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/mock/TempDir.h"
#include "tests/platform/LoopbackServers.h"

using namespace velmora;

namespace {

QByteArray PictureBytes(const char* format, QColor color) {
  QImage image(30, 12, QImage::Format_RGB32);
  image.fill(color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

QColor ShownColour(const BannerPreview& view) { return view.pixmap().toImage().pixelColor(1, 1); }

}  // namespace

TEST(BannerPreview, FileAddressesNameTheirLocalFile) {
  EXPECT_EQ(LocalPictureFile("file:///home/me/ad.gif"), "/home/me/ad.gif");
  EXPECT_EQ(LocalPictureFile("FILE:///home/me/ad%20one.gif"), "/home/me/ad one.gif");
  EXPECT_EQ(LocalPictureFile("file://C:/Pics/top.gif"), "C:/Pics/top.gif");
  EXPECT_EQ(LocalPictureFile("file://localhost/srv/b.png"), "/srv/b.png");
  EXPECT_EQ(LocalPictureFile("file://relative.gif"), "");
  EXPECT_EQ(LocalPictureFile("http://host/b.gif"), "");
}

TEST(BannerPreview, WebPictureArrivesWhileTheWindowKeepsRunning) {
  test::ScriptedHttpServer server([](const test::HttpRequestSeen&, QTcpSocket& socket) {
    test::ScriptedHttpServer::Reply(socket, 200, PictureBytes("PNG", Qt::blue), "Content-Type: image/png\r\n");
  });
  BannerPreview view;
  view.resize(200, 100);
  QSignalSpy shown(&view, &BannerPreview::PictureShown);
  const QString address = QString::fromStdString(server.Url("/b.png"));
  view.Navigate(address);
  EXPECT_TRUE(view.Fetching()) << "Navigate returns before the picture is there";
  EXPECT_TRUE(view.pixmap().isNull());
  ASSERT_TRUE(shown.wait(5000));
  EXPECT_EQ(view.ShownAddress(), address);
  EXPECT_EQ(ShownColour(view), QColor(Qt::blue));
}

TEST(BannerPreview, NewClickDropsTheFetchStillRunning) {
  test::ScriptedHttpServer server([](const test::HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/fast.png") test::ScriptedHttpServer::Reply(socket, 200, PictureBytes("PNG", Qt::green));
    // "/slow.png" never answers.
  });
  BannerPreview view;
  QSignalSpy shown(&view, &BannerPreview::PictureShown);
  view.Navigate(QString::fromStdString(server.Url("/slow.png")));
  const QString fast = QString::fromStdString(server.Url("/fast.png"));
  view.Navigate(fast);
  ASSERT_TRUE(shown.wait(5000));
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(view.ShownAddress(), fast);
  EXPECT_FALSE(view.Fetching()) << "the slow fetch was dropped";
}

TEST(BannerPreview, AddressesWithoutAPictureSayWhy) {
  test::TempDir folder;
  folder.Write("red.png", PictureBytes("PNG", Qt::red).toStdString());
  folder.Write("text.gif", "not a picture");
  test::ScriptedHttpServer server([](const test::HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/missing.gif") test::ScriptedHttpServer::Reply(socket, 404, "no");
    else test::ScriptedHttpServer::Reply(socket, 200, "<html>a page, not a picture</html>");
  });
  BannerPreview view;
  const QString red = QStringLiteral("file://") + QString::fromStdString((folder / "red.png").string());
  view.Navigate(red);
  ASSERT_EQ(view.ShownAddress(), red);
  ASSERT_EQ(ShownColour(view), QColor(Qt::red));

  QStringList reasons;
  for (const std::string& address :
       {server.Url("/missing.gif"), server.Url("/page.html"), "file://" + (folder / "text.gif").string(),
        "file://" + (folder / "absent.gif").string(), std::string("not an address at all"),
        std::string("ftp://host/b.gif")}) {
    view.Navigate(red);
    ASSERT_EQ(view.ShownAddress(), red);
    QSignalSpy shown(&view, &BannerPreview::PictureShown);
    QSignalSpy failed(&view, &BannerPreview::PictureFailed);
    view.Navigate(QString::fromStdString(address));
    EXPECT_TRUE(QTest::qWaitFor([&view] { return !view.Fetching(); }, 5000)) << address;
    EXPECT_EQ(shown.count(), 0) << address;
    EXPECT_EQ(failed.count(), 1) << address;
    EXPECT_EQ(view.ShownAddress(), "") << address;
    EXPECT_TRUE(view.pixmap().isNull()) << address;
    reasons << view.text();
  }
  EXPECT_TRUE(reasons[0].contains(QStringLiteral("404"))) << reasons[0].toStdString();
  reasons.removeDuplicates();
  EXPECT_EQ(reasons.size(), 5) << "each a reason of its own, but the two kinds of address shown nowhere";
}

TEST(PictureIcons, PicturesArriveSmallAndTheMissingOnesGetAPlaceholder) {
  test::TempDir folder;
  QImage big(400, 100, QImage::Format_RGB32);
  big.fill(Qt::red);
  ASSERT_TRUE(big.save(QString::fromStdString((folder / "big.png").string())));
  folder.Write("text.gif", "not a picture");
  test::ScriptedHttpServer server([](const test::HttpRequestSeen& request, QTcpSocket& socket) {
    if (request.path == "/b.png") test::ScriptedHttpServer::Reply(socket, 200, PictureBytes("PNG", Qt::blue));
    else test::ScriptedHttpServer::Reply(socket, 404, "no");
  });
  PictureIcons icons(QSize(64, 32), nullptr);
  const QString local = QStringLiteral("file://") + QString::fromStdString((folder / "big.png").string());
  const QString web = QString::fromStdString(server.Url("/b.png"));
  const QStringList failing = {QStringLiteral("file://") + QString::fromStdString((folder / "text.gif").string()),
                               QString::fromStdString(server.Url("/gone.png")), QStringLiteral("images/b.gif")};
  for (const QString& address : QStringList{local, web} + failing) icons.IconFor(address);
  const auto settled = [&] {
    for (const QString& address : QStringList{local, web} + failing)
      if (icons.StateOf(address) == PictureIcons::State::Loading) return false;
    return true;
  };
  ASSERT_TRUE(QTest::qWaitFor(settled, 5000));
  EXPECT_EQ(icons.StateOf(local), PictureIcons::State::Loaded);
  EXPECT_EQ(icons.StateOf(web), PictureIcons::State::Loaded);
  EXPECT_EQ(icons.IconFor(local).availableSizes().value(0), QSize(64, 16)) << "shrunk to fit, its shape kept";
  EXPECT_EQ(icons.IconFor(local).pixmap(64, 16).toImage().pixelColor(32, 8), QColor(Qt::red));
  for (const QString& address : failing) {
    EXPECT_EQ(icons.StateOf(address), PictureIcons::State::Failed) << address.toStdString();
    EXPECT_FALSE(icons.IconFor(address).isNull()) << "a placeholder stands in";
  }
}
