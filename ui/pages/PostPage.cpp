#include "ui/pages/PostPage.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "project/SocialPost.h"

namespace velmora {

PostPage::PostPage(const PromoKindInfo& info, const PromoPageContext& context, QWidget* parent)
    : TextPromoPage(info, parent), affiliateLink_(context.affiliateLink), length_(new QLabel(this)) {
  length_->setObjectName(NameOf("Length"));
  // Right under the post, above the buttons.
  Layout()->insertWidget(Layout()->indexOf(TextInput()) + 1, length_);
  connect(TextInput(), &QPlainTextEdit::textChanged, this, &PostPage::ShowLength);
  ShowLength();
}

void PostPage::ShowLength() {
  const std::string link = affiliateLink_ ? affiliateLink_() : std::string();
  const PostLength length = MeasurePost(FromMultiline(TextInput()->toPlainText()), link);
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
  TextPromoPage::showEvent(event);
}

}  // namespace velmora
