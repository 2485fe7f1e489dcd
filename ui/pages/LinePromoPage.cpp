#include "ui/pages/LinePromoPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/pages/PageParts.h"

namespace velmora {

LinePromoPage::LinePromoPage(const PromoKindInfo& info, QWidget* parent) : PromoPage(info, parent) {
  line_ = Named(new QLineEdit(this), NameOf("Input"));
  OfferPastedLines(line_);
  KeepOnOneLine(line_);
  Layout()->addWidget(Caption(Latin1(info.page.inputCaption), this, line_));
  Layout()->addWidget(line_);
  connect(line_, &QLineEdit::returnPressed, this, &PromoPage::createRequested);
  FinishBuilding({line_});
}

PromoInput LinePromoPage::Input() const { return {FromQString(line_->text()), {}, {}}; }

void LinePromoPage::SetInput(const PromoInput& input) { line_->setText(ToQString(input.text)); }

QWidget* LinePromoPage::FirstInput() const { return line_; }

void LinePromoPage::ClearInputs() { line_->clear(); }

}  // namespace velmora
