#include "ui/AboutWindow.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/QtText.h"

namespace velmora {

AboutWindow::AboutWindow(const BrandSettings& brand, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setModal(true);
  setFixedSize(368, 211);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 10);
  layout->setSpacing(4);
  productName_ = new QLabel(this);
  productName_->setObjectName(QStringLiteral("lblProductName"));
  QFont bold = productName_->font();
  bold.setBold(true);
  productName_->setFont(bold);
  productVersion_ = new QLabel(this);
  productVersion_->setObjectName(QStringLiteral("lblProductVersion"));
  copyright_ = new QLabel(this);
  copyright_->setObjectName(QStringLiteral("lblCopyright"));
  for (QLabel* label : {productName_, productVersion_, copyright_}) {
    // Brand texts are shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
  }
  aboutText_ = new QPlainTextEdit(this);
  aboutText_->setObjectName(QStringLiteral("memAbout"));
  aboutText_->setReadOnly(true);
  aboutText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(aboutText_, 1);
  // A brand's skin reaches the box through its parent; the names stay as skins know them.
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("editAbout"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);

  ShowBrand(brand);
}

void AboutWindow::ShowBrand(const BrandSettings& brand) {
  const QString name = ToQString(brand.ApplicationName);
  setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
  productName_->setText(name);
  productVersion_->setText(QStringLiteral("Product Version: ") + QString::fromLatin1(ProgramVersion));
  copyright_->setText(QStringLiteral("Copyright \u00A9 ") + ToQString(brand.CopyrightYears) + QStringLiteral(" ") +
                      ToQString(brand.CopyrightCompany));
  aboutText_->setPlainText(ToMultiline(brand.AboutText));
}

void AboutWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace velmora
