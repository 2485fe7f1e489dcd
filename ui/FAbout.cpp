#include "ui/FAbout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/QtText.h"

namespace velmora {

TfrmAbout::TfrmAbout(const BrandSettings& brand, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setModal(true);
  setFixedSize(368, 211);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 10);
  layout->setSpacing(4);
  lblProductName = new QLabel(this);
  lblProductName->setObjectName(QStringLiteral("lblProductName"));
  QFont bold = lblProductName->font();
  bold.setBold(true);
  lblProductName->setFont(bold);
  lblProductVersion = new QLabel(this);
  lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
  lblCopyright = new QLabel(this);
  lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
  for (QLabel* label : {lblProductName, lblProductVersion, lblCopyright}) {
    // Brand texts are shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
  }
  memAbout = new QPlainTextEdit(this);
  memAbout->setObjectName(QStringLiteral("memAbout"));
  memAbout->setReadOnly(true);
  memAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(memAbout, 1);
  editAbout = new QPushButton(QStringLiteral("Ok"), this);
  editAbout->setObjectName(QStringLiteral("editAbout"));
  editAbout->setDefault(true);
  connect(editAbout, &QPushButton::clicked, this, &TfrmAbout::editAboutClick);
  layout->addWidget(editAbout, 0, Qt::AlignHCenter);

  FormCreate(brand);
}

void TfrmAbout::FormCreate(const BrandSettings& brand) {
  const QString name = ToQString(brand.ApplicationName);
  setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
  lblProductName->setText(name);
  lblProductVersion->setText(QStringLiteral("Product Version: ") + QString::fromLatin1(ProgramVersion));
  lblCopyright->setText(QStringLiteral("Copyright \u00A9 ") + ToQString(brand.CopyrightYears) + QStringLiteral(" ") +
                        ToQString(brand.CopyrightCompany));
  memAbout->setPlainText(ToMultiline(brand.AboutText));
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TfrmAbout::editAboutClick() { accept(); }

}  // namespace velmora
