#include "ui/pages/WizardPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velmora {

WizardPage::WizardPage(const QString& name, const QString& heading, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  layout_ = new QVBoxLayout(this);
  // Tight margins: the tallest page (the template preview) must fit the 521-pixel window.
  layout_->setContentsMargins(4, 2, 4, 2);
  layout_->setSpacing(4);
  heading_ = new QLabel(heading, this);
  heading_->setObjectName(name + QStringLiteral("Heading"));
  QFont font = heading_->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  heading_->setFont(font);
  layout_->addWidget(heading_);
}

void WizardPage::NumberStep(int step) { heading_->setText(QStringLiteral("Step %1: ").arg(step) + heading_->text()); }

}  // namespace velmora
