#include "ui/NewsHint.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

namespace velmora {

namespace {

QPointer<NewsHint>& CurrentHint() {
  static QPointer<NewsHint> hint;
  return hint;
}

}  // namespace

NewsHint::NewsHint(const QString& text, QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("LMDMessageHint1"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8 + kShadow, 6 + kShadow);
  label_ = new QLabel(text, this);
  label_->setTextFormat(Qt::PlainText);
  QFont font = label_->font();
  font.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
  font.setPointSize(8);
  label_->setFont(font);
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
  label_->setPalette(palette);
  layout->addWidget(label_);
  adjustSize();
  // The corners beside the shadow belong to whatever lies underneath.
  const QRect body = rect().adjusted(0, 0, -kShadow, -kShadow);
  setMask(QRegion(body).united(QRegion(body.translated(kShadow, kShadow))));
}

NewsHint* NewsHint::Show(const QString& text, const QPoint& anchor, QWidget* owner) {
  if (NewsHint* old = CurrentHint()) {
    old->Dismiss();
    delete old;
  }
  auto* hint = new NewsHint(text, owner);
  QPoint topLeft(anchor.x() - hint->width() + kShadow, anchor.y());
  if (const QScreen* screen = QGuiApplication::screenAt(anchor)) {
    const QRect area = screen->availableGeometry();
    topLeft.setX(qMax(area.left(), topLeft.x()));
    topLeft.setY(qMin(topLeft.y(), area.bottom() - hint->height()));
  }
  hint->move(topLeft);
  qApp->installEventFilter(hint);
  CurrentHint() = hint;
  hint->show();
  return hint;
}

NewsHint* NewsHint::Current() { return CurrentHint(); }

void NewsHint::Dismiss() {
  qApp->removeEventFilter(this);
  close();
}

bool NewsHint::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::ApplicationDeactivate:
    case QEvent::ToolTip:  // a tool tip would show under or over it
      Dismiss();
      break;
    case QEvent::Show:
      // A dialog needs the user's attention, and the balloon would float over it.
      if (auto* shown = qobject_cast<QWidget*>(watched); shown && shown != this && shown->isWindow() &&
                                                           (shown->isModal() || qobject_cast<QDialog*>(shown)))
        Dismiss();
      break;
    case QEvent::ApplicationStateChange:
      if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive) Dismiss();
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void NewsHint::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect body = rect().adjusted(0, 0, -kShadow - 1, -kShadow - 1);
  painter.fillRect(body.translated(kShadow, kShadow), QColor(64, 64, 64));
  painter.setPen(palette().color(QPalette::ToolTipText));
  painter.setBrush(palette().color(QPalette::ToolTipBase));
  painter.drawRect(body);
}

}  // namespace velmora
