#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <functional>

#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "project/ProjectFile.h"
#include "tests/mock/FakeDialogs.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"
#include "ui/BannerPreview.h"
#include "ui/MainWindow.h"

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

  std::unique_ptr<MainWindow> Open() { return OpenActive(&dialogs); }
  static void Click(MainWindow& window, const char* button) {
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
  static void PressAlt(MainWindow& window, Qt::Key key) {
    ASSERT_EQ(QApplication::activeWindow(), &window);
    QTest::keyClick(window.windowHandle(), key, Qt::AltModifier);
    QTest::qWait(150);  // a mnemonic presses its button with a short animated click
  }
  static QStringList Entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }
  // Fills the first page and walks to `page` with "Next".
  static void WalkTo(MainWindow& window, const std::string& page) {
    if (Find<QLineEdit>(window, "titleInput")->text().isEmpty())
      QTest::keyClicks(Find<QLineEdit>(window, "titleInput"), QStringLiteral("Title"));
    if (Find<QLineEdit>(window, "affiliateLinkInput")->text().isEmpty())
      QTest::keyClicks(Find<QLineEdit>(window, "affiliateLinkInput"), QStringLiteral("link"));
    for (int step = 0; step < Wizard::kPageCount && CurrentPage(window) != page; ++step)
      QTest::mouseClick(Find<QPushButton>(window, "btnNext"), Qt::LeftButton);
    ASSERT_EQ(CurrentPage(window), page);
  }
};

}  // namespace

// --- the wizard ---

TEST_F(ProjectWindow, FirstPageAsksForTitleThenLinkAndKeepsTheTextsUntrimmed) {
  auto window = Open();
  EXPECT_FALSE(Find<QPushButton>(*window, "btnBack")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(*window, "btnNext")->isEnabled());

  Click(*window, "btnNext");
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral(" My page"));
  Click(*window, "btnNext");
  EXPECT_EQ(CurrentPage(*window), "titlePage");
  EXPECT_EQ(messages.Texts(),
            (Strings{"Please provide a valid title for your page.", "Please provide a valid affiliate url."}));
  EXPECT_EQ(messages.shown.front().kind, MessageKind::Warning);

  QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("no marker here "));
  Click(*window, "btnNext");
  EXPECT_EQ(CurrentPage(*window), "templatePage");
  EXPECT_EQ(window->CurrentProject().Title, " My page");
  EXPECT_EQ(window->CurrentProject().URL, "no marker here ");
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ProjectWindow, BackAndNextAreEnabledByPageAndLaterPagesPassFreely) {
  auto window = Open();
  WalkTo(*window, "finishPage");
  EXPECT_FALSE(Find<QPushButton>(*window, "btnNext")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(*window, "btnBack")->isEnabled());
  EXPECT_TRUE(messages.shown.empty()) << "no check after the first page";
  Click(*window, "btnBack");
  EXPECT_EQ(CurrentPage(*window), "socialPostPage");
  EXPECT_TRUE(Find<QPushButton>(*window, "btnNext")->isEnabled());
  while (Find<QPushButton>(*window, "btnBack")->isEnabled()) Click(*window, "btnBack");
  EXPECT_EQ(CurrentPage(*window), "titlePage");
}

TEST_F(ProjectWindow, ASocialPostShowsItsLengthWithTheLinkAndWarnsPastWhatXTakes) {
  auto window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("http://xxxx.vendor.example/"));
  auto* post = Find<QPlainTextEdit>(*window, "socialPostInput");
  auto* length = Find<QLabel>(*window, "socialPostLength");
  post->setPlainText(QString(256, QLatin1Char('a')));
  EXPECT_FALSE(length->property("tooLong").toBool()) << "256 + a space + 23 for the link is 280";
  post->setPlainText(QString(257, QLatin1Char('a')));
  EXPECT_TRUE(length->property("tooLong").toBool());
}

TEST_F(ProjectWindow, AffiliateIdFieldStaysHiddenAndEmpty) {
  auto window = Open();
  for (const char* name : {"affiliateIdInput", "affiliateIdCaption", "affiliateIdOptional"})
    EXPECT_FALSE(Find<QWidget>(*window, name)->isVisible()) << name;
  EXPECT_EQ(Find<QLabel>(*window, "affiliateIdCaption")->text(), "Enter your Affiliate ID (Paypal Email):");
  WalkTo(*window, "ppcAdPage");
  EXPECT_EQ(window->CurrentProject().ClickBankId, "");
}

