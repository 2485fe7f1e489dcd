// Page 1 (template list and preview) and page 10 (output delivery).
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Utils.h"
#include "generator/OutputDelivery.h"
#include "generator/TemplateCatalogue.h"
#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtPlaces.h"
#include "platform/QtText.h"
#include "project/ProjectFile.h"
#include "ui/FMain.h"

namespace velmora {

namespace {

constexpr int kPreviewWidth = 398;
constexpr int kPreviewHeight = 266;

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

}  // namespace

void TfrmMain::BuildOutputPages() {
  QWidget* templatePage = Page(1);
  auto* chooser = new QHBoxLayout;
  auto* templateLabel = new QLabel(QStringLiteral("Template:"), templatePage);
  cbxTemplates = new QComboBox(templatePage);
  cbxTemplates->setObjectName(QStringLiteral("cbxTemplates"));
  cbxTemplates->setEditable(false);
  cbxTemplates->setMinimumWidth(240);
  cbxTemplates->setPlaceholderText(QStringLiteral("No templates found"));
  templateLabel->setBuddy(cbxTemplates);
  chooser->addWidget(templateLabel);
  chooser->addWidget(cbxTemplates);
  chooser->addStretch(1);
  PageLayout(1)->addLayout(chooser);

  grpPreview = new QGroupBox(QStringLiteral("Preview"), templatePage);
  grpPreview->setObjectName(QStringLiteral("grpPreview"));
  auto* frame = new QVBoxLayout(grpPreview);
  panPreview = new QWidget(grpPreview);
  panPreview->setObjectName(QStringLiteral("panPreview"));
  panPreview->setFixedSize(kPreviewWidth, kPreviewHeight);
  Image1 = new QLabel(panPreview);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(false);
  Image1->hide();
  frame->addWidget(panPreview, 0, Qt::AlignCenter);
  PageLayout(1)->addWidget(grpPreview, 0, Qt::AlignLeft);
  PageLayout(1)->addStretch(1);
  connect(cbxTemplates, &QComboBox::currentTextChanged, this, [this] { cbxTemplatesChange(); });

  QWidget* finishPage = Page(10);
  auto* nameLabel = new QLabel(QStringLiteral("Output filename:"), finishPage);
  edtFilename = new QLineEdit(finishPage);
  edtFilename->setObjectName(QStringLiteral("edtFilename"));
  edtFilename->setMaximumWidth(360);
  nameLabel->setBuddy(edtFilename);
  // Preset before the binding exists, so FileName stays empty until the user edits.
  edtFilename->setText(QStringLiteral("affiliatepage.htm"));
  connect(edtFilename, &QLineEdit::textChanged, this, [this] { edtFilenameChange(); });
  // Created in the order Tab visits them, top to bottom.
  auto* folderLabel = new QLabel(QStringLiteral("Saved in:"), finishPage);
  lblOutputFolder = new PathLabel(finishPage);
  lblOutputFolder->setObjectName(QStringLiteral("lblOutputFolder"));
  lblOutputFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblOutputFolder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  btnChangeOutputFolder = new QPushButton(QStringLiteral("&Change\u2026"), finishPage);
  btnChangeOutputFolder->setObjectName(QStringLiteral("btnChangeOutputFolder"));
  folderLabel->setBuddy(btnChangeOutputFolder);
  connect(btnChangeOutputFolder, &QPushButton::clicked, this, [this] { btnChangeOutputFolderClick(); });
  rbtSaveWeb = new QRadioButton(QStringLiteral("Save as &web page"), finishPage);
  rbtSaveWeb->setObjectName(QStringLiteral("rbtSaveWeb"));
  rbtSaveWeb->setChecked(true);
  rbtClipboard = new QRadioButton(QStringLiteral("&Place code in your clipboard to paste in your html editor"), finishPage);
  rbtClipboard->setObjectName(QStringLiteral("rbtClipboard"));
  btnFinish = new QPushButton(QStringLiteral("&Generate Code"), finishPage);
  btnFinish->setObjectName(QStringLiteral("btnFinish"));
  btnOpenInBrowser = new QPushButton(QStringLiteral("&Open in Browser"), finishPage);
  btnOpenInBrowser->setObjectName(QStringLiteral("btnOpenInBrowser"));
  btnOpenInBrowser->setEnabled(false);
  // The clipboard needs no folder.
  connect(rbtSaveWeb, &QRadioButton::toggled, this, [this, folderLabel](bool saving) {
    folderLabel->setEnabled(saving);
    lblOutputFolder->setEnabled(saving);
    btnChangeOutputFolder->setEnabled(saving);
  });
  connect(btnFinish, &QPushButton::clicked, this, [this] { btnFinishClick(); });
  connect(btnOpenInBrowser, &QPushButton::clicked, this, [this] { btnOpenInBrowserClick(); });

  QVBoxLayout* layout = PageLayout(10);
  layout->addSpacing(8);
  layout->addWidget(nameLabel);
  layout->addWidget(edtFilename);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderLabel);
  folderRow->addWidget(lblOutputFolder, 1);
  folderRow->addWidget(btnChangeOutputFolder);
  layout->addLayout(folderRow);
  layout->addSpacing(8);
  layout->addWidget(rbtSaveWeb);
  layout->addWidget(rbtClipboard);
  layout->addSpacing(12);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnFinish);
  buttons->addWidget(btnOpenInBrowser);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  BuildFindingsList(layout);
  layout->addStretch(0);
  ShowPageFolder(ChosenOutputFolder(Where));
}

