#include "ui/pages/TextPromoPage.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/pages/PageParts.h"

namespace velmora {

TextPromoPage::TextPromoPage(const PromoKindInfo& info, QWidget* parent) : PromoPage(info, parent) {
  text_ = Memo(NameOf("Input"), this);
  Layout()->addWidget(Caption(Latin1(info.page.inputCaption), this, text_));
  Layout()->addWidget(text_, 2);
  FinishBuilding({text_});
}

PromoInput TextPromoPage::Input() const { return {FromMultiline(text_->toPlainText()), {}, {}}; }

void TextPromoPage::SetInput(const PromoInput& input) { text_->setPlainText(ToMultiline(input.text)); }

QWidget* TextPromoPage::FirstInput() const { return text_; }

void TextPromoPage::ClearInputs() { text_->clear(); }

}  // namespace velmora