TEST_F(ProjectWindow, KeyboardWalksTheWizardAndWorksThePromoPages) {
  auto window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("T"));
  QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("L"));
  QTest::keyClick(Find<QLineEdit>(*window, "affiliateLinkInput"), Qt::Key_Return);
  EXPECT_EQ(CurrentPage(*window), "templatePage") << "Enter on the first page goes on";
  PressAlt(*window, Qt::Key_N);
  EXPECT_EQ(CurrentPage(*window), "anchorPage");

  QLineEdit* anchor = Find<QLineEdit>(*window, "anchorInput");
  EXPECT_EQ(QApplication::focusWidget(), anchor) << "typing goes on in the new page's field";
  QTest::keyClicks(anchor, QStringLiteral("Buy Now"));
  QTest::keyClick(anchor, Qt::Key_Return);
  EXPECT_EQ(anchor->selectedText(), "Buy Now") << "the text stays, ready to be typed over";
  QTest::keyClicks(anchor, QStringLiteral("Order"));
  PressAlt(*window, Qt::Key_A);
  EXPECT_EQ(Entries(Find<QListWidget>(*window, "anchorList")),
            (QStringList{QStringLiteral("Buy Now"), QStringLiteral("Order")}));
  PressAlt(*window, Qt::Key_D);
  EXPECT_EQ(messages.Texts(), Strings{"Please select a Text Link Promo to delete."});

  PressAlt(*window, Qt::Key_N);
  PressAlt(*window, Qt::Key_B);
  PressAlt(*window, Qt::Key_N);
  ASSERT_EQ(CurrentPage(*window), "ppcAdPage");
  // Tab walks the PPC page from top to bottom, memo included.
  Find<QLineEdit>(*window, "ppcAdInput")->setFocus();
  std::vector<QString> visited;
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget()->objectName());
  }
  EXPECT_EQ(visited, (std::vector<QString>{"ppcAdBodyInput", "ppcAdLinkInput", "ppcAdCreateButton", "ppcAdDeleteButton",
                                           "ppcAdList", "ppcAdDetails", "btnBack", "btnNext"}));
}

// --- the promo pages ---

TEST_F(ProjectWindow, PpcAdsShowTheirTitlesAndTheSelectedAd) {
  auto window = Open();
  WalkTo(*window, "ppcAdPage");
  QLineEdit* title = Find<QLineEdit>(*window, "ppcAdInput");
  QPlainTextEdit* body = Find<QPlainTextEdit>(*window, "ppcAdBodyInput");
  QLineEdit* link = Find<QLineEdit>(*window, "ppcAdLinkInput");
  QListWidget* list = Find<QListWidget>(*window, "ppcAdList");
  QPlainTextEdit* details = Find<QPlainTextEdit>(*window, "ppcAdDetails");
  EXPECT_TRUE(details->isReadOnly());

  QTest::keyClicks(title, QStringLiteral("Save 50%"));
  TypeLines(body, {"Fast", "Easy"});
  QTest::keyClicks(link, QStringLiteral("buy.htm"));
  Click(*window, "ppcAdCreateButton");
  title->setText(QStringLiteral("Second"));
  QTest::keyClick(title, Qt::Key_Return);
  EXPECT_EQ(window->CurrentProject().PPC, (Strings{"^Save 50%^Fast$$Easy^buy.htm^", "^Second^Fast$$Easy^buy.htm^"}))
      << "the inputs keep their text after a creation";

  ClickEntry(list, 0);
  EXPECT_EQ(details->toPlainText(), "Save 50%\nFast\nEasy\nbuy.htm");
  Click(*window, "ppcAdDeleteButton");
  EXPECT_TRUE(details->toPlainText().isEmpty());
  title->setText(QStringLiteral("Third"));
  Click(*window, "ppcAdCreateButton");
  EXPECT_EQ(Entries(list), (QStringList{QStringLiteral("Second"), QStringLiteral("Third")}));
  ClickEntry(list, 1);
  EXPECT_TRUE(details->toPlainText().startsWith(QStringLiteral("Third\n")));
  EXPECT_TRUE(messages.shown.empty());

  title->setText(QStringLiteral("50^ off"));
  Click(*window, "ppcAdCreateButton");
  EXPECT_TRUE(messages.shown.empty()) << "a caret is text like any other";
  ASSERT_EQ(list->count(), 3);
  ClickEntry(list, 2);
  EXPECT_TRUE(details->toPlainText().startsWith(QStringLiteral("50^ off\n")));
}

