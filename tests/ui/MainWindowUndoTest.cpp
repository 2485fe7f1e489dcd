// Undo and redo, the modified mark they leave, and drag and drop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <memory>

#include "project/ProjectFile.h"
#include "tests/mock/FakeDialogs.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

struct UndoWindow : ::testing::Test, test::FakeWindowEnvironment {
  test::FakeDialogs dialogs;
  std::unique_ptr<MainWindow> window = OpenActive(&dialogs);

  QAction* Undo() const { return Find<QAction>(*window, "actUndo"); }
  QAction* Redo() const { return Find<QAction>(*window, "actRedo"); }
  QLineEdit* Field(const char* name) const { return Find<QLineEdit>(*window, name); }
  QListWidget* List(PromoKind kind) const { return Find<QListWidget>(*window, kind, "List"); }
  const PromoList& Items(PromoKind kind) const { return ListOf(window->CurrentProject(), kind); }
  void Add(PromoKind kind, const Strings& items) {
    ShowPage(*window, (std::string(InfoOf(kind).page.stem) + "Page").c_str());
    for (const std::string& item : items) {
      QLineEdit* input = Find<QLineEdit>(*window, kind, "Input");
      input->setText(QString::fromStdString(item));
      QTest::keyClick(input, Qt::Key_Return);
    }
  }
  static std::unique_ptr<QMimeData> Files(const std::vector<std::filesystem::path>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const auto& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    data->setUrls(urls);
    return data;
  }
  static void Drop(QWidget* target, const QMimeData& data, QPoint at = {5, 5}) {
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }
};

}  // namespace

TEST_F(UndoWindow, UndoAfterDeleteBringsTheItemBackInPlaceSelectedAndRedoTakesItAgain) {
  const PromoKind kind = PromoKind::Anchors;
  Add(kind, {"first", "second", "third"});
  QListWidget* list = List(kind);
  list->setCurrentRow(1);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_EQ(Items(kind), (Strings{"first", "third"}));
  EXPECT_EQ(Undo()->text(), "&Undo Delete Text Link");

  ShowPage(*window, "finishPage");
  Undo()->trigger();
  EXPECT_EQ(Items(kind), (Strings{"first", "second", "third"}));
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(CurrentPage(*window), "anchorPage") << "undo shows where the project changed";

  QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Items(kind), (Strings{"first", "third"}));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Items(kind), (Strings{"first", "third"}));

  // All of it undone: the project is the one the window started with, unmarked.
  while (Undo()->isEnabled()) Undo()->trigger();
  EXPECT_TRUE(Items(kind).empty());
  EXPECT_EQ(list->count(), 0);
  EXPECT_FALSE(window->isWindowModified());
}

TEST_F(UndoWindow, TypingIsOneStepPerFieldAndTypingBackClearsTheMark) {
  QLineEdit* title = Field("titleInput");
  QLineEdit* link = Field("affiliateLinkInput");
  QTest::keyClicks(title, QStringLiteral("Ab"));
  EXPECT_TRUE(window->isWindowModified());
  QTest::keyClick(title, Qt::Key_Backspace);
  QTest::keyClick(title, Qt::Key_Backspace);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_FALSE(Undo()->isEnabled()) << "typed back: no step left";

  QTest::keyClicks(title, QStringLiteral("x"));
  QTest::keyClicks(link, QStringLiteral("y"));
  QTest::keyClick(title, Qt::Key_Backspace);
  EXPECT_TRUE(window->isWindowModified());
  QTest::keyClick(link, Qt::Key_Backspace);
  EXPECT_FALSE(window->isWindowModified()) << "the project is the saved one again, whatever the history";
  EXPECT_TRUE(Undo()->isEnabled());

  // Ctrl+Z in a field undoes the window's last step, not the field's own typing.
  QTest::keyClicks(title, QStringLiteral("Hose"));
  QTest::keyClicks(link, QStringLiteral("http://x"));
  title->setFocus();
  QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(link->text(), "");
  EXPECT_EQ(title->text(), "Hose");
  EXPECT_EQ(window->CurrentProject().URL, "");
  EXPECT_TRUE(link->hasFocus());
  EXPECT_EQ(Redo()->text(), "&Redo Typing in Affiliate Link");

  // The field's context menu offers the window's Undo and Redo in place of its own.
  QList<QAction*> offered;
  QTimer::singleShot(0, [&offered] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      offered = menu->actions();
      menu->close();
    }
  });
  QContextMenuEvent request(QContextMenuEvent::Keyboard, {5, 5}, title->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(title, &request);
  EXPECT_TRUE(offered.contains(Undo()));
  EXPECT_TRUE(offered.contains(Redo()));
}

