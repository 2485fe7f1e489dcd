// The yardstick for opening the preview: a bare Qt window program that, on
// a key press a moment after it is on the screen, creates a browser view and
// loads a page file into it. Prints the milliseconds from the key press to
// the page loaded, and whether the window kept its X window, then quits.
#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QMainWindow window;
  auto* central = new QWidget;
  auto* layout = new QHBoxLayout(central);
  layout->addWidget(new QLabel(QStringLiteral("Bare window")));
  window.setCentralWidget(central);
  window.resize(1212, 521);
  window.show();
  QElapsedTimer clock;
  WId before = 0;
  const QUrl page = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]));
  QTimer::singleShot(1000, &app, [&] {
    before = window.winId();
    clock.start();
    auto* view = new QWebEngineView(central);
    layout->addWidget(view, 1);
    QObject::connect(view, &QWebEngineView::loadFinished, &app, [&] {
      std::printf("%.1f %s\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                  window.winId() == before ? "same-window" : "new-window");
      std::fflush(stdout);
      QApplication::quit();
    });
    view->load(page);
  });
  QTimer::singleShot(60000, &app, &QApplication::quit);
  return app.exec();
}
