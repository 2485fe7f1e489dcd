#include "ui/pages/PpcAdPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/pages/PageParts.h"

namespace velmora {

PpcAdPage::PpcAdPage(const PromoKindInfo& info, QWidget* parent) : PromoPage(info, parent) {
  // The first input carries the plain name, as on every promo page.
  title_ = Named(new QLineEdit(this), NameOf("Input"));
  body_ = Memo(NameOf("BodyInput"), this);
  body_->setMaximumHeight(90);
  // Three lines of the body stay in view however small the window gets.
  body_->setMinimumHeight(body_->fontMetrics().lineSpacing() * 3 + 2 * body_->frameWidth() + 8);
  link_ = Named(new QLineEdit(this), NameOf("LinkInput"));
  auto* form = new QGridLayout;
  form->addWidget(Caption(QStringLiteral("Title:"), this, title_), 0, 0);
  form->addWidget(title_, 0, 1);
  form->addWidget(Caption(QStringLiteral("Body:"), this, body_), 1, 0, Qt::AlignTop);
  form->addWidget(body_, 1, 1);
  form->addWidget(Caption(QStringLiteral("Link:"), this, link_), 2, 0);
  form->addWidget(link_, 2, 1);
  Layout()->addLayout(form);
  for (QLineEdit* field : {title_, link_}) {
    KeepOnOneLine(field);
    connect(field, &QLineEdit::returnPressed, this, &PromoPage::createRequested);
  }
  FinishBuilding({title_, body_, link_});
}

PromoInput PpcAdPage::Input() const {
  return {FromQString(title_->text()), FromMultiline(body_->toPlainText()), FromQString(link_->text())};
}

void PpcAdPage::SetInput(const PromoInput& input) {
  title_->setText(ToQString(input.text));
  body_->setPlainText(ToMultiline(input.body));
  link_->setText(ToQString(input.link));
}

QWidget* PpcAdPage::FirstInput() const { return title_; }

void PpcAdPage::ClearInputs() {
  title_->clear();
  body_->clear();
  link_->clear();
}

}  // namespace velmora
