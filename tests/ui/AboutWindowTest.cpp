#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "ui/AboutWindow.h"

using namespace velmora;

TEST(AboutBox, ShowsProductVersionCopyrightAndTheAboutTextLineByLine) {
  BrandSettings brand;
  brand.ApplicationName = "Acme Pages";
  brand.CopyrightYears = "2005-2007";
  brand.CopyrightCompany = "Acme \xA9 Ltd";  // Windows-1252 bytes are shown as such
  brand.AboutText = "one\r\ntwo\rthree\nfour";
  AboutWindow box(brand);
  EXPECT_EQ(box.objectName(), "frmAbout");
  EXPECT_EQ(box.windowTitle(), "About Acme Pages...");
  EXPECT_EQ(box.findChild<QLabel*>("lblProductName")->text(), "Acme Pages");
  EXPECT_TRUE(box.findChild<QLabel*>("lblProductName")->font().bold());
  EXPECT_EQ(box.findChild<QLabel*>("lblProductVersion")->text(), "Product Version: 2.0");
  EXPECT_EQ(box.findChild<QLabel*>("lblCopyright")->text(),
            QStringLiteral("Copyright \u00A9 2005-2007 Acme \u00A9 Ltd"));
  EXPECT_EQ(box.findChild<QPlainTextEdit*>("memAbout")->document()->blockCount(), 4);
  EXPECT_EQ(box.findChild<QPlainTextEdit*>("memAbout")->toPlainText(), "one\ntwo\nthree\nfour");
}

TEST(AboutBox, WithoutBrandSettingsTheTextsAreTheirFixedParts) {
  AboutWindow box(BrandSettings{});
  EXPECT_EQ(box.windowTitle(), "About ...");
  EXPECT_EQ(box.findChild<QLabel*>("lblProductName")->text(), "");
  EXPECT_EQ(box.findChild<QLabel*>("lblCopyright")->text(), QStringLiteral("Copyright \u00A9  "));
  EXPECT_EQ(box.findChild<QPlainTextEdit*>("memAbout")->toPlainText(), "");
}

TEST(AboutBox, IsAFixedSizeBoxWhoseTextScrollsButCannotBeChangedAndOkClosesIt) {
  BrandSettings brand;
  for (int i = 0; i < 40; ++i) brand.AboutText += "line " + std::to_string(i) + "\r\n";
  AboutWindow box(brand);
  box.show();
  EXPECT_EQ(box.size(), QSize(368, 211));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_TRUE(box.findChild<QPlainTextEdit*>("memAbout")->isReadOnly());
  EXPECT_EQ(box.findChild<QPlainTextEdit*>("memAbout")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_GT(box.findChild<QPlainTextEdit*>("memAbout")->verticalScrollBar()->maximum(), 0) << "forty lines do not fit";
  const QString before = box.findChild<QPlainTextEdit*>("memAbout")->toPlainText();
  box.findChild<QPlainTextEdit*>("memAbout")->setFocus();
  QTest::keyClicks(box.findChild<QPlainTextEdit*>("memAbout"), "typed");
  EXPECT_EQ(box.findChild<QPlainTextEdit*>("memAbout")->toPlainText(), before);

  QSignalSpy accepted(&box, &QDialog::accepted);
  QTest::mouseClick(box.findChild<QPushButton*>("editAbout"), Qt::LeftButton);
  EXPECT_EQ(accepted.count(), 1) << "Ok closes the box";
  EXPECT_FALSE(box.isVisible());
}
