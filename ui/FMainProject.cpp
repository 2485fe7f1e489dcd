// Pages 0 and 2-9, the wizard buttons, and loading and saving projects.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "generator/OutputDelivery.h"
#include "generator/TemplateCatalogue.h"
#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtText.h"
#include "project/ProjectFile.h"
#include "ui/BannerPreview.h"
#include "ui/FMain.h"
#include "ui/PromoListRows.h"

namespace velmora {

namespace {

const QString kProjectFilter = QStringLiteral("Settings files (*.set)");
// Every picture kind a browser shows, matched in any letter case (*.JPG,
// *.Png): each letter of the extension as a pair, which both Qt's own dialog
// and the desktop's dialogs understand.
QString PictureFilter() {
  QStringList patterns;
  for (const char* extension : {"gif", "jpg", "jpeg", "png", "webp", "svg", "bmp"}) {
    QString pattern = QStringLiteral("*.");
    for (const QChar letter : QString::fromLatin1(extension))
      pattern += QLatin1Char('[') + letter + letter.toUpper() + QLatin1Char(']');
    patterns << pattern;
  }
  return QStringLiteral("Pictures (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// What differs between the promo pages; the input of the PPC and banner
// pages is built apart.
struct PromoPageParts {
  PromoKind kind;
  int page;
  const char* inputLabel;
  QPlainTextEdit* TfrmMain::*memo;  // the multi-line input, if that is the input
  const char* memoName;
  QPushButton* TfrmMain::*create;
  const char* createName;
  QPushButton* TfrmMain::*remove;
  const char* removeName;
  const char* listCaption;
  QListWidget* TfrmMain::*list;
  const char* listName;
  const char* detailCaption;                   // none for anchors
  QPlainTextEdit* TfrmMain::*details;          // none for anchors and banners
  const char* detailsName;
};

const PromoPageParts kPromoPageParts[] = {
    {PromoKind::Anchors, 2, " Write your anchor text:", nullptr, nullptr, &TfrmMain::btnCreateLinkPromo,
     "btnCreateLinkPromo", &TfrmMain::btnDeleteLinkPromo, "btnDeleteLinkPromo", "Text Link Promos:",
     &TfrmMain::lbxLinkPromo, "lbxLinkPromo", nullptr, nullptr, nullptr},
    {PromoKind::PPC, 3, nullptr, nullptr, nullptr, &TfrmMain::btnCreateProm, "btnCreateProm",
     &TfrmMain::btnDeleteProm, "btnDeleteProm", "PPC Ads Promos:", &TfrmMain::lbxPPCAds, "lbxPPCAds",
     "Ad details:", &TfrmMain::memPPCDetails, "memPPCDetails"},
    {PromoKind::Banners, 4, "Choose image url or browse:", nullptr, nullptr, &TfrmMain::btnCreateImageUrl,
     "btnCreateImageUrl", &TfrmMain::btnDeleteImageUrl, "btnDeleteImageUrl", "Banner Ad Promos:",
     &TfrmMain::lbxBanners, "lbxBanners", "Preview", nullptr, nullptr},
    {PromoKind::Signatures, 5, "Enter your Signature Promo:", &TfrmMain::memSignature, "memSignature",
     &TfrmMain::btnAddSignature, "btnAddSignature", &TfrmMain::btnDeleteSignature, "btnDeleteSignature",
     "Signature Promos:", &TfrmMain::lbxSignatures, "lbxSignatures", "Signature Promo Details:",
     &TfrmMain::memSignatureDetails, "memSignatureDetails"},
    {PromoKind::Email, 6, " Write your email:", &TfrmMain::memEmail, "memEmail", &TfrmMain::btnCreateEmail,
     "btnCreateEmail", &TfrmMain::btnDeleteEmail, "btnDeleteEmail", "Email Ads:", &TfrmMain::lbxEmails, "lbxEmails",
     "Email Ad Details:", &TfrmMain::memEmailDetails, "memEmailDetails"},
    {PromoKind::AutoEmail, 7, " Write your email:", &TfrmMain::memAutoEmail, "memAutoEmail",
     &TfrmMain::btnCreateAutoEmail, "btnCreateAutoEmail", &TfrmMain::btnDeleteAutoEmail, "btnDeleteAutoEmail",
     "Email Autoresponder Promos:", &TfrmMain::lbxAutoEmail, "lbxAutoEmail", "Autoresponder Email Details:",
     &TfrmMain::memAutoEmailDetails, "memAutoEmailDetails"},
    {PromoKind::Articles, 8, "Enter your Article:", &TfrmMain::memArticle, "memArticle", &TfrmMain::btnCreateArticle,
     "btnCreateArticle", &TfrmMain::btnDeleteArticle, "btnDeleteArticle", "Articles:", &TfrmMain::lbxArticles,
     "lbxArticles", "Article Details:", &TfrmMain::memArticleDetails, "memArticleDetails"},
    {PromoKind::PopUps, 9, "Enter your PopUp Code:", &TfrmMain::memPopUp, "memPopUp", &TfrmMain::btnCreatePopUp,
     "btnCreatePopUp", &TfrmMain::btnDeletePopUp, "btnDeletePopUp", "PopUp Codes:", &TfrmMain::lbxPopups,
     "lbxPopups", "PopUp Code Details:", &TfrmMain::memPopUpDetails, "memPopUpDetails"},
};

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

QLabel* Caption(const char* text, QWidget* parent, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QPlainTextEdit* Memo(const char* name, QWidget* parent) {
  auto* memo = Named(new QPlainTextEdit(parent), name);
  memo->setTabChangesFocus(true);  // Tab moves on, as everywhere else in the wizard
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return memo;
}

// Tab walks a page top to bottom and ends on "Back" and "Next".
void ChainTabOrder(const std::vector<QWidget*>& widgets) {
  for (std::size_t i = 1; i < widgets.size(); ++i) QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// The per-user project folder may not exist yet; a dialog opened on a
// missing folder would start somewhere unrelated.
const QString& Ensured(const QString& folder) {
  MakePrivateFolders(ToPath(folder));
  return folder;
}

}  // namespace

void TfrmMain::BuildProjectPages() {
  loadFolder_ = saveFolder_ = QFile::decodeName(QByteArray::fromStdString((Where.ProjectFolder() / "").string()));
  pictureFolder_ = ToQString(ProgramFolder);
  BuildWelcomePage();
  for (PromoKind kind : kPromoKinds) BuildPromoPage(kind);

  connect(btnNext, &QPushButton::clicked, this, &TfrmMain::btnNextClick);
  connect(btnBack, &QPushButton::clicked, this, &TfrmMain::btnBackClick);
  connect(ntbMain, &QStackedWidget::currentChanged, this, &TfrmMain::ntbMainPageChanged);
  connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
  connect(btnSave, &QPushButton::clicked, this, &TfrmMain::btnSaveClick);
  btnBack->setEnabled(Wizard.BackEnabled());
  btnNext->setEnabled(Wizard.NextEnabled());
}

void TfrmMain::BuildWelcomePage() {
  QWidget* page = Page(0);
  QVBoxLayout* layout = PageLayout(0);
  auto* greeting = Named(
      Caption("Welcome! In a few steps you'll create an impressive affiliate page.", page), "lblWelcome");
  greeting->setWordWrap(true);
  layout->addWidget(greeting);
  layout->addSpacing(8);

  edtTitlePage = Named(new QLineEdit(page), "edtTitlePage");
  layout->addWidget(Caption("Enter title of your new page:", page, edtTitlePage));
  layout->addWidget(edtTitlePage);
  layout->addSpacing(8);

  edtAffiliateURL = Named(new QLineEdit(page), "edtAffiliateURL");
  auto* urlCaption = Caption("Enter your product's affiliate URL, using \"xxxx\" where the Affiliate ID part is located:",
                             page, edtAffiliateURL);
  urlCaption->setWordWrap(true);
  layout->addWidget(urlCaption);
  layout->addWidget(edtAffiliateURL);
  auto* examples = new QGridLayout;
  examples->addWidget(Caption("Examples:", page), 0, 0, Qt::AlignTop);
  auto* example1 = Named(Caption("http://xxxx.vendor.hop.clickbank.net", page), "lblExample1");
  auto* example2 = Named(Caption("http://www.paydotcom.com/r/12345/xxxx", page), "lblExample2");
  for (QLabel* example : {example1, example2}) example->setTextInteractionFlags(Qt::TextSelectableByMouse);
  examples->addWidget(example1, 0, 1);
  examples->addWidget(example2, 1, 1);
  examples->setColumnStretch(1, 1);
  layout->addLayout(examples);

  // The affiliate id is only ever filled by a project load; the field stays hidden.
  edtClickbankID = Named(new QLineEdit(page), "edtClickbankID");
  lblClickbankID = Named(Caption("Enter your Affiliate ID (Paypal Email):", page, edtClickbankID), "lblClickbankID");
  lblClickbankOptional = Named(Caption("Optional", page), "lblClickbankOptional");
  for (QWidget* hidden : std::initializer_list<QWidget*>{lblClickbankID, edtClickbankID, lblClickbankOptional}) {
    layout->addWidget(hidden);
    hidden->hide();
  }
  layout->addStretch(1);

  // Each change copies the whole field into the model, untrimmed.
  auto bind = [this](QLineEdit* field, std::string TAffManager::*target) {
    connect(field, &QLineEdit::textChanged, this, [this, target](const QString& text) {
      if (AffManager && !applyingProject_) (*AffManager).*target = OneLine(FromQString(text));
    });
  };
  bind(edtTitlePage, &TAffManager::Title);
  bind(edtAffiliateURL, &TAffManager::URL);
  bind(edtClickbankID, &TAffManager::ClickBankId);
  connect(edtTitlePage, &QLineEdit::returnPressed, this, &TfrmMain::btnNextClick);
  connect(edtAffiliateURL, &QLineEdit::returnPressed, this, &TfrmMain::btnNextClick);
  ChainTabOrder({edtTitlePage, edtAffiliateURL, btnBack, btnNext});
}

void TfrmMain::BuildPromoPage(PromoKind kind) {
  const PromoPageParts& parts = kPromoPageParts[static_cast<std::size_t>(kind)];
  QWidget* page = Page(parts.page);
  QVBoxLayout* layout = PageLayout(parts.page);
  std::vector<QWidget*> tabOrder;

  // Inputs.
  if (kind == PromoKind::PPC) {
    auto* form = new QGridLayout;
    edtPPCTitle = Named(new QLineEdit(page), "edtPPCTitle");
    memPPCBody = Memo("memPPCBody", page);
    memPPCBody->setMaximumHeight(90);
    edtPPCLink = Named(new QLineEdit(page), "edtPPCLink");
    form->addWidget(Caption("Title:", page, edtPPCTitle), 0, 0);
    form->addWidget(edtPPCTitle, 0, 1);
    form->addWidget(Caption("Body:", page, memPPCBody), 1, 0, Qt::AlignTop);
    form->addWidget(memPPCBody, 1, 1);
    form->addWidget(Caption("Link:", page, edtPPCLink), 2, 0);
    form->addWidget(edtPPCLink, 2, 1);
    layout->addLayout(form);
    tabOrder = {edtPPCTitle, memPPCBody, edtPPCLink};
    for (QLineEdit* field : {edtPPCTitle, edtPPCLink})
      connect(field, &QLineEdit::returnPressed, this, [this] { CreatePromo(PromoKind::PPC); });
  } else if (kind == PromoKind::Anchors || kind == PromoKind::Banners) {
    QLineEdit*& field = kind == PromoKind::Anchors ? edtAchorText : edtImageUrl;
    field = Named(new QLineEdit(page), kind == PromoKind::Anchors ? "edtAchorText" : "edtImageUrl");
    layout->addWidget(Caption(parts.inputLabel, page, field));
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    tabOrder = {field};
    if (kind == PromoKind::Banners) {
      btnBrowseImage = Named(new QPushButton(QStringLiteral("B&rowse"), page), "btnBrowseImage");
      connect(btnBrowseImage, &QPushButton::clicked, this, &TfrmMain::btnBrowseImageClick);
      row->addWidget(btnBrowseImage);
      tabOrder.push_back(btnBrowseImage);
    }
    layout->addLayout(row);
    connect(field, &QLineEdit::returnPressed, this, [this, kind] { CreatePromo(kind); });
  } else {
    QPlainTextEdit* memo = Memo(parts.memoName, page);
    this->*parts.memo = memo;
    layout->addWidget(Caption(parts.inputLabel, page, memo));
    layout->addWidget(memo, 2);
    tabOrder = {memo};
  }

  // "Create Ad" and "Delete Ad".
  auto* buttons = new QHBoxLayout;
  QPushButton* create = Named(new QPushButton(QStringLiteral("&Create Ad"), page), parts.createName);
  QPushButton* remove = Named(new QPushButton(QStringLiteral("&Delete Ad"), page), parts.removeName);
  this->*parts.create = create;
  this->*parts.remove = remove;
  buttons->addWidget(create);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(create, &QPushButton::clicked, this, [this, kind] { CreatePromo(kind); });
  connect(remove, &QPushButton::clicked, this, [this, kind] { DeletePromo(kind); });
  tabOrder.push_back(create);
  tabOrder.push_back(remove);
  PageOf(kind).create = create;

  // The list box and what shows the selected entry.
  auto* lower = new QGridLayout;
  QListWidget* list = Named(new QListWidget(page), parts.listName);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  this->*parts.list = list;
  lower->addWidget(Caption(parts.listCaption, page, list), 0, 0);
  lower->addWidget(list, 1, 0);
  lower->setColumnStretch(0, 1);
  tabOrder.push_back(list);
  PromoPage& promoPage = PageOf(kind);
  promoPage.list = list;
  AddEditControls(kind, page, buttons, tabOrder);
  if (kind == PromoKind::Banners) {
    EmbeddedWB1 = Named(new TBannerPreview(page), "EmbeddedWB1");
    lower->addWidget(Caption(parts.detailCaption, page), 0, 1);
    lower->addWidget(EmbeddedWB1, 1, 1);
    lower->setColumnStretch(1, 2);
  } else if (parts.details) {
    // Editing goes through the inputs ("Edit Ad"); the view only shows.
    QPlainTextEdit* details = Memo(parts.detailsName, page);
    details->setReadOnly(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    this->*parts.details = details;
    promoPage.details = details;
    lower->addWidget(Caption(parts.detailCaption, page, details), 0, 1);
    lower->addWidget(details, 1, 1);
    lower->setColumnStretch(1, 2);
    tabOrder.push_back(details);
  }
  layout->addLayout(lower, 3);

  // A click shows the entry; so does moving onto it with the keyboard.
  connect(list, &QListWidget::itemSelectionChanged, this, [this, kind] { ShowPromo(kind); });
  connect(list, &QListWidget::itemClicked, this, [this, kind] { ShowPromo(kind); });

  tabOrder.push_back(btnBack);
  tabOrder.push_back(btnNext);
  ChainTabOrder(tabOrder);
}

TfrmMain::PromoPage& TfrmMain::PageOf(PromoKind kind) { return promoPages_[static_cast<std::size_t>(kind)]; }

PromoInput TfrmMain::PromoInputOf(PromoKind kind) const {
  switch (kind) {
    case PromoKind::Anchors: return {FromQString(edtAchorText->text()), {}, {}};
    case PromoKind::Banners: return {FromQString(edtImageUrl->text()), {}, {}};
    case PromoKind::PPC:
      return {FromQString(edtPPCTitle->text()), FromMultiline(memPPCBody->toPlainText()),
              FromQString(edtPPCLink->text())};
    default: {
      const PromoPageParts& parts = kPromoPageParts[static_cast<std::size_t>(kind)];
      return {FromMultiline((this->*parts.memo)->toPlainText()), {}, {}};
    }
  }
}

void TfrmMain::RefillListBox(PromoKind kind) {
  QListWidget* list = PageOf(kind).list;
  const QSignalBlocker quiet(list);
  list->setUpdatesEnabled(false);
  list->clear();
  const auto& entries = Promos.Entries(kind);
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(entries.size()));
  for (const auto& entry : entries) texts.push_back(ToQString(entry));
  list->addItems(texts);
  list->setUpdatesEnabled(true);
}

void TfrmMain::CreatePromo(PromoKind kind) {
  if (!AffManager) return;
  if (EditingPromo(kind)) return UpdatePromo(kind);
  const PromoChange change = Promos.Create(*AffManager, kind, PromoInputOf(kind), Messages());
  if (change.what == PromoChange::What::Appended) {
    const QSignalBlocker quiet(PageOf(kind).list);
    PageOf(kind).list->addItem(ToQString(Promos.Entries(kind).back()));
  } else if (change.what == PromoChange::What::Refilled) {
    RefillListBox(kind);
  } else {
    return;
  }
  // The text stays for the next promo; selected, it gives way to new typing
  // instead of running on into it.
  if (auto* field = qobject_cast<QLineEdit*>(focusWidget())) field->selectAll();
}

void TfrmMain::DeletePromo(PromoKind kind) {
  if (!AffManager) return;
  PromoPage& promoPage = PageOf(kind);
  const PromoChange change = Promos.Delete(*AffManager, kind, SelectedRow(promoPage.list), Messages());
  if (change.what == PromoChange::What::Refilled) {
    RefillListBox(kind);
  }
  if (change.what != PromoChange::What::Nothing) PromoRemoved(kind, change.row);
  if (change.what == PromoChange::What::Removed) {
    const QSignalBlocker quiet(promoPage.list);
    delete promoPage.list->takeItem(change.row);
    promoPage.list->clearSelection();
    promoPage.list->setCurrentRow(-1);
    if (promoPage.details) promoPage.details->clear();
  }
}

void TfrmMain::ShowPromo(PromoKind kind) {
  if (!AffManager) return;
  const PromoPage& promoPage = PageOf(kind);
  const std::optional<std::string> shown = Promos.Show(*AffManager, kind, SelectedRow(promoPage.list));
  if (!shown) return;
  if (kind == PromoKind::Banners)
    EmbeddedWB1->Navigate(ToQString(*shown));
  else if (promoPage.details)
    promoPage.details->setPlainText(ToMultiline(*shown));
}

void TfrmMain::btnBrowseImageClick() {
  const QString path = Dialogs().OpenFile(this, QStringLiteral("Open picture"), PictureFilter(), pictureFolder_);
  if (path.isEmpty()) return;
  pictureFolder_ = FolderOf(path);
  edtImageUrl->setText(ToQString(BrowsedPictureAddress(FromQString(QDir::toNativeSeparators(path)))));
}

void TfrmMain::btnNextClick() {
  if (Wizard.Next(FromQString(edtTitlePage->text()), FromQString(edtAffiliateURL->text()), Messages()))
    ntbMain->setCurrentIndex(Wizard.PageIndex());
}

void TfrmMain::btnBackClick() {
  if (Wizard.Back()) ntbMain->setCurrentIndex(Wizard.PageIndex());
}

void TfrmMain::ntbMainPageChanged(int index) {
  Wizard.ShowPage(index);
  btnBack->setEnabled(Wizard.BackEnabled());
  btnNext->setEnabled(Wizard.NextEnabled());
  // Typing goes on in the new page's first field, unless the user is
  // stepping through the pages with the buttons.
  QWidget* focused = QApplication::focusWidget();
  if (focused == btnBack || focused == btnNext) return;
  QWidget* first = nullptr;
  switch (index) {
    case 0: first = edtTitlePage; break;
    case 2: first = edtAchorText; break;
    case 3: first = edtPPCTitle; break;
    case 4: first = edtImageUrl; break;
    case 5: first = memSignature; break;
    case 6: first = memEmail; break;
    case 7: first = memAutoEmail; break;
    case 8: first = memArticle; break;
    case 9: first = memPopUp; break;
    default: break;
  }
  if (first) first->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::btnSaveClick() { SaveProject(true); }

bool TfrmMain::SaveProject(bool askForName) {
  if (!AffManager) return false;
  QString path = ProjectPath;
  if (askForName || path.isEmpty()) {
    path = Dialogs().SaveFile(this, QStringLiteral("Save file"), kProjectFilter, Ensured(saveFolder_));
    if (path.isEmpty()) return false;
    saveFolder_ = FolderOf(path);
    // Without ".set" the Load and Save dialogs would never show the file again.
    path = QFile::decodeName(QByteArray::fromStdString(WithProjectExtension(ToPath(path)).string()));
  }
  if (const auto problem = SaveProblem(*AffManager)) {
    Messages().ShowMessage(MessageKind::Warning, *problem);
    return false;
  }
  // A failed write keeps the previous file and goes to the error report, with no success message.
  bool saved = false;
  RunGuarded(this, [&] {
    SaveProjectFile(ToPath(path), *AffManager);
    saved = true;
  });
  if (!saved) return false;
  ProjectPath = path;
  ProjectIsClean();
  Messages().ShowMessage(MessageKind::Information, "Configuration saved successfully!");
  return true;
}

void TfrmMain::btnLoadClick() {
  if (!MaybeSaveChanges()) return;
  const QString path = Dialogs().OpenFile(this, QStringLiteral("Open file"), kProjectFilter, Ensured(loadFolder_));
  if (path.isEmpty()) return;
  loadFolder_ = FolderOf(path);
  RunGuarded(this, [&] {
    TAffManager loaded;
    try {
      loaded = LoadProjectFile(ToPath(path));
    } catch (const FileError& error) {
      // Vanished, unreadable or no project at all: the project stays as it was, and the user hears why.
      Messages().ShowMessage(MessageKind::Error, std::string("The configuration could not be loaded.\n\n") + error.what());
      return;
    }
    {
      const QScopedValueRollback<bool> quiet(replacingProject_, true);
      ApplyLoadedProject(std::move(loaded));
    }
    ProjectPath = path;
    ProjectIsClean();
    Messages().ShowMessage(MessageKind::Information, "Configuration loaded successfully!");
  });
}

void TfrmMain::ApplyLoadedProject(TAffManager loaded) {
  // The model takes the file's bytes as they are; the fields only show them.
  applyingProject_ = true;
  edtTitlePage->setText(ToQString(loaded.Title));
  edtAffiliateURL->setText(ToQString(loaded.URL));
  edtClickbankID->setText(ToQString(loaded.ClickBankId));
  applyingProject_ = false;
  AffManager->Title = loaded.Title;
  AffManager->URL = loaded.URL;
  AffManager->ClickBankId = loaded.ClickBankId;

  AffManager->Template = loaded.Template;
  try {
    SelectTemplateAfterLoad(loaded.Template);
  } catch (...) {
    // Selecting the template is a courtesy; the project keeps the name it stored.
  }
  AffManager->Template = loaded.Template;
  // Someone else's project may name a template this copy lacks; the user is told which, once.
  std::vector<std::string> listed;
  for (int i = 0; i < cbxTemplates->count(); ++i) listed.push_back(FromQString(cbxTemplates->itemText(i)));
  if (!loaded.Template.empty() && !listed.empty() && !FindListedTemplate(listed, loaded.Template))
    Messages().ShowMessage(MessageKind::Warning,
                           TemplateNotListedWarning(loaded.Template, FromQString(cbxTemplates->currentText())));

  for (PromoKind kind : kPromoKinds) ListOf(*AffManager, kind) = std::move(ListOf(loaded, kind));
  Promos.Rebuild(*AffManager);
  for (PromoKind kind : kPromoKinds) RefillListBox(kind);

  // An empty name delivers to the preset name, so the field shows that.
  SetOutputFileNameField(loaded.FileName.empty() ? std::string(kDefaultOutputName) : loaded.FileName);
  AffManager->FileName = loaded.FileName;
  for (PromoKind kind : kPromoKinds) LeaveEditing(kind);
}

}  // namespace velmora
