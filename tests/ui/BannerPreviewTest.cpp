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

TEST(BannerPreview, AddressesWithoutAPictureClearTheView) {
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

  for (const std::string& address :
       {server.Url("/missing.gif"), server.Url("/page.html"), "file://" + (folder / "text.gif").string(),
        "file://" + (folder / "absent.gif").string(), std::string("not an address at all"),
        std::string("ftp://host/b.gif")}) {
    view.Navigate(red);
    ASSERT_EQ(view.ShownAddress(), red);
    QSignalSpy shown(&view, &BannerPreview::PictureShown);
    view.Navigate(QString::fromStdString(address));
    EXPECT_TRUE(QTest::qWaitFor([&view] { return !view.Fetching(); }, 5000)) << address;
    EXPECT_EQ(shown.count(), 0) << address;
    EXPECT_EQ(view.ShownAddress(), "") << address;
    EXPECT_TRUE(view.pixmap().isNull()) << address;
  }
}