void TfrmMain::ShowPageFolder(const std::filesystem::path& folder) {
  PageFolder = folder;
  static_cast<PathLabel*>(lblOutputFolder)->SetPath(QDir::toNativeSeparators(FromPath(folder)));
}

void TfrmMain::btnChangeOutputFolderClick() {
  const std::filesystem::path current = OutputFolderChoice();
  std::error_code ec;
  // The dialog opens where pages go now, or the nearest folder above it that exists.
  std::filesystem::path start = current;
  while (!start.empty() && !std::filesystem::is_directory(start, ec) && start != start.parent_path())
    start = start.parent_path();
  const QString folder = Dialogs().ChooseFolder(this, QStringLiteral("Save pages in"), FromPath(start));
  if (folder.isEmpty()) return;
  if (!RememberOutputFolder(Where, ToPath(folder))) {
    Messages().ShowMessage(MessageKind::Warning,
                           "The folder is used for now, but could not be remembered in " +
                               Where.UserSettingsFile().string());
  }
  ShowPageFolder(ToPath(folder));
}

void TfrmMain::LoadTemplates() {
  const std::vector<std::string> names = ListTemplates(Where.TemplateFolders());
  {
    const QSignalBlocker quiet(cbxTemplates);
    cbxTemplates->clear();
    for (const auto& name : names) cbxTemplates->addItem(ToQString(name));
    cbxTemplates->setCurrentIndex(-1);
  }
  if (cbxTemplates->count() > 0) cbxTemplates->setCurrentIndex(0);
}

void TfrmMain::cbxTemplatesChange() {
  if (!AffManager) return;
  Image1->show();
  const TemplateChoice choice =
      ChooseTemplate(*AffManager, Where.TemplateFolders(), FromQString(cbxTemplates->currentText()));
  QPixmap picture;
  if (!choice.preview || !picture.load(QFile::decodeName(QByteArray::fromStdString(choice.preview->string())))) {
    // A missing or undecodable preview hides the picture; nothing is reported.
    Image1->clear();
    Image1->hide();
    return;
  }
  Image1->setPixmap(picture);
  // At its own size, centred; the panel cuts off whatever is larger than it.
  Image1->setGeometry((kPreviewWidth - picture.width()) / 2, (kPreviewHeight - picture.height()) / 2,
                      picture.width(), picture.height());
}

void TfrmMain::SelectTemplateAfterLoad(const std::string& name) {
  std::vector<std::string> listed;
  for (int i = 0; i < cbxTemplates->count(); ++i) listed.push_back(FromQString(cbxTemplates->itemText(i)));
  // A template that is not listed is not guessed at: the first is shown, as at start-up.
  const int index = static_cast<int>(FindListedTemplate(listed, name).value_or(0));
  if (index < cbxTemplates->count()) {
    if (cbxTemplates->currentIndex() != index) {
      cbxTemplates->setCurrentIndex(index);
    } else {
      cbxTemplatesChange();
    }
  }
  if (AffManager) AffManager->Template = name;
}

void TfrmMain::SetOutputFileNameField(const std::string& name) {
  edtFilename->setText(ToQString(name));
  // The model keeps the bytes as read, even where the field cannot show them.
  if (AffManager) AffManager->FileName = name;
}

void TfrmMain::edtFilenameChange() {
  if (AffManager) AffManager->FileName = OneLine(FromQString(edtFilename->text()));
}

void TfrmMain::btnFinishClick() {
  RunGuarded(this, [this] {
    const OutputRequest request{Where, OutputFolderChoice(), FromQString(cbxTemplates->currentText()),
                                FromQString(edtFilename->text())};
    const DeliveryMode mode = rbtClipboard->isChecked() ? DeliveryMode::Clipboard : DeliveryMode::SaveWebPage;
    const OutputResult result = velmora::btnFinishClick(mode, *AffManager, request, Messages(), Clipboard());
    if (result.savedFile) {
      LastSavedPage = result.savedFile->string();
      btnOpenInBrowser->setEnabled(true);
    }
    CheckGeneratedPage(result.page, request.templateName);
  });
}

void TfrmMain::btnOpenInBrowserClick() {
  if (LastSavedPage.empty()) return;
  OpenInBrowser(Shell(), FromQString(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(LastSavedPage))).toString()));
}

}  // namespace velmora
