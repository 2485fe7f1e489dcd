#include "platform/ErrorReport.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

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

TEST(ErrorReport, UnknownFailuresAreReportedToo) {
  CapturedReports captured;
  RunGuarded(nullptr, [] { throw std::runtime_error("boom"); });
  RunGuarded(nullptr, [] { throw 42; });
  ASSERT_EQ(captured.reports.size(), 2u);
  EXPECT_TRUE(captured.reports[0].summary.contains(QStringLiteral("boom")));
  EXPECT_FALSE(captured.reports[1].summary.isEmpty());
  EXPECT_TRUE(captured.reports[0].details.contains(QStringLiteral("Stack:")));
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
