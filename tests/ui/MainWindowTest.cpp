#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QScreen>
#include <QTimer>

#include "tests/mock/FakeWindowEnvironment.h"
#include "project/ProjectFile.h"
#include "project/Wizard.h"
#include "tests/mock/TempDir.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

struct MainWindowFixture : ::testing::Test, test::FakeWindowEnvironment {};

}  // namespace

TEST_F(MainWindowFixture, WithoutBrandFileOpensOnTheWizardWithTheTimerRunning) {
  MainWindow window(Environment());
  EXPECT_EQ(window.windowTitle(), "Untitled[*] - Velmora");
  EXPECT_TRUE(Find<QTimer>(window, "newsTimer")->isActive()) << "no welcome page to wait for";
  EXPECT_EQ(Find<QTimer>(window, "newsTimer")->interval(), 2000);
  EXPECT_TRUE(Find<QTimer>(window, "newsTimer")->isSingleShot());
  window.show();
  EXPECT_EQ(window.findChild<QWidget*>("stsWelcome"), nullptr) << "the welcome screen is never made";
  EXPECT_EQ(Find<QStackedWidget>(window, "pgsScreens")->currentWidget(), Find<QWidget>(window, "stsMain"));
  EXPECT_EQ(Find<QStackedWidget>(window, "ntbMain")->count(), Wizard::kPageCount);
  EXPECT_EQ(Find<QStackedWidget>(window, "ntbMain")->currentIndex(), 0);
  EXPECT_EQ(Find<QPushButton>(window, "btnMakeMoney")->text(), "Make &Money");
}

TEST_F(MainWindowFixture, FirstStartOpensWhollyOnTheScreenAtLeastAsLargeAsBefore) {
  MainWindow window(Environment());
  window.show();
  // Once the pages after the first are built, which they are right after the first paint.
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.findChild<QWidget*>("finishPage") != nullptr; }));
  const QRect available = window.screen()->availableGeometry();
  EXPECT_TRUE(available.contains(window.frameGeometry()));
  EXPECT_GE(window.width(), std::min(732, available.width()));
  EXPECT_GE(window.height(), std::min(521, available.height()));
}

TEST_F(MainWindowFixture, PagesAfterTheFirstAreBuiltOnceShownOrAtOnceForAProjectLoadedBefore) {
  {
    MainWindow window(Environment());
    EXPECT_EQ(window.findChild<QWidget*>("templatePage"), nullptr) << "not needed for the first paint";
    EXPECT_EQ(window.findChild<QListWidget*>("lstSteps")->count(), Wizard::kPageCount);
    EXPECT_EQ(window.findChild<QListWidget*>("lstSteps")->item(Wizard::kPageCount - 1)->text(), "12. Finish");
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.findChild<QWidget*>("finishPage") != nullptr; }));
    EXPECT_EQ(window.findChild<QStackedWidget*>("ntbMain")->count(), Wizard::kPageCount);
    EXPECT_FALSE(window.isWindowModified());
  }
  Project project;
  project.Title = "Spring";
  project.FileName = "spring.htm";
  ListOf(project, PromoKind::Articles) = {"One", "Two"};
  ASSERT_TRUE(SaveProjectFile(folder / "spring.set", project));
  MainWindow window(Environment());
  ASSERT_TRUE(window.OpenProject(QString::fromStdString((folder / "spring.set").string())));
  ASSERT_NE(window.findChild<QWidget*>("finishPage"), nullptr);
  EXPECT_EQ(window.findChild<QLineEdit*>("outputNameInput")->text(), "spring.htm");
  EXPECT_EQ(Find<QListWidget>(window, PromoKind::Articles, "List")->count(), 2);
  EXPECT_EQ(window.findChild<QListWidget*>("lstSteps")->item(8)->text(), "9. Articles (2)");
  EXPECT_FALSE(window.isWindowModified());
}

TEST_F(MainWindowFixture, ClosingDisconnectsTheHttpClient) {
  MainWindow window(Environment());
  window.show();
  window.close();
  EXPECT_GE(http.disconnects, 1);
  EXPECT_FALSE(Find<QTimer>(window, "newsTimer")->isActive());
}

TEST_F(MainWindowFixture, BannerControlsStayCentredWhenTheWindowResizes) {
  MainWindow window(Environment());
  window.show();
  window.resize(1000, 600);
  QApplication::processEvents();  // lays the banner area out at its new width
  const QLabel* banner = Find<QLabel>(window, "imgBanner");
  EXPECT_EQ(banner->x(), Find<QWidget>(window, "panBanner")->width() / 2 - banner->width() / 2);
  EXPECT_EQ(banner->y(), Find<QWidget>(window, "panBanner")->height() / 2 - banner->height() / 2);
}

TEST_F(MainWindowFixture, TypingAtStartGoesIntoTheTitleField) {
  MainWindow window(Environment());
  Find<QTimer>(window, "newsTimer")->stop();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Spring offer"));
  EXPECT_EQ(Find<QLineEdit>(window, "titleInput")->text(), QStringLiteral("Spring offer"));
  EXPECT_EQ(window.CurrentProject().Title, "Spring offer");
}
