// Editing promos in place, reordering them and their keys, and the live preview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/PreviewScript.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPane.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

struct EditWindow : ::testing::Test, test::FakeWindowEnvironment {
  std::unique_ptr<MainWindow> Open() {
    auto window = OpenActive();
    QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral("Title"));
    QTest::keyClicks(Find<QLineEdit>(*window, "affiliateLinkInput"), QStringLiteral("link"));
    return window;
  }
  static void Select(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }
  void WriteTemplate(const char* name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(folder.folder()) / "Templates");
    std::ofstream(std::filesystem::path(folder.folder()) / "Templates" / name, std::ios::binary) << text;
  }
  static QString Run(PreviewPane* pane, const QString& script) { return test::RunInPreview(pane, script); }
  // Opens the preview and waits for its page; null when the engine cannot run here.
  PreviewPane* ShowPreview(MainWindow& window) {
    Find<QPushButton>(window, "btnPreview")->click();
    auto* pane = window.findChild<PreviewPane*>();
    if (!pane || !pane->EngineStarted()) return nullptr;
    loaded = std::make_unique<QSignalSpy>(pane, &PreviewPane::PageLoaded);
    return loaded->wait(20000) ? pane : nullptr;
  }
  std::unique_ptr<QSignalSpy> loaded;  // the preview's refreshes, once it is shown
  // The input that takes typing first on a promo page (a PPC ad's title).
  static QWidget* FirstInput(MainWindow& window, PromoKind kind) { return Find<QWidget>(window, kind, "Input"); }
  // Puts `text` into the page's first input.
  static void Type(MainWindow& window, PromoKind kind, const QString& text) {
    QWidget* input = FirstInput(window, kind);
    if (auto* field = qobject_cast<QLineEdit*>(input)) field->clear();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(input)) memo->clear();
    QTest::keyClicks(input, text);
  }
  static QString InputText(MainWindow& window, PromoKind kind) {
    QWidget* input = FirstInput(window, kind);
    if (auto* field = qobject_cast<QLineEdit*>(input)) return field->text();
    return qobject_cast<QPlainTextEdit*>(input)->toPlainText();
  }
};

class EditEveryPage : public EditWindow, public ::testing::WithParamInterface<PromoKind> {};

}  // namespace

TEST_P(EditEveryPage, EditUpdateEscapeMoveAndDeleteKey) {
  const PromoKind kind = GetParam();
  auto window = Open();
  Find<QStackedWidget>(*window, "ntbMain")->setCurrentWidget(Find<QWidget>(*window, kind, "Page"));
  auto* list = Find<QListWidget>(*window, kind, "List");
  auto* create = Find<QPushButton>(*window, kind, "CreateButton");
  auto* edit = Find<QPushButton>(*window, kind, "EditButton");
  const PromoList& items = ListOf(window->CurrentProject(), kind);
  for (const char* text : {"first", "second", "third"}) {
    Type(*window, kind, QString::fromLatin1(text));
    QTest::mouseClick(create, Qt::LeftButton);
  }
  ASSERT_EQ(items.size(), 3u);
  const PromoList created = items;
  EXPECT_FALSE(edit->isEnabled()) << "nothing selected yet";

  // Edit, change, Update: the item is replaced where it stood.
  Select(list, 1);
  QTest::mouseClick(edit, Qt::LeftButton);
  EXPECT_EQ(InputText(*window, kind), "second");
  EXPECT_TRUE(create->text().startsWith(QStringLiteral("&Update "))) << create->text().toStdString();
  EXPECT_EQ(QApplication::focusWidget(), FirstInput(*window, kind));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" changed"));
  QTest::mouseClick(create, Qt::LeftButton);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(create->text().startsWith(QStringLiteral("&Add "))) << create->text().toStdString();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1], BuildPromoItem(kind, {"second changed", {}, {}}));
  EXPECT_EQ(list->count(), 3);

  // Double click, type, Escape: nothing stored, the inputs as they were.
  Type(*window, kind, QStringLiteral("draft"));
  Select(list, 0);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(InputText(*window, kind), "first");
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" lost"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(create->text().startsWith(QStringLiteral("&Add "))) << create->text().toStdString();
  EXPECT_EQ(InputText(*window, kind), "draft");
  EXPECT_EQ(items[0], created[0]);

  // Alt+Down from the list, then "Move Down" at the end does nothing.
  Select(list, 0);
  QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(items[1], created[0]);
  EXPECT_EQ(list->currentRow(), 1);
  QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(items[0], created[0]);
  Select(list, 2);
  EXPECT_FALSE(Find<QPushButton>(*window, kind, "MoveDownButton")->isEnabled());

  // The Delete key deletes like "Delete Ad".
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(items.size(), 2u);
  EXPECT_EQ(list->count(), 2);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(messages.Texts(), Strings{std::string(InfoOf(kind).selectMessage)}) << "nothing selected after a delete";
}

