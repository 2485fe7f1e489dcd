#pragma once
// The last page: the output file's name and folder, where the page goes
// (a file or the clipboard), "Generate Code" and what the page check found.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "generator/PageCheck.h"
#include "ui/pages/WizardPage.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class PathLabel;
class FindingsList;

class FinishPage : public WizardPage {
  Q_OBJECT

public:
  explicit FinishPage(QWidget* parent = nullptr);

  std::string OutputName() const;
  void ShowOutputName(const std::string& name);
  // The name a project without one of its own delivers to; showing it is no edit.
  void ShowSuggestedName(const std::string& name);
  bool ToClipboard() const;
  // A new project saves a web page again.
  void ResetMode();
  void ShowFolder(const std::filesystem::path& folder);
  // "Open in Browser" once a page was saved in this run.
  void OfferOpening();
  void ShowFindings(std::vector<Finding> findings);
  // Runs the page check off the window's thread and lists what it finds.
  void CheckInBackground(std::function<std::vector<Finding>()> check);
  void OnFindingChosen(std::function<void(const Finding&)> handler);
  void OnIntendedChanged(std::function<void(const std::string& key, bool intended)> handler);
  void ApplyIntended(const std::vector<std::string>& intended);
  // While the preview lists the findings, this page only says where they are.
  void ListFindingsHere(bool here);

signals:
  void outputNameTyped(const QString& name);
  void generateRequested();
  void openRequested();
  void publishRequested();
  void changeFolderRequested();

private:
  QLineEdit* name_ = nullptr;
  bool suggesting_ = false;
  PathLabel* folder_ = nullptr;
  QRadioButton* saveWebPage_ = nullptr;
  QRadioButton* clipboard_ = nullptr;
  QPushButton* open_ = nullptr;
  FindingsList* findings_ = nullptr;
  QLabel* findingsElsewhere_ = nullptr;
};

}  // namespace velmora
