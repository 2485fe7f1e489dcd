#include "platform/ErrorReport.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <boost/stacktrace.hpp>
#include <sstream>

#include "app/BrandSettings.h"
#include "app/FileIO.h"
#include "app/Log.h"
#include "platform/QtText.h"

namespace velmora {

namespace {

constexpr std::size_t kReportedLogLines = 20;

std::function<void(const ErrorReportText&)>& Hook() {
  static std::function<void(const ErrorReportText&)> hook;
  return hook;
}

std::string StackText() {
  std::ostringstream out;
  // Leave out this function and the std::function call that reached it.
  out << boost::stacktrace::stacktrace(2, 64);
  return out.str();
}

QString ProgramFacts() {
  return QStringLiteral("Velmora %1, Qt %2, %3")
      .arg(QString::fromLatin1(ProgramVersion), QString::fromLatin1(qVersion()), QSysInfo::prettyProductName());
}

}  // namespace

QString ErrorReportText::Full() const { return summary + QStringLiteral("\n\n") + details; }

ErrorReportText DescribeException(std::exception_ptr error) {
  ErrorReportText report;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    report.summary = QStringLiteral("An unexpected error occurred:\n%1").arg(ToQString(e.what()));
  } catch (...) {
    report.summary = QStringLiteral("An unexpected error of an unknown kind occurred.");
  }
  report.details = ProgramFacts() + QStringLiteral("\n\nStack:\n") + QString::fromStdString(StackText());
  // What the program noticed before, which often explains the failure.
  const std::vector<std::string> recent = RecentLogLines(kReportedLogLines);
  if (!recent.empty()) {
    report.details += QStringLiteral("\nRecent log:\n");
    for (const std::string& line : recent) report.details += ToQString(line) + QLatin1Char('\n');
  }
  Log(LogLevel::Error, "report", report.summary.toStdString());
  return report;
}

ErrorReportDialog::ErrorReportDialog(const ErrorReportText& report, QWidget* parent)
    : QDialog(parent), report_(report) {
  setObjectName(QStringLiteral("frmErrorReport"));
  setWindowTitle(QStringLiteral("Velmora - Error"));
  auto* layout = new QVBoxLayout(this);
  auto* summary = new QLabel(report.summary, this);
  summary->setObjectName(QStringLiteral("lblSummary"));
  summary->setWordWrap(true);
  summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary);
  auto* note = new QLabel(QStringLiteral("The program keeps running. Nothing was lost beyond the operation above."), this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* details = new QPlainTextEdit(report.details, this);
  details->setObjectName(QStringLiteral("memDetails"));
  details->setReadOnly(true);
  details->setLineWrapMode(QPlainTextEdit::NoWrap);
  details->setVisible(false);
  layout->addWidget(details, 1);

  auto* buttons = new QDialogButtonBox(this);
  auto* toggle = buttons->addButton(QStringLiteral("&Details"), QDialogButtonBox::ActionRole);
  auto* copy = buttons->addButton(QStringLiteral("&Copy Report"), QDialogButtonBox::ActionRole);
  auto* mail = buttons->addButton(QStringLiteral("Send by &E-mail"), QDialogButtonBox::ActionRole);
  auto* close = buttons->addButton(QDialogButtonBox::Close);
  close->setDefault(true);
  toggle->setCheckable(true);
  copy->setObjectName(QStringLiteral("btnCopyReport"));
  mail->setObjectName(QStringLiteral("btnSendReport"));
  layout->addWidget(buttons);

  connect(toggle, &QPushButton::toggled, this, [this, details](bool on) {
    details->setVisible(on);
    adjustSize();
  });
  connect(copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(report_.Full()); });
  connect(mail, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl(MailtoUrl())); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(520, 220);
}

QString ErrorReportDialog::MailtoUrl() const {
  QUrl url(QStringLiteral("mailto:"));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Velmora error report"));
  query.addQueryItem(QStringLiteral("body"), report_.Full());
  url.setQuery(query);
  return url.toString(QUrl::FullyEncoded);
}

void SetErrorReportHook(std::function<void(const ErrorReportText&)> hook) { Hook() = std::move(hook); }

void ReportException(std::exception_ptr error, QWidget* parent) {
  const ErrorReportText report = DescribeException(error);
  if (Hook()) {
    Hook()(report);
    return;
  }
  ErrorReportDialog dialog(report, parent);
  dialog.exec();
}

ReportingApplication::ReportingApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ReportingApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportException(std::current_exception(), activeWindow());
    return false;
  }
}

}  // namespace velmora