INSTANTIATE_TEST_SUITE_P(FMainEdit, EditEveryPage, ::testing::ValuesIn(kPromoKinds),
                         [](const auto& row) { return std::string(InfoOf(row.param).page.stem); });

TEST_F(EditWindow, RefusedUpdateKeepsEditingAndTheItemAndDeletingItEndsEditing) {
  auto window = Open();
  Find<QStackedWidget>(*window, "ntbMain")->setCurrentWidget(Find<QWidget>(*window, "anchorPage"));
  for (const char* text : {"Buy", "Order"}) {
    Type(*window, PromoKind::Anchors, QString::fromLatin1(text));
    QTest::keyClick(Find<QLineEdit>(*window, "anchorInput"), Qt::Key_Return);
  }
  Select(Find<QListWidget>(*window, "anchorList"), 1);
  Find<QPushButton>(*window, "anchorEditButton")->click();
  Type(*window, PromoKind::Anchors, QStringLiteral("buy"));
  QTest::keyClick(Find<QLineEdit>(*window, "anchorInput"), Qt::Key_Return);
  EXPECT_EQ(messages.Texts(), Strings{"This Text Link Promo already exists."});
  EXPECT_TRUE(Find<QPushButton>(*window, "anchorCreateButton")->text().startsWith(QStringLiteral("&Update ")))
      << "the user can correct the text";
  EXPECT_EQ(window->CurrentProject().Anchors, (Strings{"Buy", "Order"}));

  Select(Find<QListWidget>(*window, "anchorList"), 0);
  QTest::keyClick(Find<QListWidget>(*window, "anchorList"), Qt::Key_Down, Qt::AltModifier);
  Select(Find<QListWidget>(*window, "anchorList"), 0);
  QTest::keyClick(Find<QListWidget>(*window, "anchorList"), Qt::Key_Delete);
  EXPECT_TRUE(Find<QPushButton>(*window, "anchorCreateButton")->text().startsWith(QStringLiteral("&Add ")))
      << "editing ended";
  EXPECT_EQ(window->CurrentProject().Anchors, Strings{"Buy"});
}

TEST_F(EditWindow, DetailViewsOnlyShow) {
  auto window = Open();
  for (QPlainTextEdit* details :
       {Find<QPlainTextEdit>(*window, "ppcAdDetails"), Find<QPlainTextEdit>(*window, "signatureDetails"),
        Find<QPlainTextEdit>(*window, "emailDetails"), Find<QPlainTextEdit>(*window, "autoEmailDetails"),
        Find<QPlainTextEdit>(*window, "articleDetails"), Find<QPlainTextEdit>(*window, "popUpDetails")}) {
    details->setPlainText(QStringLiteral("shown"));
    QTest::keyClicks(details, QStringLiteral("typed"));
    EXPECT_EQ(details->toPlainText(), "shown") << details->objectName().toStdString();
  }
}

