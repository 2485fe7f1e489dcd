// How the main window behaves as a desktop window: its minimum size, its
// place on the screen, the Tab order and the focus mark.
#include <gtest/gtest.h>

#include <map>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "tests/mock/FakeWindowEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"
#include "ui/WindowPlacement.h"

using namespace velmora;

namespace {

struct WindowBehaviour : ::testing::Test, test::FakeWindowEnvironment {
  std::unique_ptr<MainWindow> Open() { return OpenActive(); }
};

}  // namespace

TEST_F(WindowBehaviour, TabVisitsOnlyVisibleControlsTopToBottomThenBackAndNext) {
  auto window = Open();
  for (int page = 0; page < Wizard::kPageCount; ++page) {
    Find<QStackedWidget>(*window, "ntbMain")->setCurrentIndex(page);
    Find<QToolButton>(*window, "btnHelp")->setFocus();  // the last stop of the toolbar at the top
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "lstSteps") << "the list of steps comes first";
    std::vector<QWidget*> onPage, after;
    for (int i = 0;
         i < 40 && QApplication::focusWidget() != static_cast<QWidget*>(Find<QLabel>(*window, "lblLink1URL")); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focused = QApplication::focusWidget();
      ASSERT_NE(focused, nullptr);
      EXPECT_TRUE(focused->isVisible() && focused->isEnabled()) << page << " " << focused->objectName().toStdString();
      (Page(*window, page)->isAncestorOf(focused) ? onPage : after).push_back(focused);
    }
    ASSERT_FALSE(onPage.empty()) << "page " << page;
    for (std::size_t i = 1; i < onPage.size(); ++i)
      EXPECT_LE(onPage[i - 1]->mapTo(window.get(), QPoint()).y(), onPage[i]->mapTo(window.get(), QPoint()).y())
          << "page " << page << ": " << onPage[i]->objectName().toStdString();
    std::vector<QWidget*> expected;
    for (QWidget* button : {Find<QPushButton>(*window, "btnBack"), Find<QPushButton>(*window, "btnNext")})
      if (button->isEnabled()) expected.push_back(button);
    expected.push_back(static_cast<QWidget*>(Find<QLabel>(*window, "lblLink1URL")));
    EXPECT_EQ(after, expected) << "page " << page << ": Back and Next, then the links";
  }
}

TEST_F(WindowBehaviour, AtItsMinimumSizeEveryPageKeepsItsCaptionsAndFields) {
  auto window = Open();
  EXPECT_GE(window->minimumWidth(), 500);
  window->resize(300, 200);
  QApplication::processEvents();
  EXPECT_EQ(window->size(), window->minimumSize());
  for (int page = 0; page < Wizard::kPageCount; ++page) {
    Find<QStackedWidget>(*window, "ntbMain")->setCurrentIndex(page);
    QApplication::processEvents();
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
      if (!button->isVisible()) continue;
      EXPECT_GE(button->width(), button->sizeHint().width()) << page << " " << button->objectName().toStdString();
    }
    for (QWidget* field : Page(*window, page)->findChildren<QWidget*>()) {
      if (!field->isVisible() || !qobject_cast<QLineEdit*>(field)) continue;
      EXPECT_GE(field->height(), field->minimumSizeHint().height()) << page << " " << field->objectName().toStdString();
    }
  }
  EXPECT_GE(Find<QPlainTextEdit>(*window, "ppcAdBodyInput")->height(),
            3 * Find<QPlainTextEdit>(*window, "ppcAdBodyInput")->fontMetrics().lineSpacing());
}

TEST_F(WindowBehaviour, ShrinkingTheWindowWithThePreviewOpenTakesFromThePreviewNotTheWizard) {
  if (!PreviewPane::Available()) GTEST_SKIP() << "this build has no browser engine";
  auto window = Open();
  Find<QPushButton>(*window, "btnPreview")->click();
  QApplication::processEvents();
  window->resize(300, window->height());
  QApplication::processEvents();
  for (int page = 0; page < Wizard::kPageCount; ++page) {
    Find<QStackedWidget>(*window, "ntbMain")->setCurrentIndex(page);
    QApplication::processEvents();
    for (QPushButton* button : Page(*window, page)->findChildren<QPushButton*>()) {
      if (!button->isVisible()) continue;
      EXPECT_GE(button->width(), button->sizeHint().width()) << page << " " << button->objectName().toStdString();
    }
  }
}

TEST(WindowPlacement, WindowLiesWhollyOnItsScreenCentred) {
  struct Case {
    QRect frame, available, expected;
  };
  const Case cases[] = {
      {{0, 0, 740, 550}, {0, 0, 1280, 900}, {270, 175, 740, 550}},
      // A scale factor of 2 on 1280 by 900 leaves 640 by 450 to place the window in.
      {{-50, -50, 740, 550}, {0, 0, 640, 450}, {0, 0, 640, 450}},
      {{900, 10, 740, 300}, {100, 30, 640, 900}, {100, 330, 640, 300}},
  };
  for (const Case& c : cases) {
    const QRect placed = FitOnScreen(c.frame, c.available);
    EXPECT_EQ(placed, c.expected);
    EXPECT_TRUE(c.available.contains(placed));
  }
}

TEST(WindowPlacement, RememberedPlaceIsKeptAndFirstStartTakesAComfortableShare) {
  EXPECT_EQ(KeepOnScreen({100, 80, 700, 500}, {0, 0, 1366, 768}), QRect(100, 80, 700, 500)) << "not centred";
  EXPECT_EQ(KeepOnScreen({1500, 900, 700, 500}, {0, 0, 1366, 768}), QRect(666, 268, 700, 500))
      << "a screen that became smaller";
  EXPECT_EQ(KeepOnScreen({-20, 0, 2000, 500}, {0, 0, 1366, 768}), QRect(0, 0, 1366, 500));
  EXPECT_EQ(FirstStartSize({1920, 1050}, {740, 520}), QSize(1152, 787));
  EXPECT_EQ(FirstStartSize({1366, 738}, {900, 560}), QSize(900, 560)) << "never below the minimum";
  EXPECT_EQ(FirstStartSize({640, 450}, {740, 520}), QSize(640, 450)) << "nor above the room";
}

