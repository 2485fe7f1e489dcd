#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/mock/FakeDialogs.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

struct TextWindow : ::testing::Test, test::FakeWindowEnvironment {
  test::FakeDialogs dialogs;

  void SetUp() override {
    folder.Write("Templates/plain.tem",
                 "%%TABLE_EMAIL_INIT%%<textarea>%%EMAIL%%</textarea>%%TABLE_EMAIL_END%%\n"
                 "%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\" alt=\"%%BANNER_ALT%%\">%%TABLE_BANNER_END%%\n");
  }
  static void Click(MainWindow& window, const std::string& button) {
    QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
  }
  static void Generate(MainWindow& window) { Click(window, "generateButton"); }
};

}  // namespace

TEST_F(TextWindow, DollarsTypedInAnEmailComeBackThroughTheFileAndShowOnThePageAsTyped) {
  const QString typed = QStringLiteral("Save $$$ on the Pro hose\nTotal: 5$\n$$ off, ^^ and <%%/AfEmail%%>");
  {
    auto window = OpenActive(&dialogs);
    Find<QLineEdit>(*window, "titleInput")->setText(QStringLiteral("Hose"));
    Find<QPlainTextEdit>(*window, PromoKind::Email, "Input")->setPlainText(typed);
    Click(*window, "emailCreateButton");
    EXPECT_TRUE(messages.shown.empty()) << "any text is accepted";
    dialogs.answers = {QString::fromStdString((folder / "hose.set").string())};
    Click(*window, "btnSave");
    ASSERT_TRUE(folder.Exists("hose.set"));
  }
  auto window = OpenActive(&dialogs);
  dialogs.answers = {QString::fromStdString((folder / "hose.set").string())};
  Click(*window, "btnLoad");
  QListWidget* list = Find<QListWidget>(*window, PromoKind::Email, "List");
  ASSERT_EQ(list->count(), 1);
  list->setCurrentRow(0);
  Click(*window, "emailEditButton");
  EXPECT_EQ(Find<QPlainTextEdit>(*window, PromoKind::Email, "Input")->toPlainText(), typed);
  Generate(*window);
  EXPECT_NE(folder.Read("Output/hose.htm")
                .find("<textarea>Save $$$ on the Pro hose\r\nTotal: 5$\r\n$$ off, ^^ and &lt;%%/AfEmail%%></textarea>"),
            std::string::npos);
}

TEST_F(TextWindow, BannersAlternativeTextReachesThePageAndComesBackForEditing) {
  auto window = OpenActive(&dialogs);
  Find<QLineEdit>(*window, "titleInput")->setText(QStringLiteral("Hose"));
  Find<QLineEdit>(*window, "bannerInput")->setText(QStringLiteral("https://example.com/hose.gif"));
  QTest::keyClicks(Find<QLineEdit>(*window, "bannerAltInput"), QStringLiteral("A \"red\" hose & reel"));
  Click(*window, "bannerCreateButton");
  Find<QListWidget>(*window, PromoKind::Banners, "List")->setCurrentRow(0);
  Click(*window, "bannerEditButton");
  EXPECT_EQ(Find<QLineEdit>(*window, "bannerAltInput")->text(), QStringLiteral("A \"red\" hose & reel"));
  Generate(*window);
  EXPECT_NE(folder.Read("Output/hose.htm").find("alt=\"A &quot;red&quot; hose &amp; reel\""), std::string::npos);
}
