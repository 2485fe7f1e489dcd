#include "ui/pages/PageParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/QtText.h"
#include "project/ProjectFile.h"

namespace velmora {

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* Caption(const QString& text, QWidget* parent, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QPlainTextEdit* Memo(const QString& name, QWidget* parent) {
  auto* memo = Named(new QPlainTextEdit(parent), name);
  memo->setTabChangesFocus(true);
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return memo;
}

void KeepOnOneLine(QLineEdit* field) {
  QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) return;
    const int cursor = field->cursorPosition();
    field->setText(ToQString(OneLine(FromQString(text))));
    field->setCursorPosition(std::min(cursor, static_cast<int>(field->text().size())));
  });
}

void ChainTabOrder(const std::vector<QWidget*>& widgets) {
  for (std::size_t i = 1; i < widgets.size(); ++i) QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

}  // namespace velmora
