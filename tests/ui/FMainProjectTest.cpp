#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QUrl>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "project/ProjectFile.h"
#include "tests/mock/FakeDialogs.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"
#include "ui/BannerPreview.h"
#include "ui/FMain.h"

using namespace velmora;
using velmora::test::FakeDialogs;

namespace {

using Strings = std::vector<std::string>;

QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

struct ProjectWindow : ::testing::Test, test::FakeWindowEnvironment {
  FakeDialogs dialogs;
  std::vector<std::string> errorReports;

  void SetUp() override {
    SetErrorReportHook([this](const ErrorReportText& report) { errorReports.push_back(report.summary.toStdString()); });
  }
  void TearDown() override { SetErrorReportHook({}); }

  std::unique_ptr<TfrmMain> Open() { return OpenActive(&dialogs); }
  static void Click(const TfrmMain& window, const char* button) {
    QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
  }
  static void ClickEntry(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }
  static void TypeLines(QWidget* box, const std::vector<const char*>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClicks(box, QString::fromUtf8(lines[i]));
    }
  }
  // Alt+key through the window system, as a person presses it.
  static void PressAlt(TfrmMain& window, Qt::Key key) {
    ASSERT_EQ(QApplication::activeWindow(), &window);
    QTest::keyClick(window.windowHandle(), key, Qt::AltModifier);
    QTest::qWait(150);  // a mnemonic presses its button with a short animated click
  }
  static QStringList Entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }
  // Fills page 0 and walks to `page` with "Next".
  static void WalkTo(TfrmMain& window, int page) {
    if (window.edtTitlePage->text().isEmpty()) QTest::keyClicks(window.edtTitlePage, QStringLiteral("Title"));
    if (window.edtAffiliateURL->text().isEmpty()) QTest::keyClicks(window.edtAffiliateURL, QStringLiteral("link"));
    while (window.ntbMain->currentIndex() < page) QTest::mouseClick(window.btnNext, Qt::LeftButton);
    ASSERT_EQ(window.ntbMain->currentIndex(), page);
  }
};

}  // namespace

// --- the wizard ---

TEST_F(ProjectWindow, FirstPageAsksForTitleThenLinkAndKeepsTheTextsUntrimmed) {
  auto window = Open();
  EXPECT_FALSE(window->btnBack->isEnabled());
  EXPECT_TRUE(window->btnNext->isEnabled());

  Click(*window, "btnNext");
  QTest::keyClicks(Find<QLineEdit>(*window, "edtTitlePage"), QStringLiteral(" My page"));
  Click(*window, "btnNext");
  EXPECT_EQ(window->ntbMain->currentIndex(), 0);
  EXPECT_EQ(messages.Texts(), (Strings{"Please provide a valid title for your page.", "Please provide a valid affiliate url."}));
  EXPECT_EQ(messages.shown.front().kind, MessageKind::Warning);

  QTest::keyClicks(Find<QLineEdit>(*window, "edtAffiliateURL"), QStringLiteral("no marker here "));
  Click(*window, "btnNext");
  EXPECT_EQ(window->ntbMain->currentIndex(), 1);
  EXPECT_EQ(window->AffManager->Title, " My page");
  EXPECT_EQ(window->AffManager->URL, "no marker here ");
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ProjectWindow, BackAndNextAreEnabledByPageAndLaterPagesPassFreely) {
  auto window = Open();
  WalkTo(*window, 10);
  EXPECT_FALSE(window->btnNext->isEnabled());
  EXPECT_TRUE(window->btnBack->isEnabled());
  EXPECT_TRUE(messages.shown.empty()) << "no check after the first page";
  Click(*window, "btnBack");
  EXPECT_EQ(window->ntbMain->currentIndex(), 9);
  EXPECT_TRUE(window->btnNext->isEnabled());
  while (window->btnBack->isEnabled()) Click(*window, "btnBack");
  EXPECT_EQ(window->ntbMain->currentIndex(), 0);
}

