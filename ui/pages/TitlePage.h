#pragma once
// The first page: the page's title, the affiliate link and the description
// search engines show.

#include <string>

#include "project/ProjectEdit.h"
#include "ui/pages/WizardPage.h"

class QLineEdit;

namespace velmora {

class TitlePage : public WizardPage {
  Q_OBJECT

public:
  explicit TitlePage(QWidget* parent = nullptr);

  std::string Title() const;
  std::string AffiliateLink() const;
  std::string Description() const;
  // Shows a project's values without reporting them as typed.
  void ShowValues(const std::string& title, const std::string& link, const std::string& affiliateId,
                  const std::string& description);
  // One field shows `text` again (undo and redo), not reported as typed, with the cursor at its end.
  void ShowField(ProjectField field, const std::string& text);
  // Puts the cursor into a field with its text selected, to be typed over.
  void FocusTitle();
  void FocusAffiliateLink();
  QWidget* FirstInput() const override;

signals:
  // The user changed a field (the whole text, as shown).
  void titleTyped(const QString& text);
  void affiliateLinkTyped(const QString& text);
  void affiliateIdTyped(const QString& text);
  void descriptionTyped(const QString& text);
  // Enter in a field: on to the next page.
  void nextRequested();

private:
  void Watch(QLineEdit* field, void (TitlePage::*typed)(const QString&));

  QLineEdit* title_ = nullptr;
  QLineEdit* link_ = nullptr;
  QLineEdit* affiliateId_ = nullptr;  // hidden: only a project load fills it
  QLineEdit* description_ = nullptr;
  bool showing_ = false;
};

}  // namespace velmora
