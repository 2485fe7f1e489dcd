#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include "tests/mock/FakeDialogs.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

struct OutputPagesFixture : ::testing::Test, test::FakeWindowEnvironment {
  void Picture(const std::string& name, int width, int height) {
    std::filesystem::create_directories(folder / "Templates");
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(QString::fromStdString((folder / ("Templates/" + name)).string()), "JPG"));
  }
  static QStringList Entries(MainWindow& window) {
    QStringList entries;
    for (int i = 0; i < Find<QComboBox>(window, "templateChoice")->count(); ++i)
      entries << Find<QComboBox>(window, "templateChoice")->itemText(i);
    return entries;
  }
};

}  // namespace

TEST_F(OutputPagesFixture, StartUpListsTemplatesAndSelectsTheFirstWithItsPreview) {
  folder.Write("Templates/zeta.tem", "z");
  folder.Write("Templates/Alpha.tem", "a");
  folder.Write("Templates/beta.tem", "b");
  folder.Write("Templates/notes.txt", "n");
  Picture("alpha.jpg", 100, 50);
  MainWindow window(Environment());
  EXPECT_EQ(Entries(window), (QStringList{"Alpha", "Beta", "Zeta"}));
  EXPECT_EQ(Find<QComboBox>(window, "templateChoice")->currentText(), "Alpha");
  EXPECT_EQ(window.CurrentProject().Template, "Alpha");
  EXPECT_FALSE(Find<QLabel>(window, "templatePicture")->isHidden());
  EXPECT_EQ(Find<QLabel>(window, "templatePicture")->geometry(), QRect(149, 108, 100, 50))
      << "own size, centred in 398 by 266";
  EXPECT_EQ(Find<QWidget>(window, "templatePreviewArea")->size(), QSize(398, 266));
}

TEST_F(OutputPagesFixture, PreviewFollowsTheChoiceAndIsNeverScaled) {
  folder.Write("Templates/big.tem", "x");
  folder.Write("Templates/plain.tem", "y");
  Picture("BIG.jpg", 500, 300);
  MainWindow window(Environment());
  ASSERT_EQ(Find<QComboBox>(window, "templateChoice")->currentText(), "Big");
  EXPECT_EQ(Find<QLabel>(window, "templatePicture")->geometry(), QRect(-51, -17, 500, 300)) << "cut at the edges";
  EXPECT_EQ(Find<QLabel>(window, "templatePicture")->pixmap().size(), QSize(500, 300));
  Find<QComboBox>(window, "templateChoice")->setCurrentIndex(1);
  EXPECT_EQ(window.CurrentProject().Template, "Plain");
  EXPECT_TRUE(Find<QLabel>(window, "templatePicture")->isHidden()) << "no picture for this one";
  Find<QComboBox>(window, "templateChoice")->setCurrentIndex(0);
  EXPECT_FALSE(Find<QLabel>(window, "templatePicture")->isHidden());
  EXPECT_EQ(window.CurrentProject().Template, "Big");
}

TEST_F(OutputPagesFixture, WithoutTemplatesNothingIsSelected) {
  MainWindow window(Environment());
  EXPECT_EQ(Find<QComboBox>(window, "templateChoice")->count(), 0);
  EXPECT_EQ(window.CurrentProject().Template, "");
  EXPECT_TRUE(Find<QLabel>(window, "templatePicture")->isHidden());
}

TEST_F(OutputPagesFixture, LoadedProjectSelectsItsTemplateWithoutRegardToCase) {
  folder.Write("Templates/alpha.tem", "a");
  folder.Write("Templates/zeta.tem", "z");
  MainWindow window(Environment());
  window.SelectTemplateAfterLoad("ZETA");
  EXPECT_EQ(Find<QComboBox>(window, "templateChoice")->currentText(), "Zeta");
  EXPECT_EQ(window.CurrentProject().Template, "ZETA") << "the value as read";
  window.SelectTemplateAfterLoad("Gone");
  EXPECT_EQ(Find<QComboBox>(window, "templateChoice")->currentText(), "Alpha")
      << "not listed: the first, as at start-up";
  EXPECT_EQ(window.CurrentProject().Template, "Gone");
}

TEST_F(OutputPagesFixture, FinishPageStartsWithThePresetNameAndSaveMode) {
  MainWindow window(Environment());
  EXPECT_EQ(Find<QLineEdit>(window, "outputNameInput")->text(), "affiliatepage.htm");
  EXPECT_EQ(window.CurrentProject().FileName, "") << "untouched field leaves the model empty";
  EXPECT_TRUE(Find<QRadioButton>(window, "saveWebPageOption")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>(window, "clipboardOption")->isChecked());
  EXPECT_EQ(Find<QPushButton>(window, "generateButton")->text().remove(QLatin1Char('&')), "Generate Code");
  EXPECT_FALSE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
  QTest::keyClick(Find<QLineEdit>(window, "outputNameInput"), Qt::Key_Backspace);
  EXPECT_EQ(window.CurrentProject().FileName, "affiliatepage.ht");
  window.SetOutputFileNameField("loaded.htm");
  EXPECT_EQ(Find<QLineEdit>(window, "outputNameInput")->text(), "loaded.htm");
  EXPECT_EQ(window.CurrentProject().FileName, "loaded.htm");
}

