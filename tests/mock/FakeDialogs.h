#pragma once
// A file-dialog port for window tests.

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "platform/QtDialogs.h"

namespace velmora::test {

// Answers file dialogs from a queue (an empty answer is a cancel) and
// records how each was opened.
class FakeDialogs : public FileDialogPort {
public:
  struct Opened {
    std::string kind;
    QString title;
    QString filter;
    QString folder;
  };
  std::vector<Opened> opened;
  std::deque<QString> answers;

  QString OpenFile(QWidget*, const QString& title, const QString& filter, const QString& folder) override {
    return Answer("open", title, filter, folder);
  }
  // Several files are one answer, a line each.
  QStringList OpenFiles(QWidget*, const QString& title, const QString& filter, const QString& folder) override {
    return Answer("open", title, filter, folder).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  QString SaveFile(QWidget*, const QString& title, const QString& filter, const QString& folder) override {
    return Answer("save", title, filter, folder);
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString& folder) override {
    return Answer("folder", title, QString(), folder);
  }

private:
  QString Answer(std::string kind, const QString& title, const QString& filter, const QString& folder) {
    opened.push_back({std::move(kind), title, filter, folder});
    if (answers.empty()) return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace velmora::test
