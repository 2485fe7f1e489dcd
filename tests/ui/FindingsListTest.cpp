// The page check's list on the Finish page, driven as a user would.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <future>

#include "tests/mock/FakeWindowEnvironment.h"
#include "ui/FindingsList.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

struct FindingsFixture : ::testing::Test, test::FakeWindowEnvironment {
  FindingsFixture() {
    folder.Write(
        "Templates/plain.tem",
        "<meta name=description content=\"%%DESCRIPTION%%\"><p class=disclosure>%%TITLE%%</p>%%TABLE_BANNER_INIT%%"
        "<a href=\"%%AFFILIATELINK%%\" rel=sponsored><img src=\"%%BANNER%%\" alt=B></a>%%TABLE_BANNER_END%%\n");
  }
  static QListWidget* List(MainWindow& window) { return window.findChild<QListWidget*>("lvwFindings"); }
  static QStringList Rows(MainWindow& window) {
    QStringList rows;
    for (int i = 0; i < List(window)->count(); ++i) rows << List(window)->item(i)->text();
    return rows;
  }
  void Generate(MainWindow& window) {
    ShowPage(window, "finishPage");
    QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  }
  // The check runs off the window's thread: its list follows in a moment.
  static bool ListShown(MainWindow& window, bool shown) {
    return QTest::qWaitFor([&] { return Find<FindingsList>(window, "panFindings")->isHidden() != shown; }, 5000);
  }
};

}  // namespace

TEST_F(FindingsFixture, SoundPageShowsNoList) {
  MainWindow window(Environment());
  window.show();
  Find<QLineEdit>(window, "titleInput")->setText("Deals");
  Find<QLineEdit>(window, "affiliateLinkInput")->setText("https://me.example/");
  Generate(window);
  ASSERT_TRUE(List(window));
  EXPECT_TRUE(Find<FindingsList>(window, "panFindings")->isHidden());
  EXPECT_TRUE(QFile::exists(QString::fromStdString((folder / "Output/deals.htm").string())));
}

TEST_F(FindingsFixture, FindingsShowAfterGeneratingAndLeadToTheirItem) {
  MainWindow window(Environment());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Find<QLineEdit>(window, "titleInput")->setText("Summer & <Deals>");
  Find<QLineEdit>(window, "affiliateLinkInput")->setText("https://me.example/");
  for (const char* banner : {"https://cdn.example/a.gif", "file://C:/Pics/top.gif"}) {
    Find<QLineEdit>(window, "bannerInput")->setText(banner);
    QTest::mouseClick(Find<QPushButton>(window, "bannerCreateButton"), Qt::LeftButton);
  }
  Generate(window);
  ASSERT_TRUE(ListShown(window, true));
  EXPECT_EQ(Rows(window).size(), 2);
  EXPECT_TRUE(Rows(window).value(0).startsWith("Title: The title \"Summer & <Deals>\""))
      << Rows(window).value(0).toStdString();
  EXPECT_TRUE(Rows(window).value(1).startsWith("Banner \"top.gif\": The picture \"file://C:/Pics/top.gif\""))
      << "named as its list names it";
  EXPECT_TRUE(QFile::exists(QString::fromStdString((folder / "Output/summer-deals.htm").string())))
      << "the check never stops the page";

  // Moved since the check, the banner is still the one the finding leads to.
  ShowPage(window, "bannerPage");
  Find<QListWidget>(window, "bannerList")->setCurrentRow(1);
  QTest::mouseClick(Find<QPushButton>(window, "bannerMoveUpButton"), Qt::LeftButton);
  ShowPage(window, "finishPage");
  Find<QLineEdit>(window, "outputNameInput")->setFocus();
  QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), List(window)) << "Alt+D reaches the list";
  List(window)->setCurrentRow(1);
  QTest::keyClick(List(window), Qt::Key_Return);
  EXPECT_EQ(CurrentPage(window), "bannerPage");
  EXPECT_EQ(Find<QListWidget>(window, "bannerList")->currentRow(), 0);
  EXPECT_TRUE(Find<QListWidget>(window, "bannerList")->item(0)->isSelected());
  EXPECT_EQ(QApplication::focusWidget(), Find<QListWidget>(window, "bannerList"));

  Generate(window);
  List(window)->setCurrentRow(0);
  QTest::keyClick(List(window), Qt::Key_Return);
  EXPECT_EQ(CurrentPage(window), "titlePage");
  EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>(window, "titleInput"));
  EXPECT_EQ(Find<QLineEdit>(window, "titleInput")->selectedText(), "Summer & <Deals>");

  // Mended and generated again, the list goes away.
  Find<QLineEdit>(window, "titleInput")->setText("Summer Deals");
  Find<QListWidget>(window, "bannerList")->setCurrentRow(0);
  QTest::mouseClick(Find<QPushButton>(window, "bannerDeleteButton"), Qt::LeftButton);
  Generate(window);
  EXPECT_TRUE(ListShown(window, false));
}