TEST_F(OutputPagesFixture, GenerateCodeSavesThePageAndOffersToOpenIt) {
  folder.Write("Templates/simple.tem", "<h1>%%TITLE%%</h1>\n");
  MainWindow window(Environment());
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Deal"));
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  EXPECT_EQ(folder.Read("Output/deal.htm").rfind("<h1>Deal</h1>\r\n<!-- velmora-page owner=", 0), 0u)
      << "named from the title, marked as this project's";
  EXPECT_EQ(window.CurrentProject().FileName, "deal.htm") << "the name is kept once a page was saved";
  EXPECT_FALSE(window.CurrentProject().PageId.empty());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Done);
  ASSERT_TRUE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
  QTest::mouseClick(Find<QPushButton>(window, "openInBrowserButton"), Qt::LeftButton);
  ASSERT_EQ(shell.openedUrls.size(), 1u);
  EXPECT_EQ(shell.openedUrls[0], "file://" + folder.folder() + "Output/deal.htm");
}

TEST_F(OutputPagesFixture, AnotherPageAtTheNameIsAskedAboutAndKeepBothGivesThisProjectAnotherName) {
  folder.Write("Templates/simple.tem", "<p>%%TITLE%%</p>");
  folder.Write("Output/deal.htm", "<p>made by hand</p>");
  MainWindow window(Environment());
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Deal"));
  messages.replaceAnswers = {ReplaceChoice::KeepBoth};
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_TRUE(messages.shown[0].question);
  EXPECT_EQ(folder.Read("Output/deal.htm"), "<p>made by hand</p>");
  EXPECT_TRUE(folder.Exists("Output/deal-2.htm"));
  EXPECT_EQ(Find<QLineEdit>(window, "outputNameInput")->text(), "deal-2.htm");
  EXPECT_EQ(window.CurrentProject().FileName, "deal-2.htm");
  EXPECT_TRUE(window.isWindowModified());
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  EXPECT_EQ(messages.shown.size(), 3u) << "its own page is replaced without asking";
  EXPECT_FALSE(messages.shown[2].question);
}

TEST_F(OutputPagesFixture, PublishRunsThePageCheckFirstAndFindingsTakeOneMoreClick) {
  folder.Write("Templates/simple.tem", "<h1>%%TITLE%%</h1>");
  MainWindow window(Environment());
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Summer & <Deals>"));
  messages.answers = {false};
  QTest::mouseClick(Find<QPushButton>(window, "openPublishButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].question);
  EXPECT_EQ(messages.shown[0].preselected, DefaultButton::Cancel);

  QString opened;
  QTimer::singleShot(0, [&opened] {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      opened = dialog->objectName();
      dialog->close();
    }
  });
  messages.answers = {true};
  QTest::mouseClick(Find<QPushButton>(window, "openPublishButton"), Qt::LeftButton);
  EXPECT_EQ(opened, "publishDialog");
}

TEST_F(OutputPagesFixture, ClipboardModePutsThePageOnTheClipboard) {
  folder.Write("Templates/simple.tem", "<p>%%TITLE%%</p>");
  MainWindow window(Environment());
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Clip"));
  Find<QRadioButton>(window, "clipboardOption")->click();
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  ASSERT_TRUE(clipboard.text);
  EXPECT_EQ(*clipboard.text, "<p>Clip</p>\r\n");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"You have copied your code to the clipboard."});
  EXPECT_FALSE(folder.Exists("Output/clip.htm"));
  EXPECT_FALSE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
}

TEST_F(OutputPagesFixture, InstalledProgramSavesInTheUsersFolderAndRemembersAChangedOne) {
  folder.Write("Templates/simple.tem", "<p>%%TITLE%%</p>");
  test::TempDir home;
  const UserFolders user{home / "Documents", home / "config", home / "data", home / "cache"};
  test::FakeDialogs dialogs;
  MainWindowEnvironment env = Environment(&dialogs);
  env.places = Places::Installed(folder.folder(), user);
  {
    MainWindow window(env);
    EXPECT_EQ(window.OutputFolderChoice().string(), (home / "Documents/Velmora/Output").string());
    QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
    EXPECT_EQ(home.Read("Documents/Velmora/Output/affiliatepage.htm").rfind("<p></p>\r\n<!--", 0), 0u);
    EXPECT_FALSE(folder.Exists("Output")) << "the program folder is never written";

    dialogs.answers.push_back(QString::fromStdString((home / "Sites").string()));
    std::filesystem::create_directories(home / "Sites");
    QTest::mouseClick(Find<QPushButton>(window, "changeOutputFolderButton"), Qt::LeftButton);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].folder.toStdString(), (home / "Documents/Velmora/Output").string());
    QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
    EXPECT_TRUE(home.Exists("Sites/affiliatepage.htm"));
  }
  MainWindow again(env);
  EXPECT_EQ(again.OutputFolderChoice().string(), (home / "Sites").string()) << "remembered per user";
  dialogs.opened.clear();
  QTest::mouseClick(Find<QPushButton>(again, "changeOutputFolderButton"),
                    Qt::LeftButton);  // cancelled: nothing changes
  EXPECT_EQ(again.OutputFolderChoice().string(), (home / "Sites").string());
}

