#include "ui/pages/PostPage.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "project/SocialPost.h"
#include "ui/pages/PageParts.h"

namespace velmora {

PostPage::PostPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent)
    : PromoPage(info, parent), affiliateLink_(context.affiliateLink) {
  text_ = Memo(NameOf("Input"), this);
  Layout()->addWidget(Caption(Latin1(info.page.inputCaption), this, text_));
  Layout()->addWidget(text_, 2);
  length_ = new QLabel(this);
  length_->setObjectName(NameOf("Length"));
  Layout()->addWidget(length_);
  connect(text_, &QPlainTextEdit::textChanged, this, &PostPage::ShowLength);
  FinishBuilding({text_});
  ShowLength();
}

void PostPage::ShowLength() {
  const std::string link = affiliateLink_ ? affiliateLink_() : std::string();
  const PostLength length = MeasurePost(FromMultiline(text_->toPlainText()), link);
  QString text = QStringLiteral("With the link: %1 characters; on X %2 of %3.")
                     .arg(length.characters)
                     .arg(length.onX)
                     .arg(kXPostLimit);
  const bool tooLong = length.onX > kXPostLimit;
  if (tooLong) text += QStringLiteral(" Too long for X: shorten it by %1.").arg(length.onX - kXPostLimit);
  length_->setText(text);
  length_->setProperty("tooLong", tooLong);
  length_->setStyleSheet(tooLong ? QStringLiteral("color:#b00020;font-weight:600") : QString());
}

void PostPage::showEvent(QShowEvent* event) {
  // The link may have changed on the first page since the post was typed.
  ShowLength();
  PromoPage::showEvent(event);
}

PromoInput PostPage::Input() const { return {FromMultiline(text_->toPlainText()), {}, {}}; }

void PostPage::SetInput(const PromoInput& input) { text_->setPlainText(ToMultiline(input.text)); }

QWidget* PostPage::FirstInput() const { return text_; }

void PostPage::ClearInputs() { text_->clear(); }

}  // namespace velmora
