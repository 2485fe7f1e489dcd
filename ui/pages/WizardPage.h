#pragma once
// One page of the wizard: a heading over the page's own controls, which
// stay private to it. The window hears what the user asks for through the
// page's signals and answers through its small public methods.

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace velmora {

class WizardPage : public QWidget {
  Q_OBJECT

public:
  WizardPage(const QString& name, const QString& heading, QWidget* parent = nullptr);

  // The window numbers the steps by the pages' places.
  void NumberStep(int step);
  // Where typing goes when the page comes up; null: nowhere in particular.
  virtual QWidget* FirstInput() const { return nullptr; }

signals:
  // Something the project holds was changed on this page.
  void edited();

protected:
  QVBoxLayout* Layout() const { return layout_; }

private:
  QVBoxLayout* layout_ = nullptr;
  QLabel* heading_ = nullptr;
};

}  // namespace velmora