TEST_F(ProjectWindow, AffiliateIdFieldStaysHiddenAndEmpty) {
  auto window = Open();
  for (const char* name : {"edtClickbankID", "lblClickbankID", "lblClickbankOptional"})
    EXPECT_FALSE(Find<QWidget>(*window, name)->isVisible()) << name;
  EXPECT_EQ(Find<QLabel>(*window, "lblClickbankID")->text(), "Enter your Affiliate ID (Paypal Email):");
  WalkTo(*window, 3);
  EXPECT_EQ(window->AffManager->ClickBankId, "");
}

TEST_F(ProjectWindow, KeyboardWalksTheWizardAndWorksThePromoPages) {
  auto window = Open();
  QTest::keyClicks(window->edtTitlePage, QStringLiteral("T"));
  QTest::keyClicks(window->edtAffiliateURL, QStringLiteral("L"));
  QTest::keyClick(window->edtAffiliateURL, Qt::Key_Return);
  EXPECT_EQ(window->ntbMain->currentIndex(), 1) << "Enter on the first page goes on";
  PressAlt(*window, Qt::Key_N);
  EXPECT_EQ(window->ntbMain->currentIndex(), 2);

  QLineEdit* anchor = Find<QLineEdit>(*window, "edtAchorText");
  EXPECT_EQ(QApplication::focusWidget(), anchor) << "typing goes on in the new page's field";
  QTest::keyClicks(anchor, QStringLiteral("Buy Now"));
  QTest::keyClick(anchor, Qt::Key_Return);
  EXPECT_EQ(anchor->selectedText(), "Buy Now") << "the text stays, ready to be typed over";
  QTest::keyClicks(anchor, QStringLiteral("Order"));
  PressAlt(*window, Qt::Key_C);
  EXPECT_EQ(Entries(window->lbxLinkPromo), (QStringList{QStringLiteral("Buy Now"), QStringLiteral("Order")}));
  PressAlt(*window, Qt::Key_D);
  EXPECT_EQ(messages.Texts(), Strings{"Please select a Text Link Promo to delete."});

  PressAlt(*window, Qt::Key_N);
  PressAlt(*window, Qt::Key_B);
  PressAlt(*window, Qt::Key_N);
  ASSERT_EQ(window->ntbMain->currentIndex(), 3);
  // Tab walks the PPC page from top to bottom, memo included.
  window->edtPPCTitle->setFocus();
  std::vector<QString> visited;
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget()->objectName());
  }
  EXPECT_EQ(visited, (std::vector<QString>{"memPPCBody", "edtPPCLink", "btnCreateProm", "btnDeleteProm", "lbxPPCAds",
                                           "memPPCDetails", "btnBack", "btnNext"}));
}

// --- the promo pages ---

TEST_F(ProjectWindow, PpcAdsKeepTheirLabelsAfterADeleteAndShowTheSelectedAd) {
  auto window = Open();
  WalkTo(*window, 3);
  QLineEdit* title = Find<QLineEdit>(*window, "edtPPCTitle");
  QPlainTextEdit* body = Find<QPlainTextEdit>(*window, "memPPCBody");
  QLineEdit* link = Find<QLineEdit>(*window, "edtPPCLink");
  QListWidget* list = Find<QListWidget>(*window, "lbxPPCAds");
  QPlainTextEdit* details = Find<QPlainTextEdit>(*window, "memPPCDetails");
  EXPECT_TRUE(details->isReadOnly());

  QTest::keyClicks(title, QStringLiteral("Save 50%"));
  TypeLines(body, {"Fast", "Easy"});
  QTest::keyClicks(link, QStringLiteral("buy.htm"));
  Click(*window, "btnCreateProm");
  title->setText(QStringLiteral("Second"));
  QTest::keyClick(title, Qt::Key_Return);
  EXPECT_EQ(window->AffManager->PPC, (Strings{"^Save 50%^Fast$$Easy^buy.htm^", "^Second^Fast$$Easy^buy.htm^"}))
      << "the inputs keep their text after a creation";

  ClickEntry(list, 0);
  EXPECT_EQ(details->toPlainText(), "Save 50%\nFast\nEasy\nbuy.htm");
  Click(*window, "btnDeleteProm");
  EXPECT_TRUE(details->toPlainText().isEmpty());
  title->setText(QStringLiteral("Third"));
  Click(*window, "btnCreateProm");
  EXPECT_EQ(Entries(list), (QStringList{QStringLiteral("PPC Ad2"), QStringLiteral("PPC Ad2")}));
  ClickEntry(list, 1);
  EXPECT_TRUE(details->toPlainText().startsWith(QStringLiteral("Third\n")));
  EXPECT_TRUE(messages.shown.empty());

  title->setText(QStringLiteral("50^ off"));
  Click(*window, "btnCreateProm");
  EXPECT_EQ(messages.Texts(), Strings{"A PPC Ad Promo can't contain the character ^."});
  EXPECT_EQ(list->count(), 2);
}

