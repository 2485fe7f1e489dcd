#pragma once
// The message balloon: a small tool-tip-like note below and to the left of
// a point on the screen. It closes at the user's next click or key press
// anywhere in the program, when a dialog or a tool tip shows, or when the
// program loses the focus.

#include <QLabel>
#include <QPoint>
#include <QWidget>

namespace velmora {

class NewsHint : public QWidget {
public:
  static constexpr int kShadow = 4;

  // Replaces a balloon that is still showing.
  static NewsHint* Show(const QString& text, const QPoint& anchor, QWidget* owner);
  static NewsHint* Current();

  QString text() const { return label_->text(); }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  NewsHint(const QString& text, QWidget* owner);
  void Dismiss();

  QLabel* label_ = nullptr;
};

}  // namespace velmora