TEST_F(EditWindow, PreviewLoadsTheGeneratedPageAndFollowsChanges) {
  if (!PreviewPane::Available()) GTEST_SKIP() << "this build has no browser engine";
  WriteTemplate("plain.tem",
                "<!DOCTYPE html><html><head><title>%%TITLE%%</title></head><body>"
                "<a id=\"out\" href=\"http://example.com/\">x</a></body></html>\r\n");
  auto window = Open();
  PreviewPane* pane = ShowPreview(*window);
  if (!pane) GTEST_SKIP() << "the browser engine did not start here";
  EXPECT_EQ(Run(pane, QStringLiteral("document.title")), "Title");

  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral(" two"));
  ASSERT_TRUE(loaded->wait(5000));
  EXPECT_EQ(Run(pane, QStringLiteral("document.title")), "Title two");
  EXPECT_TRUE(shell.openedUrls.empty());
  const QStringList at = Run(pane, QStringLiteral("(function(r){return (r.left+r.width/2)+','+(r.top+r.height/2)})"
                                                  "(document.getElementById('out').getBoundingClientRect())"))
                             .split(QLatin1Char(','));
  ASSERT_EQ(at.size(), 2);
  auto* view = pane->findChild<QWidget*>(QStringLiteral("webPreview"));
  const double zoom = view->property("zoomFactor").toDouble();
  QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {},
                    QPoint(qRound(at[0].toDouble() * zoom), qRound(at[1].toDouble() * zoom)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !shell.openedUrls.empty(); }, 5000));
  EXPECT_EQ(shell.openedUrls, Strings{"http://example.com/"}) << "a clicked link opens in the system browser";
}

// A refresh patches the page in place; the page's own scripts never run.
TEST_F(EditWindow, PreviewPatchesInPlaceAndNeverRunsThePagesScripts) {
  if (!PreviewPane::Available()) GTEST_SKIP() << "this build has no browser engine";
  WriteTemplate("a.tem",
                "<!DOCTYPE html><html><head><title>t</title></head><body><h1>%%TITLE%%</h1></body></html>\r\n");
  WriteTemplate("b.tem",
                "<!DOCTYPE html><html><head><title>t</title></head><body><h1>%%TITLE%%</h1><p id=\"s\"></p>"
                "<script>document.getElementById('s').textContent = 'by script: ' + "
                "document.querySelector('h1').textContent;</script></body></html>\r\n");
  auto window = Open();
  PreviewPane* pane = ShowPreview(*window);
  if (!pane) GTEST_SKIP() << "the browser engine did not start here";
  ASSERT_EQ(Find<QComboBox>(*window, "templateChoice")->currentText(), QStringLiteral("A"));
  Run(pane, QStringLiteral("window.sameDocument = true"));
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral(" two"));
  ASSERT_TRUE(loaded->wait(5000));
  EXPECT_EQ(Run(pane, QStringLiteral("document.querySelector('h1').textContent")), "Title two");
  EXPECT_EQ(Run(pane, QStringLiteral("String(window.sameDocument)")), "true") << "patched in place";

  Find<QComboBox>(*window, "templateChoice")->setCurrentText(QStringLiteral("B"));
  ASSERT_TRUE(loaded->wait(5000));
  EXPECT_EQ(Run(pane, QStringLiteral("document.querySelector('h1').textContent")), "Title two");
  EXPECT_EQ(Run(pane, QStringLiteral("document.getElementById('s').textContent")), "");
  QTest::keyClicks(Find<QLineEdit>(*window, "titleInput"), QStringLiteral(" three"));
  ASSERT_TRUE(loaded->wait(5000));
  EXPECT_EQ(Run(pane, QStringLiteral("document.querySelector('h1').textContent")), "Title two three");
  EXPECT_EQ(Run(pane, QStringLiteral("document.getElementById('s').textContent")), "");
}