struct TextPage {
  int page;
  const char* memo;
  const char* create;
  const char* remove;
  const char* list;
  const char* details;
  const char* label;
  PromoList TAffManager::*items;
};

class TextPromoPage : public ProjectWindow, public ::testing::WithParamInterface<TextPage> {};

TEST_P(TextPromoPage, TypedLinesAreStoredFlatShownOnTheirLinesAndDeleted) {
  const TextPage& p = GetParam();
  auto window = Open();
  WalkTo(*window, p.page);
  QPlainTextEdit* memo = Find<QPlainTextEdit>(*window, p.memo);
  QListWidget* list = Find<QListWidget>(*window, p.list);
  QPlainTextEdit* details = Find<QPlainTextEdit>(*window, p.details);

  TypeLines(memo, {"line one", "line two", ""});
  Click(*window, p.create);
  Click(*window, p.create);
  EXPECT_EQ((*window->AffManager).*p.items, (Strings{"line one$$line two", "line one$$line two"}));
  EXPECT_EQ(Entries(list), (QStringList{QString::fromLatin1(p.label) + "1", QString::fromLatin1(p.label) + "2"}));

  ClickEntry(list, 1);
  EXPECT_EQ(details->toPlainText(), "line one\nline two");
  Click(*window, p.remove);
  EXPECT_EQ(((*window->AffManager).*p.items).size(), 1u);
  EXPECT_EQ(Entries(list), QStringList{QString::fromLatin1(p.label) + "1"});
  EXPECT_TRUE(details->toPlainText().isEmpty());
  EXPECT_TRUE(messages.shown.empty());

  memo->clear();
  Click(*window, p.create);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(list->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    ProjectWindow, TextPromoPage,
    ::testing::Values(TextPage{5, "memSignature", "btnAddSignature", "btnDeleteSignature", "lbxSignatures",
                               "memSignatureDetails", "Signature Ad", &TAffManager::Signatures},
                      TextPage{6, "memEmail", "btnCreateEmail", "btnDeleteEmail", "lbxEmails", "memEmailDetails",
                               "Email Ad", &TAffManager::Email},
                      TextPage{7, "memAutoEmail", "btnCreateAutoEmail", "btnDeleteAutoEmail", "lbxAutoEmail",
                               "memAutoEmailDetails", "Autoresponder Ad", &TAffManager::AutoEmail},
                      TextPage{8, "memArticle", "btnCreateArticle", "btnDeleteArticle", "lbxArticles",
                               "memArticleDetails", "Article", &TAffManager::Articles},
                      TextPage{9, "memPopUp", "btnCreatePopUp", "btnDeletePopUp", "lbxPopups", "memPopUpDetails",
                               "PopUp", &TAffManager::PopUps}),
    [](const auto& row) { return std::string(row.param.memo); });

TEST_F(ProjectWindow, BrowsedPictureIsAddressedCreatedOnlyOnRequestAndPreviewed) {
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(Q(folder / "ad.jpg")));
  dialogs.answers = {Q(folder / "ad.jpg")};
  auto window = Open();
  WalkTo(*window, 4);

  Click(*window, "btnBrowseImage");
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(dialogs.opened[0].title, "Open picture");
  // The patterns between the parentheses, as the dialog reads them.
  const QString shown = dialogs.opened[0].filter;
  const QString filter = shown.section(QLatin1Char('('), 1).chopped(1);
  for (const char* name : {"a.gif", "b.JPG", "c.Jpeg", "d.png", "e.WebP", "f.svg", "g.bmp"})
    EXPECT_TRUE(QDir::match(filter, QString::fromLatin1(name))) << name;
  for (const char* name : {"a.ico", "a.gif.txt", "gif"}) EXPECT_FALSE(QDir::match(filter, QString::fromLatin1(name))) << name;
  const QString address = QUrl::fromLocalFile(Q(folder / "ad.jpg")).toString(QUrl::FullyEncoded);
  QLineEdit* field = Find<QLineEdit>(*window, "edtImageUrl");
  EXPECT_EQ(field->text(), address);
  QListWidget* list = Find<QListWidget>(*window, "lbxBanners");
  EXPECT_EQ(list->count(), 0) << "Browse adds nothing by itself";

  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Entries(list), QStringList{address});
  field->setText(address.toUpper());
  Click(*window, "btnCreateImageUrl");
  EXPECT_EQ(messages.Texts(), Strings{"This Banner Ad Promo already exists."});

  ClickEntry(list, 0);
  auto* preview = Find<TBannerPreview>(*window, "EmbeddedWB1");
  EXPECT_EQ(preview->ShownAddress(), address);
  ASSERT_NE(preview->pixmap().isNull(), true);

  Click(*window, "btnDeleteImageUrl");
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(preview->pixmap().isNull()) << "a deleted banner leaves the preview";
  Click(*window, "btnDeleteImageUrl");
  EXPECT_EQ(messages.shown.size(), 1u) << "deleting from an empty list says nothing";
}

