#include "ui/NewsWindow.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "app/BrandFile.h"
#include "crypto/AesLib.h"
#include "services/NewsService.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::string kDetailsUrl = "http://pub/news/getnewsdetails.php";

struct NewsWindowFixture : ::testing::Test {
  test::TempDir dir;
  test::FakeHttp http;
  test::FakeMessages messages;
  test::FakeShell shell;
  BrandSettings brand;
  std::vector<std::string> newsList{"3^Third news^2026-12-01", "2^Second^2026-11-20", "1^First^2026-11-02"};
  std::unique_ptr<NewsWindow> form;

  void SetUp() override {
    brand.BranderType = "Master";
    brand.BranderCode = "CODE";
    brand.MasterPublID = "pub";
    brand.MasterNewsBaseURL = "http://pub/news/";
    std::string enciphered;
    ASSERT_EQ(EncipherBytes("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n", enciphered), CipherResult::Ok);
    dir.Write(kBrandFileName, enciphered);
    form = std::make_unique<NewsWindow>(NewsWindowContext{http, messages, shell, brand, Places::Portable(dir.folder()), newsList});
    form->show();
  }

  void ClickRow(int row) {
    QTreeWidgetItem* item = form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(row);
    const QRect rect = form->findChild<QTreeWidget*>("lvwItems")->visualItemRect(item);
    QTest::mouseClick(form->findChild<QTreeWidget*>("lvwItems")->viewport(), Qt::LeftButton, {}, rect.center());
  }
  int SelectedRow() const {
    const auto selected = form->findChild<QTreeWidget*>("lvwItems")->selectedItems();
    return selected.isEmpty() ? -1 : form->findChild<QTreeWidget*>("lvwItems")->indexOfTopLevelItem(selected.first());
  }
};

}  // namespace

TEST_F(NewsWindowFixture, ListsTheItemsInServerOrderWithNothingSelected) {
  EXPECT_EQ(form->windowTitle(), "News");
  EXPECT_EQ(form->size(), QSize(682, 411));
  EXPECT_TRUE(form->isModal());
  ASSERT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItemCount(), 3);
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->headerItem()->text(0), "News Title");
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->headerItem()->text(1), "Published");
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->header()->sectionSize(1), 160);
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(0)->text(0), "Third news");
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(0)->text(1), "2026-12-01");
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->topLevelItem(2)->text(0), "First");
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->height(), 105);
  EXPECT_EQ(form->findChild<QSplitter*>("splitter")->handleWidth(), 10);
  EXPECT_EQ(form->findChild<QPushButton*>("btnExit")->text(), "Close");
  EXPECT_EQ(form->findChild<QPushButton*>("btnExit")->size(), QSize(97, 20));
  EXPECT_EQ(SelectedRow(), -1);
  EXPECT_TRUE(http.requests.empty()) << "no text is fetched before the user selects a row";
}

TEST_F(NewsWindowFixture, SelectingARowShowsItsTextAndStoresItsId) {
  http.replies[kDetailsUrl] = "<p>Second $24 text</p>\xAFOK";
  ClickRow(1);
  http.AnswerAll();
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(form->findChild<QTextBrowser*>("prfEditorNews")->toPlainText(), "Second $ text");
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "2");
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].fields[3].value, "2");

  ClickRow(0);
  http.AnswerAll();
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "3");
  ClickRow(1);
  http.AnswerAll();
  EXPECT_EQ(http.requests.size(), 3u) << "selecting a row again fetches its text again";
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "2") << "an older item lowers the stored id";
  EXPECT_FALSE(form->Busy());
}

TEST_F(NewsWindowFixture, WhileATextLoadsTheSelectionStaysAndTheCursorIsBusy) {
  http.replies[kDetailsUrl] = "text\xAFOK";
  ClickRow(0);
  EXPECT_TRUE(form->Busy());
  EXPECT_EQ(form->findChild<QTreeWidget*>("lvwItems")->viewport()->cursor().shape(), Qt::WaitCursor);
  ClickRow(2);
  QTest::keyClick(form->findChild<QTreeWidget*>("lvwItems"), Qt::Key_Down);
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_EQ(http.requests.size(), 1u);
  http.AnswerAll();
  EXPECT_FALSE(form->Busy());
  EXPECT_NE(form->findChild<QTreeWidget*>("lvwItems")->viewport()->cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(form->findChild<QTextBrowser*>("prfEditorNews")->toPlainText(), "text");
}

TEST_F(NewsWindowFixture, FailedDetailsKeepTheShownTextAndTheStoredId) {
  http.replies[kDetailsUrl] = "shown\xAFOK";
  ClickRow(0);
  http.AnswerAll();
  http.replies[kDetailsUrl] = "INVALIDNEWS";
  ClickRow(1);
  http.AnswerAll();
  EXPECT_EQ(form->findChild<QTextBrowser*>("prfEditorNews")->toPlainText(), "shown");
  EXPECT_EQ(SelectedRow(), 1) << "the row stays selected";
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "3");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"There is a trouble with this news. Contact your provider."});
  EXPECT_FALSE(form->Busy());
}

TEST_F(NewsWindowFixture, LinksInTheTextOpenOutsideAndCloseEndsTheWindow) {
  emit form->findChild<QTextBrowser*>("prfEditorNews")->anchorClicked(QUrl(QStringLiteral("https://example.com/offer")));
  EXPECT_EQ(shell.openedUrls, std::vector<std::string>{"https://example.com/offer"});
  QTest::mouseClick(form->findChild<QPushButton*>("btnExit"), Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(NewsWindowFixture, ClosingWhileATextLoadsEndsTheRequestWithoutAWord) {
  ClickRow(0);
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(http.disconnects, 1);
  EXPECT_EQ(http.Waiting(), 0u);
  EXPECT_TRUE(messages.shown.empty()) << "no trouble message for a request the user ended";
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
  EXPECT_FALSE(form->Busy());
}

TEST_F(NewsWindowFixture, WindowDestroyedWhileATextLoadsEndsItsRequest) {
  http.replies[kDetailsUrl] = "INVALIDNEWS";
  ClickRow(0);
  form.reset();
  EXPECT_EQ(http.Waiting(), 0u) << "the request ended with the window";
  http.AnswerAll();
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ReadLastNewsId(dir.folder()), "");
}
