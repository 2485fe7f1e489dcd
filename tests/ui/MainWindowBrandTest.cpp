#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "crypto/AesLib.h"
#include "tests/mock/BrandText.h"
#include "tests/mock/FakeWindowEnvironment.h"
#include "tests/mock/TempDir.h"
#include "ui/AboutWindow.h"
#include "ui/MainWindow.h"

using namespace velmora;

namespace {

using test::Field;

// Made with: convert -size 40x12 xc:'#3366cc' xc:'#cc6633' -set delay 20 -loop 0 two-frames.gif
const std::filesystem::path kAnimatedGif = std::filesystem::path(VELMORA_TEST_DATA_DIR) / "brand" / "two-frames.gif";

std::string Bytes(const QByteArray& data) { return data.toStdString(); }

std::string Picture(int width, int height, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format));
  return Bytes(data);
}

std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    contents[entry.path().lexically_relative(folder).string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return contents;
}

struct BrandWindowFixture : ::testing::Test, test::FakeWindowEnvironment {
  void WriteBrand(const std::vector<Field>& fields) {
    std::string enciphered;
    ASSERT_EQ(EncipherBytes(test::BrandText(fields), enciphered), CipherResult::Ok);
    folder.Write("dbsettings.dat", enciphered);
  }
};

std::vector<Field> DemoFields() {
  return {{"ApplicationName", "Acme Pages"},
          {"BranderCode", "ACME"},
          {"BranderType", "Master"},
          {"AffiliateURL", "http://aff.example/%%AFFILIATEID%%"},
          {"AffiliateID", "joe"},
          {"MasterNewsBaseURL", "http://127.0.0.1:1/news/"},
          {"MasterPublID", "pub"},
          {"MakeMoneyButton", "Earn & Learn"},
          {"CopyrightYears", "2006"},
          {"CopyrightCompany", "Acme Ltd"},
          {"AboutText", "First line\r\nSecond line"},
          {"Welcome1", "<h1>Hello reseller</h1>"},
          {"Banner1", "pics\\ad.png^http://click.example/"},
          {"Link1", "Left <b>one</b>^http://one.example/"},
          {"Link2", "Right^http://two.example/"}};
}

}  // namespace

TEST_F(BrandWindowFixture, WithoutABrandFileTheWindowKeepsItsBuiltInLook) {
  folder.Write("dbsettings.sim", "<%%ApplicationName%%>Plain<%%/ApplicationName%%>\r\n");
  folder.Write("mainskin.dat", "QPushButton { color: red; }");
  MainWindow window(Environment());
  window.show();
  EXPECT_EQ(window.windowTitle(), "Untitled[*] - Velmora");
  EXPECT_TRUE(Find<QToolButton>(window, "btnNews")->isVisibleTo(&window));
  EXPECT_EQ(Find<QPushButton>(window, "btnMakeMoney")->text(), "Make &Money");
  EXPECT_TRUE(Find<QWidget>(window, "panBanner")->isVisibleTo(&window));
  EXPECT_TRUE(Find<QWidget>(window, "panLinks")->isVisibleTo(&window));
  EXPECT_FALSE(Find<QLabel>(window, "lblLink1URL")->text().isEmpty());
  for (const char* link : {"lblLink1URL", "lblLink2URL"}) emit Find<QLabel>(window, link)->linkActivated(QString());
  ASSERT_EQ(shell.openedUrls.size(), 2u);
  EXPECT_FALSE(shell.openedUrls[0].empty());
  EXPECT_FALSE(shell.openedUrls[1].empty());
  EXPECT_TRUE(window.styleSheet().isEmpty()) << "no brand file, no skin";
  EXPECT_TRUE(folder.Exists("dbsettings.sim")) << "a plain copy on its own is left alone";
  EXPECT_TRUE(Find<QTimer>(window, "newsTimer")->isActive());
}