TEST_F(FindingsFixture, FindingMarkedAsIntendedIsKeptDimmedAndNotCounted) {
  MainWindow window(Environment());
  window.show();
  Find<QLineEdit>(window, "titleInput")->setText("Deals");
  Find<QLineEdit>(window, "affiliateLinkInput")->setText("https://xxxx.example/");
  Generate(window);
  ASSERT_TRUE(ListShown(window, true));
  auto* panel = Find<FindingsList>(window, "panFindings");
  ASSERT_EQ(panel->Findings().size(), 1u);
  EXPECT_EQ(panel->Findings()[0].code, "placeholder-left");
  auto* mark = Find<QPushButton>(window, "btnMarkIntended");
  const QString before = Find<QLabel>(window, "lblFindings")->text();

  QTest::mouseClick(mark, Qt::LeftButton);
  EXPECT_TRUE(panel->Findings()[0].intended);
  EXPECT_EQ(window.CurrentProject().IntendedFindings, std::vector<std::string>{panel->Findings()[0].key});
  EXPECT_NE(Find<QLabel>(window, "lblFindings")->text(), before) << "no longer counted";
  EXPECT_TRUE(List(window)->item(0)->font().italic());
  Generate(window);
  QTest::qWait(200);
  EXPECT_TRUE(panel->Findings()[0].intended) << "checked again, still intended";

  QTest::mouseClick(mark, Qt::LeftButton);
  EXPECT_FALSE(panel->Findings()[0].intended);
  EXPECT_TRUE(window.CurrentProject().IntendedFindings.empty());
  EXPECT_EQ(Find<QLabel>(window, "lblFindings")->text(), before);
}

TEST(FindingsList, OnlyTheNewestCheckIsShown) {
  auto finding = [](const char* code) { return std::vector<Finding>{{code, {}, "m"}}; };
  FindingsList list;
  list.show();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  // A slow check of a page typed over meanwhile, then the newer page's check.
  list.CheckInBackground([&] {
    released.wait();
    return finding("stale");
  });
  list.CheckInBackground([&] { return finding("newest"); });
  release.set_value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list.Findings().empty(); }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(list.Findings(), finding("newest"));

  // A check that ends after something newer was shown is dropped.
  std::promise<void> releaseAgain;
  std::shared_future<void> releasedAgain = releaseAgain.get_future().share();
  list.CheckInBackground([&] {
    releasedAgain.wait();
    return finding("stale");
  });
  list.ShowFindings({});
  releaseAgain.set_value();
  QTest::qWait(100);
  EXPECT_TRUE(list.Findings().empty());
  EXPECT_TRUE(list.isHidden());
}

TEST_F(FindingsFixture, PreviewListsFindingsAsThePageChanges) {
  MainWindow window(Environment());
  window.show();
  Find<QLineEdit>(window, "titleInput")->setText("Deals");
  Find<QLineEdit>(window, "affiliateLinkInput")->setText("https://me.example/");
  Find<QPushButton>(window, "btnPreview")->click();
  auto* list = window.findChild<FindingsList*>("panPreviewFindings");
  ASSERT_NE(list, nullptr);
  QTest::qWait(200);
  EXPECT_TRUE(list->isHidden()) << "a sound page shows no list";

  Find<QLineEdit>(window, "bannerInput")->setText("http://cdn.example/a.gif");
  QTest::mouseClick(Find<QPushButton>(window, "bannerCreateButton"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isHidden(); }, 5000));
  ASSERT_EQ(list->Findings().size(), 1u);
  EXPECT_EQ(list->Findings()[0].code, "picture-insecure");
  auto* rows = list->findChild<QListWidget*>("lvwFindings");
  ShowPage(window, "titlePage");
  QTest::keyClick(rows, Qt::Key_Return);
  EXPECT_EQ(CurrentPage(window), "bannerPage") << "the finding leads to its banner";

  // One list at a time: the Finish page points to the preview's.
  Generate(window);
  QTest::qWait(200);
  EXPECT_TRUE(Find<FindingsList>(window, "panFindings")->isHidden());
  EXPECT_TRUE(Find<QLabel>(window, "findingsElsewhere")->isVisibleTo(&window));

  Find<QListWidget>(window, "bannerList")->setCurrentRow(0);
  QTest::mouseClick(Find<QPushButton>(window, "bannerDeleteButton"), Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return list->isHidden(); }, 5000));
  Find<QPushButton>(window, "btnPreview")->click();
  EXPECT_FALSE(Find<QLabel>(window, "findingsElsewhere")->isVisibleTo(&window));
}
