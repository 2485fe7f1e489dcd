#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/BrandFile.h"
#include "crypto/AesLib.h"
#include "services/NewsService.h"
#include "services/UpdateCheck.h"
#include "tests/mock/BrandText.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"
#include "tests/platform/LoopbackServers.h"
#include "ui/MainWindow.h"
#include "ui/NewsHint.h"
#include "ui/NewsWindow.h"

using namespace velmora;

namespace {

template <typename T>
T* Find(MainWindow& window, const char* name) {
  return test::FakeWindowEnvironment::Find<T>(window, name);
}

const std::string kNewsBase = "http://pub/news/";
const std::string kListUrl = kNewsBase + "getlastnews.php";
const std::string kManifestUrl = std::string(kUpdateBaseURL) + kManifestName;

struct MainServicesFixture : ::testing::Test {
  test::TempDir folder;
  test::FakeMessages messages;
  test::FakeShell shell;
  test::FakeClipboard clipboard;
  test::FakeHttp http;
  test::FixedRandom random;
  std::unique_ptr<MainWindow> window;

  void SetUp() override {
    window = Open(MasterBrand(kNewsBase));
    window->show();
    QCoreApplication::processEvents();  // lays out the toolbar, so the news button has its place
  }
  void TearDown() override {
    if (NewsHint* hint = NewsHint::Current()) delete hint;
  }

  MainWindowEnvironment Environment(bool realHttp = false) {
    MainWindowEnvironment env;
    env.programFolder = folder.folder();
    env.messages = &messages;
    env.shell = &shell;
    env.clipboard = &clipboard;
    env.http = realHttp ? nullptr : &http;
    env.random = &random;
    return env;
  }
  // A brand whose news and update checks ask the publisher at `newsBase`.
  static std::vector<test::Field> MasterBrand(const std::string& newsBase) {
    return {{"ApplicationName", "Acme"},
            {"BranderCode", "CODE"},
            {"BranderType", "Master"},
            {"MasterNewsBaseURL", newsBase},
            {"MasterPublID", "pub"}};
  }
  // A window dressed by a brand file of `fields` (in the file's order), its start-up check stopped.
  std::unique_ptr<MainWindow> Open(const std::vector<test::Field>& fields, bool realHttp = false) {
    std::string enciphered;
    EXPECT_EQ(EncipherBytes(test::BrandText(fields), enciphered), CipherResult::Ok);
    folder.Write(kBrandFileName, enciphered);
    auto opened = std::make_unique<MainWindow>(Environment(realHttp));
    Find<QTimer>(*opened, "newsTimer")->stop();
    return opened;
  }
};

}  // namespace

TEST_F(MainServicesFixture, NewsButtonWithoutNewsSaysSoAndOpensNoWindow) {
  http.replies[kListUrl] = "OK";
  QTest::mouseClick(Find<QToolButton>(*window, "btnNews"), Qt::LeftButton);
  EXPECT_TRUE(messages.shown.empty()) << "nothing before the answer";
  http.AnswerAll();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(window->findChild<NewsWindow*>(), nullptr);
}

TEST_F(MainServicesFixture, NewsButtonOpensTheNewsWindowOnTheFetchedList) {
  http.replies[kListUrl] =
      "2^Two^Feb\xAF"
      "1^One^Jan\xAFOK";
  window->ShowNews();
  http.AnswerAll();
  auto* form = window->findChild<NewsWindow*>();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowModality(), Qt::WindowModal) << "modal to the main window, without a loop of its own";
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItemCount(), 2);
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(0)->text(0), "Two") << "in the order of the list";
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(1)->text(0), "One");

  window->ShowNews();
  EXPECT_EQ(http.requests.size(), 1u) << "no second list while the window shows one";
  form->findChild<QPushButton*>("btnExit")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->findChild<NewsWindow*>(), nullptr) << "the window is destroyed when it closes";
}

