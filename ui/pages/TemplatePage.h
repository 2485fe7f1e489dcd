#pragma once
// The template page: the list of templates and a picture of the chosen one.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/pages/WizardPage.h"

class QComboBox;
class QLabel;

namespace velmora {

class TemplatePage : public WizardPage {
  Q_OBJECT

public:
  explicit TemplatePage(QWidget* parent = nullptr);

  // Lists `names` and chooses the first, if any.
  void ListTemplates(const std::vector<std::string>& names);
  std::vector<std::string> Listed() const;
  std::string Chosen() const;
  // False when the template at `index` was the choice already.
  bool Choose(std::size_t index);
  // The chosen template's picture at its own size, centred; none: no picture.
  void ShowPicture(const std::optional<std::filesystem::path>& picture);
  void FocusChoice();

signals:
  void templateChosen();

private:
  QComboBox* choice_ = nullptr;
  QLabel* picture_ = nullptr;
};

}  // namespace velmora
