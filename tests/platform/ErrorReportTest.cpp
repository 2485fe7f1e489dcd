#include "platform/ErrorReport.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include "app/FileIO.h"

using namespace velmora;

namespace {

struct CapturedReports {
  std::vector<ErrorReportText> reports;
  CapturedReports() {
    SetErrorReportHook([this](const ErrorReportText& r) { reports.push_back(r); });
  }
  ~CapturedReports() { SetErrorReportHook(nullptr); }
};

}  // namespace

TEST(ErrorReport, FileErrorNamesTheOperationTheFileAndTheSystemReason) {
  CapturedReports captured;
  RunGuarded(nullptr, [] { throw FileError("Cannot write the file", "/tmp/x/page.htm", "Permission denied"); });
  ASSERT_EQ(captured.reports.size(), 1u);
  const QString summary = captured.reports[0].summary;
  EXPECT_TRUE(summary.contains(QStringLiteral("Cannot write the file")));
  EXPECT_TRUE(summary.contains(QStringLiteral("/tmp/x/page.htm")));
  EXPECT_TRUE(summary.contains(QStringLiteral("Permission denied")));
  EXPECT_TRUE(captured.reports[0].details.contains(QStringLiteral("Stack:")));
}

TEST(ErrorReport, StackIsTakenWhereTheFileErrorWasThrown) {
  CapturedReports captured;
  InstallStackCapture();
  RunGuarded(nullptr, [] { (void)ReadWholeFile("/nonexistent/velmora/project.set"); });
  SetStackCaptureHook(nullptr);
  ASSERT_EQ(captured.reports.size(), 1u);
  EXPECT_TRUE(captured.reports[0].details.contains(QStringLiteral("ReadWholeFile")))
      << captured.reports[0].details.toStdString();
}

TEST(ErrorReport, UnknownFailuresAreReportedToo) {
  CapturedReports captured;
  RunGuarded(nullptr, [] { throw std::runtime_error("boom"); });
  RunGuarded(nullptr, [] { throw 42; });
  ASSERT_EQ(captured.reports.size(), 2u);
  EXPECT_TRUE(captured.reports[0].summary.contains(QStringLiteral("boom")));
  EXPECT_FALSE(captured.reports[1].summary.isEmpty());
}

TEST(ErrorReport, DialogCopiesTheWholeReportAndMailsIt) {
  ErrorReportText report{QStringLiteral("Cannot write the file:\n/a b/c&d.htm"), QStringLiteral("Stack:\n#0 f")};
  ErrorReportDialog dialog(report, nullptr);
  auto* copy = dialog.findChild<QPushButton*>(QStringLiteral("btnCopyReport"));
  ASSERT_NE(copy, nullptr);
  copy->click();
  EXPECT_EQ(QApplication::clipboard()->text(), report.Full());

  const QUrl mail(dialog.MailtoUrl());
  EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
  const QUrlQuery query(mail);
  EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), report.Full());
}
