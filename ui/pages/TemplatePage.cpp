#include "ui/pages/TemplatePage.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "ui/pages/PageParts.h"

namespace velmora {

namespace {

constexpr int kPictureWidth = 398;
constexpr int kPictureHeight = 266;

}  // namespace

TemplatePage::TemplatePage(QWidget* parent)
    : WizardPage(QStringLiteral("templatePage"), QStringLiteral("Select a template to customize"), parent) {
  auto* chooser = new QHBoxLayout;
  choice_ = Named(new QComboBox(this), QStringLiteral("templateChoice"));
  choice_->setEditable(false);
  choice_->setMinimumWidth(240);
  choice_->setPlaceholderText(QStringLiteral("No templates found"));
  chooser->addWidget(Caption(QStringLiteral("Template:"), this, choice_));
  chooser->addWidget(choice_);
  chooser->addStretch(1);
  Layout()->addLayout(chooser);

  auto* frame = Named(new QGroupBox(QStringLiteral("Preview"), this), QStringLiteral("templatePreviewFrame"));
  auto* frameLayout = new QVBoxLayout(frame);
  auto* area = Named(new QWidget(frame), QStringLiteral("templatePreviewArea"));
  area->setFixedSize(kPictureWidth, kPictureHeight);
  picture_ = Named(new QLabel(area), QStringLiteral("templatePicture"));
  picture_->setScaledContents(false);
  picture_->hide();
  frameLayout->addWidget(area, 0, Qt::AlignCenter);
  Layout()->addWidget(frame, 0, Qt::AlignLeft);
  Layout()->addStretch(1);

  connect(choice_, &QComboBox::currentTextChanged, this, [this] {
    emit templateChosen();
    emit edited();
  });
}

void TemplatePage::ListTemplates(const std::vector<std::string>& names) {
  {
    const QSignalBlocker quiet(choice_);
    choice_->clear();
    for (const auto& name : names) choice_->addItem(ToQString(name));
    choice_->setCurrentIndex(-1);
  }
  if (choice_->count() > 0) choice_->setCurrentIndex(0);
}

std::vector<std::string> TemplatePage::Listed() const {
  std::vector<std::string> listed;
  for (int i = 0; i < choice_->count(); ++i) listed.push_back(FromQString(choice_->itemText(i)));
  return listed;
}

std::string TemplatePage::Chosen() const { return FromQString(choice_->currentText()); }

bool TemplatePage::Choose(std::size_t index) {
  if (choice_->currentIndex() == static_cast<int>(index)) return false;
  choice_->setCurrentIndex(static_cast<int>(index));
  return true;
}

void TemplatePage::ShowPicture(const std::optional<std::filesystem::path>& picture) {
  QPixmap pixmap;
  if (!picture || !pixmap.load(FromPath(*picture))) {
    // A missing or undecodable picture leaves the frame empty; nothing is reported.
    picture_->clear();
    picture_->hide();
    return;
  }
  picture_->setPixmap(pixmap);
  // At its own size, centred; the frame cuts off whatever is larger than it.
  picture_->setGeometry((kPictureWidth - pixmap.width()) / 2, (kPictureHeight - pixmap.height()) / 2, pixmap.width(),
                        pixmap.height());
  picture_->show();
}

void TemplatePage::FocusChoice() { choice_->setFocus(Qt::OtherFocusReason); }

}  // namespace velmora