// Every kind typed as several lines.
std::vector<PromoKind> TextKinds() {
  std::vector<PromoKind> kinds;
  for (const PromoKindInfo& info : kPromoKindTable)
    if (info.shape == PromoShape::Text) kinds.push_back(info.kind);
  return kinds;
}

class TextPromoPage : public ProjectWindow, public ::testing::WithParamInterface<PromoKind> {};

TEST_P(TextPromoPage, TypedLinesAreStoredFlatShownOnTheirLinesAndDeleted) {
  const PromoKind kind = GetParam();
  const QString label = QStringLiteral("line one");
  auto window = Open();
  WalkTo(*window, std::string(InfoOf(kind).page.stem) + "Page");
  QPlainTextEdit* memo = Find<QPlainTextEdit>(*window, kind, "Input");
  QListWidget* list = Find<QListWidget>(*window, kind, "List");
  QPlainTextEdit* details = Find<QPlainTextEdit>(*window, kind, "Details");
  QPushButton* create = Find<QPushButton>(*window, kind, "CreateButton");

  TypeLines(memo, {"line one", "line two", ""});
  QTest::mouseClick(create, Qt::LeftButton);
  QTest::mouseClick(create, Qt::LeftButton);
  EXPECT_EQ(ListOf(window->CurrentProject(), kind), (Strings{"line one$$line two", "line one$$line two"}));
  EXPECT_EQ(Entries(list), (QStringList{label, label}));

  ClickEntry(list, 1);
  EXPECT_EQ(details->toPlainText(), "line one\nline two");
  QTest::mouseClick(Find<QPushButton>(*window, kind, "DeleteButton"), Qt::LeftButton);
  EXPECT_EQ(ListOf(window->CurrentProject(), kind).size(), 1u);
  EXPECT_EQ(Entries(list), QStringList{label});
  EXPECT_TRUE(details->toPlainText().isEmpty());
  EXPECT_TRUE(messages.shown.empty());

  memo->clear();
  QTest::mouseClick(create, Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(list->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(ProjectWindow, TextPromoPage, ::testing::ValuesIn(TextKinds()),
                         [](const auto& row) { return std::string(InfoOf(row.param).page.stem); });

TEST_F(ProjectWindow, BrowsedPictureIsAddressedCreatedOnlyOnRequestAndPreviewed) {
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(Q(folder / "ad.jpg")));
  dialogs.answers = {Q(folder / "ad.jpg")};
  auto window = Open();
  WalkTo(*window, "bannerPage");

  Click(*window, "bannerBrowseButton");
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(dialogs.opened[0].title, "Open picture");
  // The patterns between the parentheses, as the dialog reads them.
  const QString shown = dialogs.opened[0].filter;
  const QString filter = shown.section(QLatin1Char('('), 1).chopped(1);
  for (const char* name : {"a.gif", "b.JPG", "c.Jpeg", "d.png", "e.WebP", "f.svg", "g.bmp"})
    EXPECT_TRUE(QDir::match(filter, QString::fromLatin1(name))) << name;
  for (const char* name : {"a.ico", "a.gif.txt", "gif"})
    EXPECT_FALSE(QDir::match(filter, QString::fromLatin1(name))) << name;
  const QString address = QUrl::fromLocalFile(Q(folder / "ad.jpg")).toString(QUrl::FullyEncoded);
  QLineEdit* field = Find<QLineEdit>(*window, "bannerInput");
  EXPECT_EQ(field->text(), address);
  QListWidget* list = Find<QListWidget>(*window, "bannerList");
  EXPECT_EQ(list->count(), 0) << "Browse adds nothing by itself";

  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Entries(list), QStringList{QStringLiteral("ad.jpg")});
  EXPECT_EQ(list->item(0)->toolTip(), address);
  field->setText(address.toUpper());
  Click(*window, "bannerCreateButton");
  EXPECT_EQ(messages.Texts(), Strings{"This Banner Ad Promo already exists."});

  ClickEntry(list, 0);
  auto* preview = Find<BannerPreview>(*window, "bannerPreview");
  EXPECT_EQ(preview->ShownAddress(), address);
  ASSERT_NE(preview->pixmap().isNull(), true);

  Click(*window, "bannerDeleteButton");
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(preview->pixmap().isNull()) << "a deleted banner leaves the preview";
  Click(*window, "bannerDeleteButton");
  EXPECT_EQ(messages.shown.size(), 1u) << "deleting from an empty list says nothing";
}

TEST_F(ProjectWindow, NewProjectShowsNoBannerOfTheProjectBefore) {
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(Q(folder / "ad.png")));
  auto window = Open();
  WalkTo(*window, "bannerPage");
  Find<QLineEdit>(*window, "bannerInput")->setText(QUrl::fromLocalFile(Q(folder / "ad.png")).toString());
  Click(*window, "bannerCreateButton");
  ClickEntry(Find<QListWidget>(*window, "bannerList"), 0);
  auto* preview = Find<BannerPreview>(*window, "bannerPreview");
  ASSERT_FALSE(preview->pixmap().isNull());
  messages.saveAnswers = {SaveChoice::Discard};
  QTest::keyClick(window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(preview->pixmap().isNull());
  EXPECT_TRUE(preview->ShownAddress().isEmpty());
}

// --- saving and loading ---

TEST_F(ProjectWindow, SavedProjectLoadsBackIntoAFreshWindowWithItsLabels) {
  const auto path = folder / "spring.set";
  Project saved;
  {
    auto window = Open();
    QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Spring offer"));
    QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("http://xxxx.vendor.hop.example"));
    WalkTo(*window, "anchorPage");
    QTest::keyClicks(Find<QLineEdit>(*window, "anchorInput"), QStringLiteral("Buy Now"));
    QTest::keyClick(Find<QLineEdit>(*window, "anchorInput"), Qt::Key_Return);
    Click(*window, "btnNext");
    QTest::keyClicks(Find<QLineEdit>(*window, "ppcAdInput"), QStringLiteral("Ad"));
    TypeLines(Find<QPlainTextEdit>(*window, "ppcAdBodyInput"), {"first line", "second line"});
    Click(*window, "ppcAdCreateButton");
    Click(*window, "btnNext");
    QTest::keyClicks(Find<QLineEdit>(*window, "bannerInput"), QStringLiteral("http://127.0.0.1:1/banner.gif"));
    Click(*window, "bannerCreateButton");
    for (auto [memo, create] : std::vector<std::pair<QPlainTextEdit*, const char*>>{
             {Find<QPlainTextEdit>(*window, "signatureInput"), "signatureCreateButton"},
             {Find<QPlainTextEdit>(*window, "emailInput"), "emailCreateButton"},
             {Find<QPlainTextEdit>(*window, "autoEmailInput"), "autoEmailCreateButton"},
             {Find<QPlainTextEdit>(*window, "articleInput"), "articleCreateButton"},
             {Find<QPlainTextEdit>(*window, "popUpInput"), "popUpCreateButton"},
             {Find<QPlainTextEdit>(*window, "socialPostInput"), "socialPostCreateButton"}}) {
      Click(*window, "btnNext");
      TypeLines(memo, {"Hello", "there"});
      Click(*window, create);
      Click(*window, create);
    }
    while (CurrentPage(*window) != "emailPage") Click(*window, "btnBack");
    ClickEntry(Find<QListWidget>(*window, "emailList"), 0);
    Click(*window, "emailDeleteButton");
    Find<QPlainTextEdit>(*window, "emailInput")->clear();
    TypeLines(Find<QPlainTextEdit>(*window, "emailInput"), {"Welcome", "aboard"});
    Click(*window, "emailCreateButton");
    EXPECT_EQ(Entries(Find<QListWidget>(*window, "emailList")),
              (QStringList{QStringLiteral("Hello"), QStringLiteral("Welcome")}));

    dialogs.answers = {Q(path)};
    Click(*window, "btnSave");
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].kind, "save");
    EXPECT_EQ(dialogs.opened[0].title, "Save Project");
    EXPECT_EQ(dialogs.opened[0].filter, "Velmora projects (*.set)");
    EXPECT_EQ(dialogs.opened[0].folder, QString::fromStdString(folder.folder()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (test::ShownMessage{MessageKind::Done, "Project saved."}));
    saved = window->CurrentProject();
  }
  ASSERT_TRUE(std::filesystem::exists(path));

  messages.shown.clear();
  auto window = Open();
  WalkTo(*window, "emailPage");
  Find<QLineEdit>(*window, "titleInput")->clear();
  dialogs.answers = {Q(path)};
  messages.saveAnswers = {SaveChoice::Discard};
  Click(*window, "btnLoad");
  EXPECT_EQ(dialogs.opened.back().title, "Open Project");
  EXPECT_EQ(dialogs.opened.back().filter, "Velmora projects (*.set)");
  EXPECT_EQ(messages.Texts(),
            (Strings{"Do you want to save the changes to Untitled?", "Project loaded."}));
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "spring.set[*] - Velmora");
  EXPECT_EQ(CurrentPage(*window), "emailPage") << "a load stays on the page";

  EXPECT_EQ(Find<QLineEdit>(*window, "titleInput")->text(), "Spring offer");
  EXPECT_EQ(Find<QLineEdit>(*window, "affiliateLinkInput")->text(), "http://xxxx.vendor.hop.example");
  for (PromoKind kind : kPromoKinds) EXPECT_EQ(ListOf(window->CurrentProject(), kind), ListOf(saved, kind));
  EXPECT_EQ(window->CurrentProject().Title, saved.Title);
  EXPECT_EQ(window->CurrentProject().PPC, Strings{"^Ad^first line$$second line^^"}) << "a multi-line body stays whole";
  EXPECT_EQ(Entries(Find<QListWidget>(*window, "emailList")),
            (QStringList{QStringLiteral("Hello"), QStringLiteral("Welcome")}));
  EXPECT_EQ(Entries(Find<QListWidget>(*window, "anchorList")), QStringList{QStringLiteral("Buy Now")});
  EXPECT_EQ(Entries(Find<QListWidget>(*window, "ppcAdList")), QStringList{QStringLiteral("Ad")});
  EXPECT_EQ(Entries(Find<QListWidget>(*window, "bannerList")), QStringList{QStringLiteral("banner.gif")});
  ClickEntry(Find<QListWidget>(*window, "ppcAdList"), 0);
  EXPECT_EQ(Find<QPlainTextEdit>(*window, "ppcAdDetails")->toPlainText(), "Ad\nfirst line\nsecond line\n");
}

