#pragma once
// Failures that no handler catches: caught at the event boundary, shown in
// a report dialog (what failed, the system's reason, the stack, the log's
// last lines), and the program keeps running. The failure is logged too.

#include <QApplication>
#include <QDialog>
#include <exception>
#include <functional>

class QPlainTextEdit;

namespace velmora {

struct ErrorReportText {
  QString summary;  // plain words: operation, file, reason
  QString details;  // stack trace and program facts
  QString Full() const;
};

ErrorReportText DescribeException(std::exception_ptr error);

class ErrorReportDialog : public QDialog {
  Q_OBJECT
public:
  ErrorReportDialog(const ErrorReportText& report, QWidget* parent);
  QString MailtoUrl() const;

private:
  ErrorReportText report_;
};

// Shows the report for the current exception; the hook lets tests see it instead.
void ReportException(std::exception_ptr error, QWidget* parent);
void SetErrorReportHook(std::function<void(const ErrorReportText&)> hook);

// Runs an event handler; anything it throws goes to the error report.
template <typename Handler>
void RunGuarded(QWidget* parent, Handler&& handler) {
  try {
    handler();
  } catch (...) {
    ReportException(std::current_exception(), parent);
  }
}

// The program's QApplication: catches what escapes event handlers and
// installs the stack capture for the core's file errors.
class ReportingApplication : public QApplication {
public:
  ReportingApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace velmora