TEST_F(BrandWindowFixture, BrandFileDressesTitleButtonsWelcomeBannerAndLinks) {
  WriteBrand(DemoFields());
  folder.Write("banner1.dat", Picture(300, 40, "PNG"));
  random.picks = {0, 0, 1, 0};
  MainWindow window(Environment());
  window.show();

  EXPECT_EQ(window.windowTitle(), "Untitled[*] - Acme Pages v2.0");
  EXPECT_EQ(Find<QStackedWidget>(window, "pgsScreens")->currentWidget(), Find<QWidget>(window, "stsWelcome"));
  EXPECT_THAT(Find<QTextBrowser>(window, "prfWelcome")->toPlainText().toStdString(),
              ::testing::HasSubstr("Hello reseller"));
  EXPECT_FALSE(Find<QTimer>(window, "newsTimer")->isActive()) << "waits for the welcome page to be left";
  Find<QPushButton>(window, "bsSkinButton1")->click();
  EXPECT_EQ(Find<QStackedWidget>(window, "pgsScreens")->currentWidget(), Find<QWidget>(window, "stsMain"));

  EXPECT_TRUE(Find<QToolButton>(window, "btnNews")->isVisibleTo(&window));
  EXPECT_EQ(Find<QPushButton>(window, "btnMakeMoney")->text(), "Earn && Learn");
  Find<QPushButton>(window, "btnMakeMoney")->click();
  EXPECT_EQ(shell.openedUrls, std::vector<std::string>{"http://aff.example/joe"});

  EXPECT_TRUE(Find<QLabel>(window, "imgBanner")->isVisibleTo(&window));
  EXPECT_FALSE(Find<QLabel>(window, "gifBanner")->isVisibleTo(&window));
  EXPECT_EQ(Find<QLabel>(window, "imgBanner")->size(), QSize(300, 40));
  EXPECT_EQ(Find<QWidget>(window, "panBanner")->height(), 50);
  EXPECT_EQ(Find<QLabel>(window, "imgBanner")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Find<QLabel>(window, "imgBanner")->x(), Find<QWidget>(window, "panBanner")->width() / 2 - 150);
  EXPECT_EQ(Find<QLabel>(window, "imgBanner")->y(), 5);

  EXPECT_TRUE(Find<QWidget>(window, "panLinks")->isVisibleTo(&window));
  for (const char* link : {"lblLink1URL", "lblLink2URL"}) emit Find<QLabel>(window, link)->linkActivated(QString());
  EXPECT_EQ(shell.openedUrls,
            (std::vector<std::string>{"http://aff.example/joe", "http://two.example/", "http://one.example/"}));
  EXPECT_THAT(Find<QLabel>(window, "lblLink1URL")->text().toStdString(), ::testing::HasSubstr(">Right</a>"));
  EXPECT_THAT(Find<QLabel>(window, "lblLink2URL")->text().toStdString(),
              ::testing::HasSubstr("Left &lt;b&gt;one&lt;/b&gt;"))
      << "captions are text, not markup";
}

TEST_F(BrandWindowFixture, GifNamedEntryPlaysTheBannerFileAsAnAnimationWithoutRenamingIt) {
  WriteBrand({{"Banner1", "one.jpg^"}, {"Banner2", "ad.GIF^"}});
  folder.Write("banner1.dat", Picture(10, 10, "JPEG"));
  folder.Write("banner2.dat", ReadWholeFile(kAnimatedGif).value());
  const auto before = FolderContents(folder.path());
  random.picks = {1};
  MainWindow window(Environment());
  window.show();
  EXPECT_EQ(FolderContents(folder.path()), before) << "the folder holds banner2.dat and no ad.GIF";
  EXPECT_TRUE(Find<QLabel>(window, "gifBanner")->isVisibleTo(&window));
  EXPECT_FALSE(Find<QLabel>(window, "imgBanner")->isVisibleTo(&window));
  QMovie* movie = Find<QLabel>(window, "gifBanner")->movie();
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->frameCount(), 2);
  EXPECT_EQ(Find<QLabel>(window, "gifBanner")->size(), QSize(40, 12));
  EXPECT_EQ(Find<QWidget>(window, "panBanner")->height(), 22);
  EXPECT_NE(Find<QLabel>(window, "gifBanner")->cursor().shape(), Qt::PointingHandCursor) << "no click address";
}

TEST_F(BrandWindowFixture, MissingOrUndecodableBannerPictureHidesTheBannerArea) {
  for (const bool present : {false, true}) {
    WriteBrand({{"Banner1", "ad.jpg^u"}});
    if (present) folder.Write("banner1.dat", "not a picture");
    MainWindow window(Environment());
    EXPECT_FALSE(Find<QWidget>(window, "panBanner")->isVisibleTo(&window)) << (present ? "undecodable" : "missing");
  }
}