TEST_F(ProjectWindow, PageIdAndPublishingTargetsSurviveLoadAndSave) {
  folder.Write("p.set", "<%%AfTitle%%>T<%%/AfTitle%%>\r\n<%%AfPageId%%>abc123<%%/AfPageId%%>\r\n"
                        "<%%AfPublishTargets%%>^sftp%3A%2F%2Fann%40example.com%2Fwww%2F^staging^^"
                        "<%%/AfPublishTargets%%>\r\n");
  auto window = Open();
  dialogs.answers = {Q(folder / "p.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(window->CurrentProject().PageId, "abc123");
  ASSERT_EQ(window->CurrentProject().PublishTargets.size(), 1u);
  EXPECT_EQ(window->CurrentProject().PublishTargets[0].name, "staging");
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("!"));
  QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
  const auto saved = LoadProjectFile(folder / "p.set");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->PageId, "abc123");
  EXPECT_EQ(saved->PublishTargets, window->CurrentProject().PublishTargets);
}

TEST_F(ProjectWindow, LoadedAffiliateIdReachesTheModelThroughTheHiddenField) {
  folder.Write("p.set", "<%%AfTitle%%>T<%%/AfTitle%%>\r\n<%%AfClickBankId%%>me@example.com<%%/AfClickBankId%%>\r\n");
  auto window = Open();
  Find<QLineEdit>(*window, "anchorInput")->setText(QStringLiteral("left over"));
  Click(*window, "anchorCreateButton");
  ASSERT_EQ(window->CurrentProject().Anchors.size(), 1u);
  messages.saveAnswers = {SaveChoice::Discard};
  dialogs.answers = {Q(folder / "p.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(Find<QLineEdit>(*window, "affiliateIdInput")->text(), "me@example.com");
  EXPECT_EQ(window->CurrentProject().ClickBankId, "me@example.com");
  EXPECT_TRUE(window->CurrentProject().Anchors.empty()) << "nothing of the previous project remains";
  EXPECT_EQ(window->CurrentProject().URL, "");
  EXPECT_EQ(Find<QLineEdit>(*window, "outputNameInput")->text(), "t.htm")
      << "an empty name delivers to the one the title gives";
  EXPECT_EQ(window->CurrentProject().FileName, "");
}

TEST_F(ProjectWindow, PageDescriptionIsTypedOnTheFirstPageAndComesBackWithTheProject) {
  folder.Write("d.set", "<%%AfTitle%%>T<%%/AfTitle%%>\r\n<%%AfDescription%%>Ads for partners<%%/AfDescription%%>\r\n");
  auto window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "descriptionInput"), QStringLiteral("Tools & tips"));
  EXPECT_EQ(window->CurrentProject().Description, "Tools & tips");
  messages.saveAnswers = {SaveChoice::Discard};
  dialogs.answers = {Q(folder / "d.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(Find<QLineEdit>(*window, "descriptionInput")->text(), "Ads for partners");
  EXPECT_EQ(window->CurrentProject().Description, "Ads for partners");
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
  EXPECT_EQ(Find<QComboBox>(*window, "templateChoice")->currentText(), "Beta");
  EXPECT_EQ(kinds(), std::vector<MessageKind>{MessageKind::Done});

  dialogs.answers = {Q(folder / "gone.set")};
  Click(*window, "btnLoad");
  EXPECT_EQ(Find<QComboBox>(*window, "templateChoice")->currentText(), "Alpha");
  EXPECT_EQ(kinds(), (std::vector<MessageKind>{MessageKind::Warning, MessageKind::Done}));
  EXPECT_EQ(window->CurrentProject().Template, "../../../etc/passwd") << "the project keeps the name it stored";
  Find<QComboBox>(*window, "templateChoice")->setCurrentIndex(1);
  EXPECT_TRUE(kinds().empty()) << "told once, not on every change";
}

TEST_F(ProjectWindow, ProjectDialogsOpenWhereTheLastProjectWasInThisRunAndTheNext) {
  std::filesystem::create_directories(folder / "saves");
  std::filesystem::create_directories(folder / "loads");
  folder.Write("loads/a.set", "");
  auto window = Open();
  const QString start = QString::fromStdString(folder.folder());
  dialogs.answers = {Q(folder / "saves" / "a.set"), QString(), Q(folder / "loads" / "a.set")};
  Click(*window, "btnSave");
  Click(*window, "btnLoad");
  Click(*window, "btnLoad");
  window.reset();
  window = Open();
  dialogs.answers = {QString()};
  Click(*window, "btnSave");
  ASSERT_EQ(dialogs.opened.size(), 4u);
  EXPECT_EQ(dialogs.opened[0].folder, start);
  EXPECT_EQ(QDir(dialogs.opened[1].folder), QDir(Q(folder / "saves"))) << "opening follows the last save";
  EXPECT_EQ(QDir(dialogs.opened[3].folder), QDir(Q(folder / "loads"))) << "remembered for the next run";
}

TEST_F(ProjectWindow, RecentProjectsAreListedNewestFirstWithoutTheMissingAndOpenOnChoice) {
  folder.Write("a.set", "<%%AfTitle%%>A<%%/AfTitle%%>\r\n");
  folder.Write("b.set", "<%%AfTitle%%>B<%%/AfTitle%%>\r\n");
  folder.Write("c.set", "<%%AfTitle%%>C<%%/AfTitle%%>\r\n");
  auto window = Open();
  for (const char* name : {"a.set", "b.set", "c.set"}) {
    dialogs.answers = {Q(folder / name)};
    Click(*window, "btnLoad");
  }
  std::filesystem::remove(folder / "b.set");
  auto* recent = window->findChild<QMenu*>(QStringLiteral("menuRecent"));
  ASSERT_NE(recent, nullptr);
  emit recent->aboutToShow();
  QStringList listed;
  for (const QAction* entry : recent->actions())
    if (entry->text().size() > 1 && entry->text().at(1).isDigit()) listed << entry->text().section(QLatin1Char(' '), 1, 1);
  EXPECT_EQ(listed, (QStringList{QStringLiteral("c.set"), QStringLiteral("a.set")}));
  recent->actions().at(1)->trigger();
  EXPECT_EQ(window->CurrentProject().Title, "A");
}

TEST_F(ProjectWindow, LoadOfAFileThatCannotBeReadOrIsNoProjectChangesNothingAndSaysSo) {
  std::filesystem::create_directories(folder / "folder.set");
  folder.Write("random.set", std::string("\x7f"
                                         "ELF\0\0 <%%AfTitle%%>x<%%/AfTitle%%>",
                                         30));
  folder.Write("notes.set", "a text file without a single project tag\r\n");
  auto window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Kept"));
  for (const auto& path :
       {folder / "vanished.set", folder / "folder.set", folder / "random.set", folder / "notes.set"}) {
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
  EXPECT_EQ(window->CurrentProject().Title, "Kept");
  EXPECT_EQ(Find<QLineEdit>(*window, "titleInput")->text(), "Kept");
  EXPECT_TRUE(window->isWindowModified()) << "the work is still unsaved";
}

TEST_F(ProjectWindow, AProjectNamedAtStartOpensOnceTheWindowIsUp) {
  folder.Write("given.set", "<%%AfTitle%%>Given<%%/AfTitle%%>\r\n");
  MainWindow window(Environment(&dialogs));
  window.OpenAtStart(Q(folder / "given.set"));
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.CurrentProject().Title == "Given"; }, 5000));
  EXPECT_EQ(Find<QLineEdit>(window, "titleInput")->text(), "Given");
  EXPECT_FALSE(window.isWindowModified());
  EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("given.set"))) << window.windowTitle().toStdString();
}