// --- saving and loading ---

TEST_F(ProjectWindow, SavedProjectLoadsBackIntoAFreshWindowWithRenumberedLabels) {
  const auto path = folder / "spring.set";
  TAffManager saved;
  {
    auto window = Open();
    QTest::keyClicks(window->edtTitlePage, QStringLiteral("Spring offer"));
    QTest::keyClicks(window->edtAffiliateURL, QStringLiteral("http://xxxx.vendor.hop.example"));
    WalkTo(*window, 2);
    QTest::keyClicks(window->edtAchorText, QStringLiteral("Buy Now"));
    QTest::keyClick(window->edtAchorText, Qt::Key_Return);
    Click(*window, "btnNext");
    QTest::keyClicks(window->edtPPCTitle, QStringLiteral("Ad"));
    TypeLines(window->memPPCBody, {"first line", "second line"});
    Click(*window, "btnCreateProm");
    Click(*window, "btnNext");
    QTest::keyClicks(window->edtImageUrl, QStringLiteral("http://127.0.0.1:1/banner.gif"));
    Click(*window, "btnCreateImageUrl");
    for (auto [memo, create] : std::vector<std::pair<QPlainTextEdit*, const char*>>{
             {window->memSignature, "btnAddSignature"}, {window->memEmail, "btnCreateEmail"},
             {window->memAutoEmail, "btnCreateAutoEmail"}, {window->memArticle, "btnCreateArticle"},
             {window->memPopUp, "btnCreatePopUp"}}) {
      Click(*window, "btnNext");
      TypeLines(memo, {"Hello", "there"});
      Click(*window, create);
      Click(*window, create);
    }
    while (window->ntbMain->currentIndex() > 6) Click(*window, "btnBack");
    ClickEntry(window->lbxEmails, 0);
    Click(*window, "btnDeleteEmail");
    Click(*window, "btnCreateEmail");
    EXPECT_EQ(Entries(window->lbxEmails), (QStringList{QStringLiteral("Email Ad2"), QStringLiteral("Email Ad2")}));

    dialogs.answers = {Q(path)};
    Click(*window, "btnSave");
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].kind, "save");
    EXPECT_EQ(dialogs.opened[0].title, "Save file");
    EXPECT_EQ(dialogs.opened[0].filter, "Settings files (*.set)");
    EXPECT_EQ(dialogs.opened[0].folder, QString::fromStdString(folder.folder()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (test::ShownMessage{MessageKind::Information, "Configuration saved successfully!"}));
    saved = *window->AffManager;
  }
  ASSERT_TRUE(std::filesystem::exists(path));

  messages.shown.clear();
  auto window = Open();
  WalkTo(*window, 6);
  window->edtTitlePage->clear();
  dialogs.answers = {Q(path)};
  messages.saveAnswers = {SaveChoice::Discard};
  Click(*window, "btnLoad");
  EXPECT_EQ(dialogs.opened.back().title, "Open file");
  EXPECT_EQ(dialogs.opened.back().filter, "Settings files (*.set)");
  EXPECT_EQ(messages.Texts(),
            (Strings{"Do you want to save the changes to Untitled?", "Configuration loaded successfully!"}));
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "spring.set[*] - Velmora");
  EXPECT_EQ(window->ntbMain->currentIndex(), 6) << "a load stays on the page";

  EXPECT_EQ(window->edtTitlePage->text(), "Spring offer");
  EXPECT_EQ(window->edtAffiliateURL->text(), "http://xxxx.vendor.hop.example");
  for (PromoKind kind : kPromoKinds) EXPECT_EQ(ListOf(*window->AffManager, kind), ListOf(saved, kind));
  EXPECT_EQ(window->AffManager->Title, saved.Title);
  EXPECT_EQ(window->AffManager->PPC, Strings{"^Ad^first line$$second line^^"}) << "a multi-line body stays whole";
  EXPECT_EQ(Entries(window->lbxEmails), (QStringList{QStringLiteral("Email Ad1"), QStringLiteral("Email Ad2")}));
  EXPECT_EQ(Entries(window->lbxLinkPromo), QStringList{QStringLiteral("Buy Now")});
  EXPECT_EQ(Entries(window->lbxPopups), (QStringList{QStringLiteral("PopUp1"), QStringLiteral("PopUp2")}));
  ClickEntry(window->lbxPPCAds, 0);
  EXPECT_EQ(window->memPPCDetails->toPlainText(), "Ad\nfirst line\nsecond line\n");
}