TEST_F(OutputPagesFixture, ClipboardModeNeedsNoOutputFolder) {
  folder.Write("Templates/simple.tem", "<p>%%TITLE%%</p>");
  folder.Write("Output", "a file where the folder would be");
  MainWindow window(Environment());
  Find<QRadioButton>(window, "clipboardOption")->click();
  EXPECT_FALSE(Find<QPushButton>(window, "changeOutputFolderButton")->isEnabled());
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  EXPECT_TRUE(clipboard.text);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"You have copied your code to the clipboard."});
}

TEST_F(OutputPagesFixture, FinishPageWorksFromTheKeyboard) {
  folder.Write("Templates/simple.tem", "<p>%%TITLE%%</p>");
  MainWindow window(Environment());
  Find<QTimer>(window, "newsTimer")->stop();
  Find<QLineEdit>(window, "titleInput")->setText(QStringLiteral("Keys"));
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ShowPage(window, "finishPage");
  auto pressAlt = [&](Qt::Key key) {
    QTest::keyClick(window.windowHandle(), key, Qt::AltModifier);
    QTest::qWait(150);  // a mnemonic presses its button with a short animated click
  };
  pressAlt(Qt::Key_P);
  EXPECT_TRUE(Find<QRadioButton>(window, "clipboardOption")->isChecked());
  pressAlt(Qt::Key_G);
  ASSERT_TRUE(clipboard.text);
  EXPECT_EQ(*clipboard.text, "<p>Keys</p>\r\n");
  pressAlt(Qt::Key_W);
  pressAlt(Qt::Key_G);
  EXPECT_EQ(folder.Read("Output/keys.htm").rfind("<p>Keys</p>\r\n<!--", 0), 0u);
  pressAlt(Qt::Key_I);
  EXPECT_EQ(shell.openedUrls.size(), 1u);
}

TEST_F(OutputPagesFixture, TemplateRemovedAfterStartIsReportedAndNothingIsSaved) {
  folder.Write("Templates/simple.tem", "x");
  MainWindow window(Environment());
  std::filesystem::remove(folder / "Templates/simple.tem");
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_FALSE(folder.Exists("Output/affiliatepage.htm"));
  EXPECT_FALSE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
}

TEST_F(OutputPagesFixture, TooLargeTemplateOrPageIsRefusedAndNothingDelivered) {
  folder.Write("Templates/huge.tem", "");
  std::filesystem::resize_file(folder / "Templates/huge.tem", 5 << 20);
  std::string titles;
  for (int i = 0; i < 100000; ++i) titles += "%%TITLE%%";
  folder.Write("Templates/titles.tem", titles);
  MainWindow window(Environment());
  Find<QLineEdit>(window, "titleInput")->setText(QString(1000, QLatin1Char('t')));
  for (const int entry : {0, 1}) {
    Find<QComboBox>(window, "templateChoice")->setCurrentIndex(entry);
    for (QRadioButton* mode :
         {Find<QRadioButton>(window, "saveWebPageOption"), Find<QRadioButton>(window, "clipboardOption")}) {
      mode->click();
      messages.shown.clear();
      QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
      ASSERT_EQ(messages.shown.size(), 1u) << entry;
      EXPECT_EQ(messages.shown[0].kind, MessageKind::Error) << entry;
    }
  }
  EXPECT_FALSE(clipboard.text);
  EXPECT_FALSE(folder.Exists("Output/" + std::string(60, 't') + ".htm"));
  EXPECT_FALSE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
}

TEST_F(OutputPagesFixture, FailedWriteIsAnErrorNotASuccess) {
  folder.Write("Templates/simple.tem", "x");
  // A folder where the page would go: the writer refuses to replace it.
  folder.Write("Output/page.htm/inside", "x");
  MainWindow window(Environment());
  Find<QLineEdit>(window, "outputNameInput")->setText(QStringLiteral("page.htm"));
  QTest::mouseClick(Find<QPushButton>(window, "generateButton"), Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_FALSE(Find<QPushButton>(window, "openInBrowserButton")->isEnabled());
}