TEST_F(MainServicesFixture, TimerShowsTheBalloonBelowLeftOfTheNewsButtonAndChecksUpdates) {
  http.replies[kListUrl] = "7^Spring sale\xAFOK";
  Find<QTimer>(*window, "newsTimer")->start();
  window->CheckNewsNow();
  EXPECT_FALSE(Find<QTimer>(*window, "newsTimer")->isActive());
  http.AnswerAll();
  NewsHint* hint = NewsHint::Current();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->text(), "You've Got A Message!\nSpring sale");
  EXPECT_EQ(hint->parentWidget(), window.get()) << "the balloon belongs to the window, which closes it";
  const QWidget* toolbar = Find<QToolButton>(*window, "btnNews")->parentWidget();
  const QRect toolbarOnScreen(toolbar->mapToGlobal(QPoint()), toolbar->size());
  EXPECT_FALSE(hint->geometry().intersects(toolbarOnScreen)) << "no toolbar button is covered";
  EXPECT_LT(hint->geometry().top() - toolbarOnScreen.bottom(), 10) << "just below it";
  ASSERT_FALSE(http.requests.empty());
  EXPECT_EQ(http.requests.back().url, kManifestUrl) << "the quiet update check runs afterwards";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainServicesFixture, BalloonHangsBelowAndLeftOfItsAnchor) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint anchor = screen.center();
  NewsHint* hint = NewsHint::Show(QStringLiteral("You've Got A Message!\nTitle"), anchor, window.get());
  EXPECT_EQ(hint->geometry().top(), anchor.y());
  EXPECT_EQ(hint->geometry().right() + 1 - NewsHint::kShadow, anchor.x());
  const QFont font = hint->findChild<QLabel*>()->font();
  EXPECT_EQ(font.pointSize(), 8);
}

TEST_F(MainServicesFixture, BalloonIsReplacedByTheNextAndClosedByAClickAKeyOrADialog) {
  window->ShowNewsHint("You've Got A Message!\r\nOne");
  QPointer<NewsHint> first = NewsHint::Current();
  window->ShowNewsHint("You've Got A Message!\r\nTwo");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull()) << "one balloon at a time";
  ASSERT_NE(NewsHint::Current(), nullptr);
  EXPECT_EQ(NewsHint::Current()->text(), "You've Got A Message!\nTwo");

  QTest::mouseClick(Find<QPushButton>(*window, "btnLoad")->parentWidget(), Qt::LeftButton);
  EXPECT_FALSE(NewsHint::Current() && NewsHint::Current()->isVisible());

  window->ShowNewsHint("You've Got A Message!\r\nThree");
  ASSERT_TRUE(NewsHint::Current() && NewsHint::Current()->isVisible());
  QTest::keyClick(window.get(), Qt::Key_Shift);
  EXPECT_FALSE(NewsHint::Current() && NewsHint::Current()->isVisible());

  window->ShowNewsHint("You've Got A Message!\r\nFour");
  QDialog dialog(window.get());
  dialog.setModal(true);
  dialog.show();
  EXPECT_FALSE(NewsHint::Current() && NewsHint::Current()->isVisible()) << "not over a dialog";
}