TEST_F(UndoWindow, DraggingAnEntryMovesTheItemAsOneStep) {
  const PromoKind kind = PromoKind::Articles;
  ShowPage(*window, "articlePage");
  for (const char* text : {"alpha", "beta", "gamma"}) {
    auto* memo = Find<QWidget>(*window, kind, "Input");
    memo->setFocus();
    QTest::keyClicks(memo, QString::fromLatin1(text));
    Find<QAbstractButton>(*window, kind, "CreateButton")->click();
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Delete);
  }
  ASSERT_EQ(Items(kind), (Strings{"alpha", "beta", "gamma"}));
  QListWidget* list = List(kind);
  const std::unique_ptr<QMimeData> entry(list->model()->mimeData({list->model()->index(0, 0)}));
  // Onto the lower half of the last entry: after it.
  Drop(list->viewport(), *entry, list->visualItemRect(list->item(2)).center() + QPoint(0, 2));
  EXPECT_EQ(Items(kind), (Strings{"beta", "gamma", "alpha"}));
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->currentRow(), 2);
  Undo()->trigger();
  EXPECT_EQ(Items(kind), (Strings{"alpha", "beta", "gamma"}));
}

TEST_F(UndoWindow, PicturesDroppedOrBrowsedTogetherBecomeBannersInOneStep) {
  for (const char* name : {"top.png", "side.JPG"}) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / name).string())));
  }
  ShowPage(*window, "bannerPage");
  const auto files = Files({folder / "top.png", folder / "notes.txt", folder / "side.JPG"});
  // Onto the address field, which passes dropped files on to its page.
  Drop(Find<QWidget>(*window, "bannerInput"), *files);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Items(PromoKind::Banners).size() == 2; }, 5000));
  EXPECT_EQ(Items(PromoKind::Banners)[0], BrowsedPictureAddress((folder / "top.png").string()));
  EXPECT_EQ(List(PromoKind::Banners)->count(), 2);
  EXPECT_EQ(Undo()->text(), "&Undo Add 2 Banners");
  Undo()->trigger();
  EXPECT_TRUE(Items(PromoKind::Banners).empty());

  dialogs.answers = {QString::fromStdString((folder / "top.png").string() + "\n" + (folder / "side.JPG").string())};
  Find<QAbstractButton>(*window, "bannerBrowseButton")->click();
  EXPECT_EQ(Items(PromoKind::Banners).size(), 2u);
}

TEST_F(UndoWindow, SeveralPastedLinesMayBecomeOneItemEach) {
  ShowPage(*window, "anchorPage");
  QLineEdit* input = Find<QLineEdit>(*window, PromoKind::Anchors, "Input");
  input->setText(QStringLiteral("kept"));
  messages.answers = {true, false};
  input->insert(QStringLiteral("Buy now\n\nSave today\n"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Items(PromoKind::Anchors).size() == 2; }, 5000));
  EXPECT_TRUE(messages.shown.at(0).question);
  EXPECT_EQ(input->text(), "kept");
  EXPECT_EQ(Undo()->text(), "&Undo Add 2 Text Links");

  input->insert(QStringLiteral("one\ntwo"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages.shown.size() == 2; }, 5000));
  EXPECT_EQ(input->text(), "keptone two") << "declined: pasted as one line";
  EXPECT_EQ(Items(PromoKind::Anchors).size(), 2u);
}

TEST_F(UndoWindow, AProjectFileDroppedOnTheWindowOpensAfterTheUnsavedChangesQuestion) {
  Project saved;
  saved.Title = "Dropped";
  saved.URL = "http://xxxx.example";
  saved.Anchors = {"Buy"};
  const auto path = folder / "dropped.set";
  ASSERT_TRUE(SaveProjectFile(path, saved));
  QTest::keyClicks(Field("titleInput"), QStringLiteral("Unsaved"));
  const auto files = Files({path});

  Drop(Field("titleInput"), *files);
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages.shown.size() == 1; }, 5000));
  EXPECT_EQ(window->CurrentProject().Title, "Unsaved") << "Cancel keeps the project";

  messages.saveAnswers = {SaveChoice::Discard};
  Drop(Field("titleInput"), *files);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->CurrentProject().Title == "Dropped"; }, 5000));
  EXPECT_EQ(Items(PromoKind::Anchors), Strings{"Buy"});
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_FALSE(Undo()->isEnabled()) << "an opened project starts a history of its own";
}
