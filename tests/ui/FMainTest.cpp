#include "ui/FMain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

struct MainWindowFixture : ::testing::Test, test::FakeWindowEnvironment {
};

}  // namespace

TEST_F(MainWindowFixture, WithoutBrandFileOpensOnTheWizardWithTheTimerRunning) {
  TfrmMain window(Environment());
  EXPECT_EQ(window.windowTitle(), "Untitled[*] - Velmora");
  EXPECT_TRUE(window.Timer1->isActive()) << "no welcome page to wait for";
  EXPECT_EQ(window.Timer1->interval(), 2000);
  EXPECT_TRUE(window.Timer1->isSingleShot());
  window.show();
  EXPECT_EQ(window.stsWelcome, nullptr) << "the welcome screen is destroyed";
  EXPECT_EQ(window.pgsScreens->currentWidget(), window.stsMain);
  EXPECT_EQ(window.ntbMain->count(), TfrmMain::kPageCount);
  EXPECT_EQ(window.ntbMain->currentIndex(), 0);
  EXPECT_EQ(window.btnMakeMoney->text(), "Make Money");
  ASSERT_NE(window.AffManager, nullptr);
}

TEST_F(MainWindowFixture, OpensAt732By521ClientPixels) {
  TfrmMain window(Environment());
  window.show();
  EXPECT_EQ(window.size(), QSize(732, 521));
}

TEST_F(MainWindowFixture, ClosingDisconnectsTheHttpClient) {
  TfrmMain window(Environment());
  window.show();
  window.close();
  EXPECT_GE(http.disconnects, 1);
  EXPECT_FALSE(window.Timer1->isActive());
}

TEST_F(MainWindowFixture, BannerControlsStayCentredWhenTheWindowResizes) {
  TfrmMain window(Environment());
  window.show();
  window.resize(1000, 600);
  window.FormResize();
  const QLabel* banner = window.imgBanner;
  EXPECT_EQ(banner->x(), window.panBanner->width() / 2 - banner->width() / 2);
  EXPECT_EQ(banner->y(), window.panBanner->height() / 2 - banner->height() / 2);
}

TEST_F(MainWindowFixture, TypingAtStartGoesIntoTheTitleField) {
  TfrmMain window(Environment());
  window.Timer1->stop();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Spring offer"));
  EXPECT_EQ(window.edtTitlePage->text(), QStringLiteral("Spring offer"));
  EXPECT_EQ(window.AffManager->Title, "Spring offer");
}