TEST_F(MainServicesFixture, UpdateButtonStartsTheUpdaterAfterTwoOksAndCloses) {
  http.replies[kManifestUrl] = "[APPLICATION]\r\nVersion=2.1\r\n";
  folder.Write(kUpdaterName, "");
  QTest::mouseClick(Find<QToolButton>(*window, "btnUpdate"), Qt::LeftButton);
  http.AnswerAll();
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].second, std::string(kUpdateBaseURL) + " 2.0 A");
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainServicesFixture, UpdateButtonWithTheServerDownWarns) {
  QTest::mouseClick(Find<QToolButton>(*window, "btnUpdate"), Qt::LeftButton);
  http.AnswerAll();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainServicesFixture, WhileChecksRunTheWindowShowsItIsBusyAndStillTakesInput) {
  const QString idleHint = Find<QToolButton>(*window, "btnNews")->toolTip();
  QTest::mouseClick(Find<QToolButton>(*window, "btnNews"), Qt::LeftButton);
  QTest::mouseClick(Find<QToolButton>(*window, "btnUpdate"), Qt::LeftButton);
  EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
  EXPECT_FALSE(Find<QToolButton>(*window, "btnNews")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(*window, "btnUpdate")->isEnabled());
  EXPECT_NE(Find<QToolButton>(*window, "btnNews")->toolTip(), idleHint);
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("typed"));
  EXPECT_EQ(window->CurrentProject().Title, "typed") << "the wizard takes keys while the checks run";

  window->ShowNews();
  window->CheckUpdates();
  EXPECT_EQ(http.requests.size(), 2u) << "a second start while a check runs asks nothing";

  http.AnswerNext();
  EXPECT_TRUE(Find<QToolButton>(*window, "btnNews")->isEnabled());
  EXPECT_EQ(Find<QToolButton>(*window, "btnNews")->toolTip(), idleHint);
  EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor) << "the update check still runs";
  http.AnswerNext();
  EXPECT_TRUE(Find<QToolButton>(*window, "btnUpdate")->isEnabled());
  EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(MainServicesFixture, NewsButtonWithTheServerDownShowsOneMessage) {
  QTest::mouseClick(Find<QToolButton>(*window, "btnNews"), Qt::LeftButton);
  http.AnswerAll();
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(MainServicesFixture, WindowGoingWhileChecksRunEndsThemWithoutAWord) {
  http.replies[kListUrl] = "INVALIDUSER";
  QTest::mouseClick(Find<QToolButton>(*window, "btnNews"), Qt::LeftButton);
  QTest::mouseClick(Find<QToolButton>(*window, "btnUpdate"), Qt::LeftButton);
  window.reset();
  EXPECT_EQ(http.Waiting(), 0u);
  http.AnswerAll();
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainServicesFixture, HelpMakeMoneyBannerAndLinksOpenTheirAddresses) {
  window = Open({{"ApplicationName", "Acme"},
                 {"AffiliateURL", "https://aff.example/?id=42"},
                 {"Banner1", "ad.png^"},
                 {"Link1", "One^https://one.example/"},
                 {"Link2", "Two^mailto:two@example.com"}});
  QTest::mouseClick(Find<QToolButton>(*window, "btnHelp"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(*window, "btnMakeMoney"), Qt::LeftButton);
  Find<QLabel>(*window, "imgBanner")->show();
  QTest::mouseClick(Find<QLabel>(*window, "imgBanner"), Qt::LeftButton);
  EXPECT_EQ(shell.openedUrls, (std::vector<std::string>{"", "https://aff.example/?id=42"}))
      << "help opens even an empty address; an empty banner address opens nothing";
  emit Find<QLabel>(*window, "lblLink1URL")->linkActivated(QStringLiteral("ignored"));
  emit Find<QLabel>(*window, "lblLink2URL")->linkActivated(QStringLiteral("ignored"));
  EXPECT_EQ(shell.openedUrls, (std::vector<std::string>{"", "https://aff.example/?id=42", "https://one.example/",
                                                        "mailto:two@example.com"}));

  shell.openedUrls.clear();
  window = Open({{"ApplicationName", "Acme"}, {"Banner1", "ad.png^https://banner.example/"}});
  QTest::mouseClick(Find<QLabel>(*window, "imgBanner"), Qt::LeftButton);
  Find<QLabel>(*window, "gifBanner")->show();
  QTest::mouseClick(Find<QLabel>(*window, "gifBanner"), Qt::LeftButton);
  EXPECT_EQ(shell.openedUrls, (std::vector<std::string>{"https://banner.example/", "https://banner.example/"}));
}

TEST_F(MainServicesFixture, ClosingTheWindowEndsARequestTheServerNeverAnswers) {
  test::ScriptedHttpServer server([](const test::HttpRequestSeen&, QTcpSocket&) {});
  std::unique_ptr<MainWindow> opened = Open(MasterBrand(server.Url("/news/")), true);
  MainWindow& real = *opened;
  real.show();
  QTest::mouseClick(Find<QToolButton>(real, "btnNews"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1u; }, 10000));
  real.close();
  EXPECT_FALSE(real.isVisible());
  EXPECT_EQ(real.cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(messages.shown.empty()) << "no trouble message on the way out";
}
