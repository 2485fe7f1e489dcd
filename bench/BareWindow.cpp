// The yardstick for start-up: the smallest Qt window program. Prints
// "shown" once the window is on the screen, then quits.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QLabel(QStringLiteral("Bare window")));
  window.resize(732, 521);
  window.show();
  QTimer::singleShot(0, &app, [&] {
    std::puts("shown");
    std::fflush(stdout);
    QApplication::quit();
  });
  return app.exec();
}
