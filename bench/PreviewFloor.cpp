// The floor the preview benchmarks measure against: bare Qt programs with a
// browser view, as its own examples make one.
//   bench_PreviewFloor PAGE: a window that, on a key press a moment after
//     it is on the screen, creates a browser view and loads the page file
//     into it. Prints the milliseconds from the key press to the page
//     loaded, and whether the window kept its X window, then quits.
//   bench_PreviewFloor type PAGE ZOOM WIDTH HEIGHT X: a line edit above a view
//     of the page, of that size and zoom, at X on the screen; every change
//     of the line edit sets the page's heading through a script. Prints
//     "ready", then for each line "add" or "remove" on its input types a key
//     or Backspace and prints the milliseconds to the heading's pixels changed.
#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "bench/PreviewPixels.h"

namespace {

int Open(const QUrl& page) {
  QMainWindow window;
  auto* central = new QWidget;
  auto* layout = new QHBoxLayout(central);
  layout->addWidget(new QLabel(QStringLiteral("Bare window")));
  window.setCentralWidget(central);
  window.resize(1212, 521);
  window.show();
  QElapsedTimer clock;
  WId before = 0;
  QTimer::singleShot(1000, qApp, [&] {
    before = window.winId();
    clock.start();
    auto* view = new QWebEngineView(central);
    layout->addWidget(view, 1);
    QObject::connect(view, &QWebEngineView::loadFinished, qApp, [&] {
      std::printf("%.1f %s\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                  window.winId() == before ? "same-window" : "new-window");
      std::fflush(stdout);
      QApplication::quit();
    });
    view->load(page);
  });
  QTimer::singleShot(60000, qApp, &QApplication::quit);
  return QApplication::exec();
}

int Type(const QUrl& page, qreal zoom, int width, int height, int x) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QLineEdit(QStringLiteral("Benchmark page"), &window);
  auto* view = new QWebEngineView(&window);
  layout->addWidget(edit);
  layout->addWidget(view, 1);
  QObject::connect(edit, &QLineEdit::textChanged, view, [view](const QString& text) {
    const QByteArray quoted = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    view->page()->runJavaScript(QStringLiteral("document.querySelector('h1').textContent=") +
                                QString::fromUtf8(quoted.mid(1, quoted.size() - 2)));
  });
  view->setZoomFactor(zoom);
  view->setFixedSize(width, height);
  window.move(x, 0);
  window.show();
  QEventLoop loading;
  QObject::connect(view, &QWebEngineView::loadFinished, &loading, &QEventLoop::quit);
  view->load(page);
  loading.exec();
  velmora::bench::Settle(1000);
  const QRect heading = velmora::bench::HeadingOnScreen(
      view, zoom, [view](const QString& script, auto done) { view->page()->runJavaScript(script, done); });
  if (heading.isEmpty()) return 1;
  std::puts("ready");
  std::fflush(stdout);
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  std::string line;
  QObject::connect(&input, &QSocketNotifier::activated, qApp, [&] {
    char c = 0;
    if (::read(STDIN_FILENO, &c, 1) != 1) return QApplication::quit();
    if (c != '\n') return line.push_back(c);
    const bool add = line == "add";
    line.clear();
    std::printf("%.2f\n", velmora::bench::KeyToPixels(edit, heading, add));
    std::fflush(stdout);
  });
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  if (argc == 2) return Open(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
  if (argc == 7 && std::strcmp(argv[1], "type") == 0)
    return Type(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2])), QString::fromLatin1(argv[3]).toDouble(),
                std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
  return 2;
}