TEST_F(WindowBehaviour, WindowComesBackAtTheSizeAndPlaceItWasLeft) {
  auto window = Open();
  window->setGeometry(QRect(QPoint(30, 20), window->minimumSize() + QSize(10, 10)));
  const QRect left = window->geometry();
  window->close();
  window = Open();
  EXPECT_EQ(window->geometry(), left);
}

TEST_F(WindowBehaviour, StepsListCountsItemsAndGoesToTheStepPickedOnceTheFirstPageIsFilled) {
  auto window = Open();
  auto* steps = Find<QListWidget>(*window, "lstSteps");
  ASSERT_EQ(steps->count(), Wizard::kPageCount);
  steps->setCurrentRow(2);
  EXPECT_EQ(CurrentPage(*window), Page(*window, 0)->objectName().toStdString());
  EXPECT_EQ(steps->currentRow(), 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Title"));
  QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("link"));
  steps->setCurrentRow(2);
  EXPECT_EQ(CurrentPage(*window), Page(*window, 2)->objectName().toStdString());
  Find<QLineEdit>(*window, PromoKind::Anchors, "Input")->setText(QStringLiteral("Buy"));
  Find<QPushButton>(*window, PromoKind::Anchors, "CreateButton")->click();
  EXPECT_TRUE(steps->item(2)->text().endsWith(QStringLiteral("(1)"))) << steps->item(2)->text().toStdString();
  Find<QPushButton>(*window, "btnNext")->click();
  EXPECT_EQ(steps->currentRow(), 3) << "the list follows Next";
}

TEST_F(WindowBehaviour, ButtonsShowKeyboardFocusInTheSkin) {
  auto window = Open();
  QFile skin(QStringLiteral(VELMORA_SOURCE_DIR "/brand/mainskin.dat"));
  ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
  window->setStyleSheet(QString::fromUtf8(skin.readAll()));
  ShowPage(*window, "anchorPage");
  for (QWidget* button : std::initializer_list<QWidget*>{
           Find<QPushButton>(*window, "btnSave"), static_cast<QWidget*>(Find<QToolButton>(*window, "btnNews")),
           Find<QPushButton>(*window, "btnBack"), Find<QPushButton>(*window, "anchorCreateButton")}) {
    Find<QLineEdit>(*window, "anchorInput")->setFocus();
    const QImage plain = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = button->grab().toImage();
    EXPECT_NE(focused, plain) << button->objectName().toStdString();
  }
}

namespace {

// The letter Alt presses for a caption ("Pre&view": 'v'), or nothing.
QChar MnemonicOf(const QString& text) {
  for (qsizetype at = text.indexOf(QLatin1Char('&')); at >= 0 && at + 1 < text.size();
       at = text.indexOf(QLatin1Char('&'), at + 2)) {
    if (text[at + 1] != QLatin1Char('&')) return text[at + 1].toLower();
  }
  return {};
}

// Every mnemonic of the controls the user can see now, with who holds it.
std::multimap<QChar, QString> VisibleMnemonics(const MainWindow& window) {
  std::multimap<QChar, QString> found;
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
    if (button->isVisibleTo(&window) && !MnemonicOf(button->text()).isNull())
      found.emplace(MnemonicOf(button->text()), button->objectName());
  for (const QLabel* label : window.findChildren<QLabel*>())
    if (label->buddy() && label->isVisibleTo(&window) && !MnemonicOf(label->text()).isNull())
      found.emplace(MnemonicOf(label->text()), label->objectName());
  for (const QAction* menu : window.menuBar()->actions())
    if (menu->isVisible() && !MnemonicOf(menu->text()).isNull())
      found.emplace(MnemonicOf(menu->text()), QStringLiteral("menu ") + menu->text());
  return found;
}

}  // namespace

TEST_F(WindowBehaviour, MnemonicsAreUniqueOnEveryPageWithThePreviewOpenOrClosed) {
  auto window = Open();
  std::vector<bool> previewStates{false};
  if (PreviewPane::Available()) previewStates.push_back(true);
  for (const bool preview : previewStates) {
    if (preview) Find<QPushButton>(*window, "btnPreview")->click();
    for (int page = 0; page < Wizard::kPageCount; ++page) {
      Find<QStackedWidget>(*window, "ntbMain")->setCurrentIndex(page);
      QApplication::processEvents();
      const auto found = VisibleMnemonics(*window);
      for (auto it = found.begin(); it != found.end(); it = found.upper_bound(it->first)) {
        const auto [first, last] = found.equal_range(it->first);
        QStringList holders;
        for (auto holder = first; holder != last; ++holder) holders << holder->second;
        EXPECT_EQ(holders.size(), 1) << "page " << page << (preview ? " with" : " without") << " the preview: Alt+"
                                     << QString(it->first).toStdString() << " is "
                                     << holders.join(QStringLiteral(", ")).toStdString();
      }
      for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(window.get()) && !button->text().isEmpty()) {
          // Move Up and Move Down answer Alt+Up and Alt+Down, as their tips say.
          EXPECT_TRUE(!MnemonicOf(button->text()).isNull() || button->toolTip().contains(QStringLiteral("(Alt+")))
              << "page " << page << ": " << button->objectName().toStdString();
        }
      }
    }
  }
}