TEST_F(ProjectWindow, LoadedAffiliateIdReachesTheModelThroughTheHiddenField) {
  folder.Write("p.set", "<%%AfTitle%%>T<%%/AfTitle%%>\r\n<%%AfClickBankId%%>me@example.com<%%/AfClickBankId%%>\r\n");
  auto window = Open();
  window->AffManager->Anchors = {"left over"};
  dialogs.answers = {Q(folder / "p.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(window->edtClickbankID->text(), "me@example.com");
  EXPECT_EQ(window->AffManager->ClickBankId, "me@example.com");
  EXPECT_TRUE(window->AffManager->Anchors.empty()) << "nothing of the previous project remains";
  EXPECT_EQ(window->AffManager->URL, "");
  EXPECT_EQ(window->edtFilename->text(), "affiliatepage.htm") << "an empty name delivers to the preset one";
}

TEST_F(ProjectWindow, ProjectNamingATemplateNotInstalledShowsTheFirstAndWarnsOnce) {
  folder.Write("Templates/alpha.tem", "a");
  folder.Write("Templates/beta.tem", "b");
  folder.Write("beta.set", "<%%AfTemplate%%>BETA<%%/AfTemplate%%>\r\n");
  folder.Write("gone.set", "<%%AfTemplate%%>../../../etc/passwd<%%/AfTemplate%%>\r\n");
  auto window = Open();
  auto kinds = [&] {
    std::vector<MessageKind> shown;
    for (const auto& message : messages.shown) shown.push_back(message.kind);
    messages.shown.clear();
    return shown;
  };
  dialogs.answers = {Q(folder / "beta.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(window->cbxTemplates->currentText(), "Beta");
  EXPECT_EQ(kinds(), std::vector<MessageKind>{MessageKind::Information});

  dialogs.answers = {Q(folder / "gone.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(window->cbxTemplates->currentText(), "Alpha");
  EXPECT_EQ(kinds(), (std::vector<MessageKind>{MessageKind::Warning, MessageKind::Information}));
  EXPECT_EQ(window->AffManager->Template, "../../../etc/passwd") << "the project keeps the name it stored";
  window->cbxTemplates->setCurrentIndex(1);
  EXPECT_TRUE(kinds().empty()) << "told once, not on every change";
}

TEST_F(ProjectWindow, EachDialogOpensWhereItsLastFileWas) {
  std::filesystem::create_directories(folder / "saves");
  std::filesystem::create_directories(folder / "loads");
  folder.Write("loads/a.set", "");
  auto window = Open();
  const QString start = QString::fromStdString(folder.folder());
  dialogs.answers = {Q(folder / "saves" / "a.set"), QString(), Q(folder / "loads" / "a.set"), QString()};
  Click(*window, "btnSave");
  Click(*window, "btnSave");
  Click(*window, "btnLoad");
  Click(*window, "btnLoad");
  ASSERT_EQ(dialogs.opened.size(), 4u);
  EXPECT_EQ(dialogs.opened[0].folder, start);
  EXPECT_EQ(QDir(dialogs.opened[1].folder), QDir(Q(folder / "saves")));
  EXPECT_EQ(dialogs.opened[2].folder, start) << "the open dialog keeps its own folder";
  EXPECT_EQ(QDir(dialogs.opened[3].folder), QDir(Q(folder / "loads")));
}

TEST_F(ProjectWindow, LoadOfAFileThatCannotBeReadOrIsNoProjectChangesNothingAndSaysSo) {
  std::filesystem::create_directories(folder / "folder.set");
  folder.Write("random.set", std::string("\x7f" "ELF\0\0 <%%AfTitle%%>x<%%/AfTitle%%>", 30));
  folder.Write("notes.set", "a text file without a single project tag\r\n");
  auto window = Open();
  QTest::keyClicks(window->edtTitlePage, QStringLiteral("Kept"));
  for (const auto& path : {folder / "vanished.set", folder / "folder.set", folder / "random.set", folder / "notes.set"}) {
    messages.shown.clear();
    messages.saveAnswers = {SaveChoice::Discard};
    dialogs.answers = {Q(path)};
    Click(*window, "btnLoad");
    ASSERT_EQ(messages.shown.size(), 2u) << "the question, then the refusal";
    EXPECT_EQ(messages.shown[1].kind, MessageKind::Error);
    EXPECT_NE(messages.shown[1].text.find("could not be loaded"), std::string::npos);
    EXPECT_NE(messages.shown[1].text.find(path.filename().string()), std::string::npos) << "names the file";
  }
  EXPECT_NE(messages.shown[1].text.find("not a project file"), std::string::npos);
  EXPECT_EQ(window->AffManager->Title, "Kept");
  EXPECT_EQ(window->edtTitlePage->text(), "Kept");
  EXPECT_TRUE(window->isWindowModified()) << "the work is still unsaved";
}

TEST_F(ProjectWindow, FailedSaveGoesToTheErrorReportWithoutASuccessMessage) {
  std::filesystem::create_directories(folder / "taken.set");
  folder.Write("taken.set/inside", "x");
  auto window = Open();
  dialogs.answers = {Q(folder / "taken.set")};
  Click(*window, "btnSave");
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(errorReports.size(), 1u);
  EXPECT_EQ(folder.Read("taken.set/inside"), "x");

  Click(*window, "btnSave");  // cancelled
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(errorReports.size(), 1u);
}

// --- unsaved changes, project commands and crash recovery ---

TEST_F(ProjectWindow, CloseAsksAboutUnsavedChangesAndFollowsEachAnswer) {
  const std::string question = "Do you want to save the changes to Untitled?";
  auto window = Open();
  EXPECT_TRUE(window->close()) << "an unchanged project closes without a question";
  EXPECT_TRUE(messages.shown.empty());

  window = Open();
  QTest::keyClicks(window->edtTitlePage, QStringLiteral("Draft"));
  EXPECT_TRUE(window->isWindowModified());
  messages.saveAnswers = {SaveChoice::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_EQ(messages.Texts(), Strings{question});
  messages.saveAnswers = {SaveChoice::Save};
  dialogs.answers = {QString()};
  EXPECT_FALSE(window->close()) << "a cancelled save cancels the close";
  EXPECT_TRUE(window->isVisible());

  messages.shown.clear();
  messages.saveAnswers = {SaveChoice::Save};
  dialogs.answers = {Q(folder / "draft")};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(messages.Texts(), (Strings{question, "Configuration saved successfully!"}));
  EXPECT_EQ(LoadProjectFile(folder / "draft.set").Title, "Draft") << "saved with .set added";

  window = Open();
  QTest::keyClicks(window->edtTitlePage, QStringLiteral("Thrown away"));
  messages.saveAnswers = {SaveChoice::Discard};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(LoadProjectFile(folder / "draft.set").Title, "Draft");
}

TEST_F(ProjectWindow, CtrlSSavesToTheProjectsFileOnceItHasOneAndEveryKindOfEditMarksTheProject) {
  auto window = Open();
  const auto press = [&window](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
  };
  QTest::keyClicks(window->edtTitlePage, QStringLiteral("Offer"));
  EXPECT_EQ(window->windowTitle(), "Untitled[*] - Velmora");
  dialogs.answers = {Q(folder / "offer.set")};
  press(Qt::Key_S);
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "offer.set[*] - Velmora");

  const std::vector<std::pair<const char*, std::function<void()>>> edits = {
      {"title", [&] { QTest::keyClicks(window->edtTitlePage, QStringLiteral("!")); }},
      {"anchor", [&] { window->edtAchorText->setText(QStringLiteral("Buy")); Click(*window, "btnCreateLinkPromo"); }},
      {"delete", [&] { window->lbxLinkPromo->setCurrentRow(0); Click(*window, "btnDeleteLinkPromo"); }},
      {"signature", [&] { window->memSignature->setPlainText(QStringLiteral("Tom")); Click(*window, "btnAddSignature"); }},
      {"output name", [&] { window->edtFilename->setText(QStringLiteral("offer.htm")); }},
      {"mode", [&] { window->rbtClipboard->setChecked(true); }},
  };
  for (const auto& [what, edit] : edits) {
    SCOPED_TRACE(what);
    edit();
    EXPECT_TRUE(window->isWindowModified());
    press(Qt::Key_S);
    EXPECT_FALSE(window->isWindowModified());
  }
  EXPECT_EQ(dialogs.opened.size(), 1u) << "Ctrl+S asks for no name once the project has a file";
  const TAffManager saved = LoadProjectFile(folder / "offer.set");
  EXPECT_EQ(saved.Title, "Offer!");
  EXPECT_EQ(saved.Signatures, Strings{"Tom"});
  EXPECT_EQ(saved.FileName, "offer.htm");

  dialogs.answers = {Q(folder / "copy.txt")};
  press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(dialogs.opened.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(folder / "copy.txt")) << "another extension is kept as typed";
  EXPECT_EQ(window->windowTitle(), "copy.txt[*] - Velmora");

  QTest::keyClicks(window->edtTitlePage, QStringLiteral("?"));
  messages.saveAnswers = {SaveChoice::Discard};
  press(Qt::Key_N);
  EXPECT_EQ(window->edtTitlePage->text(), "");
  EXPECT_EQ(window->edtFilename->text(), "affiliatepage.htm");
  EXPECT_TRUE(window->rbtSaveWeb->isChecked());
  EXPECT_TRUE(window->AffManager->Signatures.empty());
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "Untitled[*] - Velmora");
}

TEST_F(ProjectWindow, ValueHoldingAProjectTagIsNotSavedAndAPastedLineBreakBecomesASpace) {
  auto window = Open();
  window->edtTitlePage->setText(QStringLiteral("Two\nlines <%%/AfTitle%%>"));
  EXPECT_EQ(window->edtTitlePage->text(), "Two lines <%%/AfTitle%%>");
  EXPECT_EQ(window->AffManager->Title, "Two lines <%%/AfTitle%%>");
  dialogs.answers = {Q(folder / "cut.set")};
  Click(*window, "btnSave");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_NE(messages.shown[0].text.find("<%%/AfTitle%%>"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "cut.set"));
  EXPECT_TRUE(window->isWindowModified());
}

TEST_F(ProjectWindow, UnsavedWorkGoesToTheUsersRecoveryFolderPastAPlantedPipeAndLink) {
  const auto recoveryFolder = folder / "data/recovery";
  folder.Write("other.set", "another project");
  std::filesystem::create_directories(recoveryFolder);
  std::filesystem::create_symlink(folder / "other.set", recoveryFolder / "recovery-1-link.set");
  ASSERT_EQ(::mkfifo((recoveryFolder / "recovery-2-pipe.set").c_str(), 0600), 0);
  MainWindowEnvironment env = Environment(&dialogs);
  env.recoveryFolder.clear();
  env.places = Places::Portable(folder.folder(), UserFolders{{}, {}, folder / "data", {}});
  TfrmMain window(env);
  window.findChild<QTimer*>(QStringLiteral("recoveryTimer"))->setInterval(0);
  QTest::qWait(50);  // start-up offers what it finds
  EXPECT_TRUE(messages.shown.empty()) << "nothing to offer";
  window.edtTitlePage->setText(QStringLiteral("Mine"));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (const auto& e : std::filesystem::directory_iterator(recoveryFolder))
          if (e.is_regular_file() && !e.is_symlink() && e.path().extension() == ".set") return true;
        return false;
      },
      5000));
  EXPECT_EQ(folder.Read("other.set"), "another project");
}

TEST_F(ProjectWindow, WorkLeftByAnInstanceThatDiedIsRestoredWithEveryKindOfPromo) {
  const auto recoveryFolder = folder / "recovery";
  TAffManager before;
  {
    auto window = Open();
    window->findChild<QTimer*>(QStringLiteral("recoveryTimer"))->setInterval(0);
    QTest::keyClicks(window->edtTitlePage, QStringLiteral("Lost? No."));
    window->edtAchorText->setText(QStringLiteral("Buy"));
    Click(*window, "btnCreateLinkPromo");
    window->edtPPCTitle->setText(QStringLiteral("Ad"));
    window->memPPCBody->setPlainText(QStringLiteral("two\nlines"));
    Click(*window, "btnCreateProm");
    window->edtImageUrl->setText(QStringLiteral("http://127.0.0.1:1/b.gif"));
    Click(*window, "btnCreateImageUrl");
    for (auto [memo, create] : std::vector<std::pair<QPlainTextEdit*, const char*>>{
             {window->memSignature, "btnAddSignature"}, {window->memEmail, "btnCreateEmail"},
             {window->memAutoEmail, "btnCreateAutoEmail"}, {window->memArticle, "btnCreateArticle"},
             {window->memPopUp, "btnCreatePopUp"}}) {
      memo->setPlainText(QStringLiteral("Hello\nthere"));
      Click(*window, create);
    }
    window->edtFilename->setText(QStringLiteral("kept.htm"));
    before = *window->AffManager;
    for (PromoKind kind : kPromoKinds) ASSERT_EQ(ListOf(before, kind).size(), 1u);
    // A crash leaves the copy behind without its running owner.
    std::filesystem::path copy;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          std::error_code absent;
          for (const auto& e : std::filesystem::directory_iterator(recoveryFolder, absent))
            if (e.path().extension() == ".set" && LoadProjectFile(e.path()).FileName == "kept.htm") copy = e.path();
          return !copy.empty();
        },
        5000));
    std::filesystem::copy_file(copy, recoveryFolder / "recovery-1-dead.set");
  }
  EXPECT_FALSE(std::filesystem::exists(recoveryFolder / "recovery-1-dead.lock"));

  messages.shown.clear();
  auto window = Open();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !messages.shown.empty(); }, 2000));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].question);
  EXPECT_NE(messages.shown[0].text.find("Lost? No."), std::string::npos) << messages.shown[0].text;
  EXPECT_EQ(window->AffManager->Title, before.Title);
  for (PromoKind kind : kPromoKinds) EXPECT_EQ(ListOf(*window->AffManager, kind), ListOf(before, kind));
  EXPECT_EQ(window->AffManager->FileName, "kept.htm");
  EXPECT_EQ(window->edtTitlePage->text(), "Lost? No.");
  EXPECT_EQ(window->lbxArticles->count(), 1);
  EXPECT_TRUE(window->isWindowModified()) << "restored work is unsaved";
  EXPECT_FALSE(std::filesystem::exists(recoveryFolder / "recovery-1-dead.set")) << "taken over, not offered twice";

  // Saving ends the need for a copy.
  dialogs.answers = {Q(folder / "restored.set")};
  Click(*window, "btnSave");
  for (const auto& e : std::filesystem::directory_iterator(recoveryFolder))
    EXPECT_NE(e.path().extension(), ".set") << e.path();
}
