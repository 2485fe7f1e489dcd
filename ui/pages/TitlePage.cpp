#include "ui/pages/TitlePage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/pages/PageParts.h"

namespace velmora {

TitlePage::TitlePage(QWidget* parent)
    : WizardPage(QStringLiteral("titlePage"), QStringLiteral("Create a new page"), parent) {
  QVBoxLayout* layout = Layout();
  auto* greeting =
      Named(Caption(QStringLiteral("Welcome! In a few steps you'll create an impressive affiliate page."), this),
            QStringLiteral("greeting"));
  greeting->setWordWrap(true);
  layout->addWidget(greeting);
  layout->addSpacing(8);

  title_ = Named(new QLineEdit(this), QStringLiteral("titleInput"));
  layout->addWidget(Caption(QStringLiteral("Enter title of your new page:"), this, title_));
  layout->addWidget(title_);
  layout->addSpacing(8);

  link_ = Named(new QLineEdit(this), QStringLiteral("affiliateLinkInput"));
  auto* linkCaption = Caption(
      QStringLiteral("Enter your product's affiliate link, with your affiliate ID where the vendor's link says \"xxxx\":"),
      this, link_);
  linkCaption->setWordWrap(true);
  layout->addWidget(linkCaption);
  layout->addWidget(link_);
  auto* examples = new QGridLayout;
  examples->addWidget(Caption(QStringLiteral("Examples:"), this), 0, 0, Qt::AlignTop);
  auto* example1 =
      Named(Caption(QStringLiteral("http://xxxx.vendor.hop.clickbank.net"), this), QStringLiteral("example1"));
  auto* example2 =
      Named(Caption(QStringLiteral("http://www.paydotcom.com/r/12345/xxxx"), this), QStringLiteral("example2"));
  for (QLabel* example : {example1, example2}) example->setTextInteractionFlags(Qt::TextSelectableByMouse);
  examples->addWidget(example1, 0, 1);
  examples->addWidget(example2, 1, 1);
  examples->setColumnStretch(1, 1);
  layout->addLayout(examples);
  layout->addSpacing(8);

  description_ = Named(new QLineEdit(this), QStringLiteral("descriptionInput"));
  description_->setPlaceholderText(QStringLiteral("Left blank, the page makes one from the title."));
  auto* descriptionCaption = Caption(
      QStringLiteral("Page description, shown by search engines under the page's link (optional):"), this, description_);
  descriptionCaption->setWordWrap(true);
  layout->addWidget(descriptionCaption);
  layout->addWidget(description_);

  // The affiliate id is only ever filled by a project load; the field stays hidden.
  affiliateId_ = Named(new QLineEdit(this), QStringLiteral("affiliateIdInput"));
  auto* idCaption = Named(Caption(QStringLiteral("Enter your Affiliate ID (Paypal Email):"), this, affiliateId_),
                          QStringLiteral("affiliateIdCaption"));
  auto* optional = Named(Caption(QStringLiteral("Optional"), this), QStringLiteral("affiliateIdOptional"));
  for (QWidget* hidden : std::initializer_list<QWidget*>{idCaption, affiliateId_, optional}) {
    layout->addWidget(hidden);
    hidden->hide();
  }
  layout->addStretch(1);

  Watch(title_, &TitlePage::titleTyped);
  Watch(link_, &TitlePage::affiliateLinkTyped);
  Watch(affiliateId_, &TitlePage::affiliateIdTyped);
  Watch(description_, &TitlePage::descriptionTyped);
  for (QLineEdit* field : {title_, link_, description_})
    connect(field, &QLineEdit::returnPressed, this, &TitlePage::nextRequested);
  ChainTabOrder({title_, link_, description_});
}

void TitlePage::Watch(QLineEdit* field, void (TitlePage::*typed)(const QString&)) {
  KeepOnOneLine(field);
  connect(field, &QLineEdit::textChanged, this, [this, typed](const QString& text) {
    if (!showing_) emit(this->*typed)(text);
    emit edited();
  });
}

std::string TitlePage::Title() const { return FromQString(title_->text()); }

std::string TitlePage::AffiliateLink() const { return FromQString(link_->text()); }

std::string TitlePage::Description() const { return FromQString(description_->text()); }

void TitlePage::ShowValues(const std::string& title, const std::string& link, const std::string& affiliateId,
                           const std::string& description) {
  const QScopedValueRollback<bool> quiet(showing_, true);
  title_->setText(ToQString(title));
  link_->setText(ToQString(link));
  affiliateId_->setText(ToQString(affiliateId));
  description_->setText(ToQString(description));
}

void TitlePage::ShowField(ProjectField field, const std::string& text) {
  QLineEdit* shown = field == ProjectField::URL           ? link_
                     : field == ProjectField::Description ? description_
                                                          : title_;
  {
    const QScopedValueRollback<bool> quiet(showing_, true);
    shown->setText(ToQString(text));
  }
  shown->setFocus(Qt::OtherFocusReason);
  shown->end(false);
}

void TitlePage::FocusTitle() {
  title_->setFocus(Qt::OtherFocusReason);
  title_->selectAll();
}

void TitlePage::FocusAffiliateLink() {
  link_->setFocus(Qt::OtherFocusReason);
  link_->selectAll();
}

QWidget* TitlePage::FirstInput() const { return title_; }

}  // namespace velmora
