#pragma once
// The news window: the list of news items and the text of the one selected.
// Modal to the main window, built anew for every opening.

#include <QDialog>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Ports.h"
#include "services/NewsBrowser.h"

class QSplitter;
class QTextBrowser;

namespace velmora {

// A list whose selection can be frozen (while a text is loading).
class NewsListView : public QTreeWidget {
public:
  using QTreeWidget::QTreeWidget;
  std::function<bool()> refuseChanges;

protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

struct NewsWindowContext {
  HttpClient& http;
  MessagePort& messages;
  ShellPort& shell;
  const BrandSettings& brand;
  Places places;
  const std::vector<std::string>& newsList;
};

class NewsWindow : public QDialog {
  Q_OBJECT

public:
  NewsWindow(const NewsWindowContext& context, QWidget* parent = nullptr);
  // A text still loading is cancelled while what its request uses is here.
  ~NewsWindow() override;

  bool Busy() const { return opener_.Busy(); }

  // Closing while a text loads ends its request at once.
  void done(int result) override;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void FillList();
  // Loads the selected item's text into the view.
  void OpenSelectedItem();
  void SetBusyCursor(bool busy);

  NewsListView* list_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTextBrowser* text_ = nullptr;

  HttpClient& http_;
  ShellPort& shell_;
  const std::vector<std::string>& newsList_;
  NewsItemOpener opener_;
  bool filled_ = false;
};

}  // namespace velmora
