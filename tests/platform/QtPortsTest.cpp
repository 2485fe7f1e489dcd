#include "platform/QtPorts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmora;

TEST(QtMessagePortTest, EnterChoosesThePreselectedButtonOfAQuestion) {
  for (const auto preselected : {DefaultButton::Ok, DefaultButton::Cancel}) {
    QtMessagePort port(nullptr);
    QMessageBox::StandardButton shownDefault = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shownDefault = box->standardButton(static_cast<QAbstractButton*>(box->defaultButton()));
      QTest::keyClick(box, Qt::Key_Return);
    });
    const bool accepted = port.AskOkCancel(MessageKind::Information, "Update?", preselected);
    EXPECT_EQ(shownDefault, preselected == DefaultButton::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
    EXPECT_EQ(accepted, preselected == DefaultButton::Ok) << "Enter typed into the box";
  }
}
