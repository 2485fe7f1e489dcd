#pragma once
// Keystroke to pixels, as the preview benchmarks measure it for Velmora and
// for its floor alike: a key typed into a line edit, then the screen's
// pixels over the page's heading polled until they change.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <functional>

namespace velmora::bench {

inline void Settle(int ms) {
  QEventLoop pause;
  QTimer::singleShot(ms, &pause, &QEventLoop::quit);
  pause.exec();
}

// Where the page's heading is on the screen, from `run`'s answer to a script.
inline QRect HeadingOnScreen(QWidget* view, qreal zoom,
                             const std::function<void(const QString&, std::function<void(const QVariant&)>)>& run) {
  QString rect;
  bool answered = false;
  run(QStringLiteral("(function(r){return [r.left,r.top,r.width,r.height].join()})"
                     "(document.querySelector('h1').getBoundingClientRect())"),
      [&](const QVariant& value) {
        rect = value.toString();
        answered = true;
      });
  QElapsedTimer wait;
  wait.start();
  while (!answered && wait.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  const QStringList parts = rect.split(QLatin1Char(','));
  if (parts.size() != 4) return {};
  const QPoint origin = view->mapToGlobal(QPoint(0, 0));
  return QRect(origin.x() + qRound(parts[0].toDouble() * zoom), origin.y() + qRound(parts[1].toDouble() * zoom),
               qRound(parts[2].toDouble() * zoom), qRound(parts[3].toDouble() * zoom))
      .intersected(QRect(origin, view->size()));
}

inline QImage Grab(const QRect& area) {
  return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// A key typed into `edit` (a letter, or Backspace to take it away again),
// then the milliseconds until the screen's pixels at `area` change;
// negative when they do not within 20 s.
inline double KeyToPixels(QLineEdit* edit, const QRect& area, bool add) {
  const QImage before = Grab(area);
  edit->setFocus();
  const int key = add ? Qt::Key_X : Qt::Key_Backspace;
  const QString text = add ? QStringLiteral("x") : QString();
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QElapsedTimer clock;
  clock.start();
  QCoreApplication::sendEvent(edit, &press);
  QCoreApplication::sendEvent(edit, &release);
  while (clock.elapsed() < 20000) {
    QCoreApplication::processEvents();
    if (Grab(area) != before) return static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QThread::usleep(500);
  }
  return -1;
}

}  // namespace velmora::bench