TEST_F(ProjectWindow, FailedSaveIsAnErrorMessageWithoutASuccessMessage) {
  std::filesystem::create_directories(folder / "taken.set");
  folder.Write("taken.set/inside", "x");
  auto window = Open();
  dialogs.answers = {Q(folder / "taken.set")};
  Click(*window, "btnSave");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_TRUE(errorReports.empty());
  EXPECT_EQ(folder.Read("taken.set/inside"), "x");

  messages.shown.clear();
  Click(*window, "btnSave");  // cancelled
  EXPECT_TRUE(messages.shown.empty());
}

// --- unsaved changes, project commands and crash recovery ---

TEST_F(ProjectWindow, CloseAsksAboutUnsavedChangesAndFollowsEachAnswer) {
  const std::string question = "Do you want to save the changes to Untitled?";
  auto window = Open();
  EXPECT_TRUE(window->close()) << "an unchanged project closes without a question";
  EXPECT_TRUE(messages.shown.empty());

  window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Draft"));
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
  EXPECT_EQ(messages.Texts(), (Strings{question, "Project saved."}));
  EXPECT_EQ(LoadProjectFile(folder / "draft.set").value().Title, "Draft") << "saved with .set added";

  window = Open();
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Thrown away"));
  messages.saveAnswers = {SaveChoice::Discard};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(LoadProjectFile(folder / "draft.set").value().Title, "Draft");
}

