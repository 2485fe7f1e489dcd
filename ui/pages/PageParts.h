#pragma once
// The small pieces every wizard page is built from.

#include <QString>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace velmora {

template <typename T>
T* Named(T* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QString Latin1(std::string_view text);

QLabel* Caption(const QString& text, QWidget* parent, QWidget* buddy = nullptr);

// A multi-line input or view where Tab moves on, as everywhere else in the wizard.
QPlainTextEdit* Memo(const QString& name, QWidget* parent);

// A pasted line break in a one-line field shows as the space it is stored as.
void KeepOnOneLine(QLineEdit* field);

// Tab walks the widgets in this order.
void ChainTabOrder(const std::vector<QWidget*>& widgets);

}  // namespace velmora