TEST_F(BrandWindowFixture, DamagedBrandFileStartsAsIfEveryFieldWereAbsent) {
  WriteBrand(DemoFields());
  std::string enciphered = folder.Read("dbsettings.dat");
  enciphered[30] = static_cast<char>(enciphered[30] ^ 0x20);
  folder.Write("dbsettings.dat", enciphered);
  folder.Write("banner1.dat", Picture(300, 40, "PNG"));
  MainWindow window(Environment());
  window.show();
  EXPECT_EQ(window.windowTitle(), "Untitled[*] -  v2.0");
  EXPECT_FALSE(Find<QToolButton>(window, "btnNews")->isVisibleTo(&window));
  EXPECT_FALSE(Find<QWidget>(window, "panBanner")->isVisibleTo(&window));
  EXPECT_FALSE(Find<QWidget>(window, "panLinks")->isVisibleTo(&window));
  EXPECT_EQ(window.findChild<QWidget*>("stsWelcome"), nullptr);
  EXPECT_TRUE(Find<QTimer>(window, "newsTimer")->isActive());
}

TEST_F(BrandWindowFixture, SkinIsAStyleSheetPlainOrCompressedAndAnUnreadableOneIsIgnored) {
  const std::string sheet = "QPushButton { color: #123456; } /* caf\xC3\xA9 */";
  const QByteArray compressed = qCompress(QByteArray::fromStdString(sheet));
  struct Case {
    const char* what;
    std::string bytes;
    QString expected;
  };
  const std::vector<Case> cases = {
      {"plain", sheet, QString::fromStdString(sheet)},
      {"compressed", Bytes(compressed), QString::fromStdString(sheet)},
      {"not text", std::string("\xFF\xFE\x00\x01garbage", 11), QString()},
      {"truncated compressed", Bytes(compressed.left(compressed.size() - 4)), QString()},
  };
  for (const auto& c : cases) {
    WriteBrand({{"ApplicationName", "Acme"}});
    folder.Write("mainskin.dat", c.bytes);
    MainWindow window(Environment());
    EXPECT_EQ(window.styleSheet(), c.expected) << c.what;
  }
}

TEST_F(BrandWindowFixture, IconComesFromMainIco) {
  WriteBrand({{"ApplicationName", "Acme"}});
  folder.Write("main.ico", Picture(32, 32, "ICO"));
  MainWindow window(Environment());
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(window.windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST_F(BrandWindowFixture, AboutButtonShowsTheBrandInAModalBoxBuiltForEachShowing) {
  WriteBrand(DemoFields());
  MainWindow window(Environment());
  window.show();
  for (int showing = 0; showing < 2; ++showing) {
    QString title, product, copyright, about;
    bool modal = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      modal = box->isModal();
      title = box->windowTitle();
      product = box->findChild<QLabel*>("lblProductName")->text();
      copyright = box->findChild<QLabel*>("lblCopyright")->text();
      about = box->findChild<QPlainTextEdit*>("memAbout")->toPlainText();
      box->findChild<QPushButton*>("editAbout")->click();
    });
    Find<QPushButton>(window, "btnAbout")->click();
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, "About Acme Pages...");
    EXPECT_EQ(product, "Acme Pages");
    EXPECT_EQ(copyright, QStringLiteral("Copyright \u00A9 2006 Acme Ltd"));
    EXPECT_EQ(about, "First line\nSecond line");
    EXPECT_EQ(window.findChildren<AboutWindow*>().size(), 0) << "destroyed when closed";
  }
}

TEST_F(BrandWindowFixture, WelcomePageCanBeLeftOutAtStartAndStillBeOpened) {
  WriteBrand(DemoFields());
  {
    MainWindow window(Environment());
    window.show();
    Find<QCheckBox>(window, "chkShowWelcome")->click();
  }
  MainWindow window(Environment());
  window.show();
  EXPECT_EQ(Find<QStackedWidget>(window, "pgsScreens")->currentWidget(), Find<QWidget>(window, "stsMain"));
  EXPECT_TRUE(Find<QTimer>(window, "newsTimer")->isActive()) << "no welcome page to wait for";
  Find<QAction>(window, "actWelcomePage")->trigger();
  EXPECT_EQ(Find<QStackedWidget>(window, "pgsScreens")->currentWidget(), Find<QWidget>(window, "stsWelcome"));
  EXPECT_FALSE(Find<QCheckBox>(window, "chkShowWelcome")->isChecked());
}