TEST_F(ProjectWindow, CtrlSSavesToTheProjectsFileOnceItHasOneAndEveryKindOfEditMarksTheProject) {
  auto window = Open();
  const auto press = [&window](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
  };
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Offer"));
  EXPECT_EQ(window->windowTitle(), "Untitled[*] - Velmora");
  dialogs.answers = {Q(folder / "offer.set")};
  press(Qt::Key_S);
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "offer.set[*] - Velmora");

  const std::vector<std::pair<const char*, std::function<void()>>> edits = {
      {"title", [&] { QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("!")); }},
      {"anchor",
       [&] {
         Find<QLineEdit>(*window, "anchorInput")->setText(QStringLiteral("Buy"));
         Click(*window, "anchorCreateButton");
       }},
      {"delete",
       [&] {
         Find<QListWidget>(*window, "anchorList")->setCurrentRow(0);
         Click(*window, "anchorDeleteButton");
       }},
      {"signature",
       [&] {
         Find<QPlainTextEdit>(*window, "signatureInput")->setPlainText(QStringLiteral("Tom"));
         Click(*window, "signatureCreateButton");
       }},
      {"output name", [&] { Find<QLineEdit>(*window, "outputNameInput")->setText(QStringLiteral("offer-page.htm")); }},
  };
  for (const auto& [what, edit] : edits) {
    SCOPED_TRACE(what);
    edit();
    EXPECT_TRUE(window->isWindowModified());
    press(Qt::Key_S);
    EXPECT_FALSE(window->isWindowModified());
  }
  // The file keeps no delivery mode: choosing one leaves nothing to save.
  Find<QRadioButton>(*window, "clipboardOption")->setChecked(true);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(dialogs.opened.size(), 1u) << "Ctrl+S asks for no name once the project has a file";
  const Project saved = LoadProjectFile(folder / "offer.set").value();
  EXPECT_EQ(saved.Title, "Offer!");
  EXPECT_EQ(saved.Signatures, Strings{"Tom"});
  EXPECT_EQ(saved.FileName, "offer-page.htm");

  dialogs.answers = {Q(folder / "copy.txt")};
  press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(dialogs.opened.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(folder / "copy.txt")) << "another extension is kept as typed";
  EXPECT_EQ(window->windowTitle(), "copy.txt[*] - Velmora");

  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("?"));
  messages.saveAnswers = {SaveChoice::Discard};
  press(Qt::Key_N);
  EXPECT_EQ(Find<QLineEdit>(*window, "titleInput")->text(), "");
  EXPECT_EQ(Find<QLineEdit>(*window, "outputNameInput")->text(), "affiliatepage.htm");
  EXPECT_TRUE(Find<QRadioButton>(*window, "saveWebPageOption")->isChecked());
  EXPECT_TRUE(window->CurrentProject().Signatures.empty());
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "Untitled[*] - Velmora");
}

