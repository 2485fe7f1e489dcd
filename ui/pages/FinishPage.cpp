#include "ui/pages/FinishPage.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "generator/OutputDelivery.h"
#include "platform/QtText.h"
#include "ui/FindingsList.h"
#include "ui/pages/PageParts.h"

namespace velmora {

// A long folder shows its start and end, and whole in its tooltip.
class PathLabel : public QLabel {
public:
  using QLabel::QLabel;
  void SetPath(const QString& path) {
    path_ = path;
    setToolTip(path);
    Elide();
  }

protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

private:
  void Elide() { setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(width(), 40))); }
  QString path_;
};

FinishPage::FinishPage(QWidget* parent)
    : WizardPage(QStringLiteral("finishPage"), QStringLiteral("Finish! Click Generate Code And You Are Done..."),
                 parent) {
  name_ = Named(new QLineEdit(this), QStringLiteral("outputNameInput"));
  name_->setMaximumWidth(360);
  auto* nameCaption = Caption(QStringLiteral("Output filename:"), this, name_);
  // Preset before it is watched, so the project's name stays empty until the user edits.
  name_->setText(ToQString(kDefaultOutputName));
  KeepOnOneLine(name_);
  connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (suggesting_) return;
    emit outputNameTyped(text);
    emit edited();
  });
  // Created in the order Tab visits them, top to bottom.
  auto* folderCaption = new QLabel(QStringLiteral("Saved in:"), this);
  folder_ = Named(new PathLabel(this), QStringLiteral("outputFolder"));
  folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  folder_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* changeFolder =
      Named(new QPushButton(QStringLiteral("&Change\u2026"), this), QStringLiteral("changeOutputFolderButton"));
  folderCaption->setBuddy(changeFolder);
  saveWebPage_ =
      Named(new QRadioButton(QStringLiteral("Save as &web page"), this), QStringLiteral("saveWebPageOption"));
  saveWebPage_->setChecked(true);
  clipboard_ =
      Named(new QRadioButton(QStringLiteral("&Place code in your clipboard to paste in your html editor"), this),
            QStringLiteral("clipboardOption"));
  auto* generate = Named(new QPushButton(QStringLiteral("&Generate Code"), this), QStringLiteral("generateButton"));
  open_ = Named(new QPushButton(QStringLiteral("Open &in Browser"), this), QStringLiteral("openInBrowserButton"));
  open_->setEnabled(false);
  auto* publish =
      Named(new QPushButton(QStringLiteral("P&ublish\u2026"), this), QStringLiteral("openPublishButton"));
  // The clipboard needs no folder.
  connect(saveWebPage_, &QRadioButton::toggled, this, [this, folderCaption, changeFolder](bool saving) {
    folderCaption->setEnabled(saving);
    folder_->setEnabled(saving);
    changeFolder->setEnabled(saving);
    emit edited();
  });
  connect(changeFolder, &QPushButton::clicked, this, &FinishPage::changeFolderRequested);
  connect(generate, &QPushButton::clicked, this, &FinishPage::generateRequested);
  connect(open_, &QPushButton::clicked, this, &FinishPage::openRequested);
  connect(publish, &QPushButton::clicked, this, &FinishPage::publishRequested);

  QVBoxLayout* layout = Layout();
  layout->addSpacing(8);
  layout->addWidget(nameCaption);
  layout->addWidget(name_);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderCaption);
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(changeFolder);
  layout->addLayout(folderRow);
  layout->addSpacing(8);
  layout->addWidget(saveWebPage_);
  layout->addWidget(clipboard_);
  layout->addSpacing(12);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(generate);
  buttons->addWidget(open_);
  buttons->addWidget(publish);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  findings_ = new FindingsList(this);
  layout->addWidget(findings_, 1);
  findingsElsewhere_ = Named(new QLabel(QStringLiteral("What the page check finds is listed under the preview."), this),
                             QStringLiteral("findingsElsewhere"));
  findingsElsewhere_->setWordWrap(true);
  findingsElsewhere_->hide();
  layout->addWidget(findingsElsewhere_);
  layout->addStretch(0);
}

std::string FinishPage::OutputName() const { return FromQString(name_->text()); }

void FinishPage::ShowOutputName(const std::string& name) { name_->setText(ToQString(name)); }

void FinishPage::ShowSuggestedName(const std::string& name) {
  suggesting_ = true;
  name_->setText(ToQString(name));
  suggesting_ = false;
}

bool FinishPage::ToClipboard() const { return clipboard_->isChecked(); }

void FinishPage::ResetMode() { saveWebPage_->setChecked(true); }

void FinishPage::ShowFolder(const std::filesystem::path& folder) {
  folder_->SetPath(QDir::toNativeSeparators(FromPath(folder)));
}

void FinishPage::OfferOpening() { open_->setEnabled(true); }

void FinishPage::ShowFindings(std::vector<Finding> findings) { findings_->ShowFindings(std::move(findings)); }

void FinishPage::CheckInBackground(std::function<std::vector<Finding>()> check) {
  findings_->CheckInBackground(std::move(check));
}

void FinishPage::OnFindingChosen(std::function<void(const Finding&)> handler) {
  findings_->OnActivated(std::move(handler));
}

void FinishPage::OnIntendedChanged(std::function<void(const std::string& key, bool intended)> handler) {
  findings_->OnIntendedChanged(std::move(handler));
}

void FinishPage::ApplyIntended(const std::vector<std::string>& intended) { findings_->ApplyIntended(intended); }

void FinishPage::ListFindingsHere(bool here) {
  findings_->ListHere(here);
  findingsElsewhere_->setVisible(!here);
}

}  // namespace velmora