TEST_F(ProjectWindow, ValueHoldingAProjectTagIsNotSavedAndAPastedLineBreakBecomesASpace) {
  auto window = Open();
  Find<QLineEdit>(*window, "titleInput")->setText(QStringLiteral("Two\nlines <%%/AfTitle%%>"));
  EXPECT_EQ(Find<QLineEdit>(*window, "titleInput")->text(), "Two lines <%%/AfTitle%%>");
  EXPECT_EQ(window->CurrentProject().Title, "Two lines <%%/AfTitle%%>");
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
  MainWindow window(env);
  window.findChild<QTimer*>(QStringLiteral("recoveryTimer"))->setInterval(0);
  QTest::qWait(50);  // start-up offers what it finds
  EXPECT_TRUE(messages.shown.empty()) << "nothing to offer";
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Mine"));
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
  Project before;
  {
    auto window = Open();
    window->findChild<QTimer*>(QStringLiteral("recoveryTimer"))->setInterval(0);
    QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Lost? No."));
    Find<QLineEdit>(*window, "anchorInput")->setText(QStringLiteral("Buy"));
    Click(*window, "anchorCreateButton");
    Find<QLineEdit>(*window, "ppcAdInput")->setText(QStringLiteral("Ad"));
    Find<QPlainTextEdit>(*window, "ppcAdBodyInput")->setPlainText(QStringLiteral("two\nlines"));
    Click(*window, "ppcAdCreateButton");
    Find<QLineEdit>(*window, "bannerInput")->setText(QStringLiteral("http://127.0.0.1:1/b.gif"));
    Click(*window, "bannerCreateButton");
    for (auto [memo, create] : std::vector<std::pair<QPlainTextEdit*, const char*>>{
             {Find<QPlainTextEdit>(*window, "signatureInput"), "signatureCreateButton"},
             {Find<QPlainTextEdit>(*window, "emailInput"), "emailCreateButton"},
             {Find<QPlainTextEdit>(*window, "autoEmailInput"), "autoEmailCreateButton"},
             {Find<QPlainTextEdit>(*window, "articleInput"), "articleCreateButton"},
             {Find<QPlainTextEdit>(*window, "popUpInput"), "popUpCreateButton"},
             {Find<QPlainTextEdit>(*window, "socialPostInput"), "socialPostCreateButton"}}) {
      memo->setPlainText(QStringLiteral("Hello\nthere"));
      Click(*window, create);
    }
    Find<QLineEdit>(*window, "outputNameInput")->setText(QStringLiteral("kept.htm"));
    before = window->CurrentProject();
    for (PromoKind kind : kPromoKinds) ASSERT_EQ(ListOf(before, kind).size(), 1u);
    // A crash leaves the copy behind without its running owner.
    std::filesystem::path copy;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          std::error_code absent;
          for (const auto& e : std::filesystem::directory_iterator(recoveryFolder, absent))
            if (e.path().extension() == ".set" && LoadProjectFile(e.path()).value().FileName == "kept.htm") copy = e.path();
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
  EXPECT_EQ(window->CurrentProject().Title, before.Title);
  for (PromoKind kind : kPromoKinds) EXPECT_EQ(ListOf(window->CurrentProject(), kind), ListOf(before, kind));
  EXPECT_EQ(window->CurrentProject().FileName, "kept.htm");
  EXPECT_EQ(Find<QLineEdit>(*window, "titleInput")->text(), "Lost? No.");
  EXPECT_EQ(Find<QListWidget>(*window, "articleList")->count(), 1);
  EXPECT_TRUE(window->isWindowModified()) << "restored work is unsaved";
  EXPECT_FALSE(std::filesystem::exists(recoveryFolder / "recovery-1-dead.set")) << "taken over, not offered twice";

  // Saving ends the need for a copy.
  dialogs.answers = {Q(folder / "restored.set")};
  Click(*window, "btnSave");
  for (const auto& e : std::filesystem::directory_iterator(recoveryFolder))
    EXPECT_NE(e.path().extension(), ".set") << e.path();
}
