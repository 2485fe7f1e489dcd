#pragma once
// The live preview: the page as "Generate Code" would make it now, shown in
// a browser engine at a phone, tablet or desktop width. The engine starts
// when the pane is first shown, so it costs nothing at start-up.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QScrollArea;
class QTimer;
class QToolButton;

namespace velmora {

class PreviewEngine;

class PreviewPane : public QWidget {
  Q_OBJECT

public:
  struct Source {
    std::string text;
    QString folder;        // where relative addresses in the page lead: the folder the page is saved to
    QStringList pictures;  // the only local files the page may show: those its banners name
    std::string mark;      // names the marks that part the page (PreviewMark()); none: shown whole every time
  };
  using PageSource = std::function<Source()>;
  using LinkOpener = std::function<void(const QString& url)>;

  PreviewPane(PageSource source, LinkOpener openLink, QWidget* parent = nullptr);
  ~PreviewPane() override;

  // The widths the buttons offer, in CSS pixels.
  static constexpr int kPhoneWidth = 390;
  static constexpr int kTabletWidth = 768;
  static constexpr int kDesktopWidth = 1200;
  // The smallest scale a page is drawn at; a narrower pane scrolls.
  static constexpr double kSmallestZoom = 0.6;

  // A change to the project: refresh at once, or, while a refresh is in the
  // engine, once it is done, with every change made meanwhile.
  void ScheduleRefresh();
  // Make and show the page now (a hidden pane only notes that it is stale).
  // The page is made even where this build has no engine to show it, for
  // whatever else the source does with it.
  void RefreshNow();
  void SetPageWidth(int cssPixels);
  int PageWidth() const { return pageWidth_; }
  bool EngineStarted() const;
  // Puts `widget` under the page.
  void AddBelow(QWidget* widget);
  // Runs `script` on the page on show, in a world of its own (the page's own
  // scripts do not run), and hands its result to `done`.
  void RunScript(const QString& script, std::function<void(const QVariant&)> done);

  // False when the browser engine's module is not in the program folder.
  static bool Available();
  // The local files that banner `addresses` name, relative ones in `folder`;
  // web addresses name none.
  static QStringList LocalPictures(const std::vector<std::string>& addresses, const QString& folder);

signals:
  // The page was made anew, before it goes to the engine.
  void PageMade();
  // The engine has finished loading a refreshed page.
  void PageLoaded(bool ok);
  // The engine ended the page (it ran away or crashed); the pane says so.
  void PageStopped();

protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void StartEngine();
  void FitWidth();
  void ShowStopped(const QString& why);
  void Settled();

  PageSource source_;
  LinkOpener openLink_;
  QScrollArea* scroller_ = nullptr;
  QWidget* stage_ = nullptr;  // holds the engine's view, centred
  QLabel* notice_ = nullptr;
  QWidget* stopped_ = nullptr;  // why the page was ended, and a way to try again
  QLabel* stoppedWhy_ = nullptr;
  QButtonGroup* widths_ = nullptr;
  QTimer* soon_ = nullptr;  // gathers the changes of one event
  PreviewEngine* engine_ = nullptr;
  int pageWidth_ = kDesktopWidth;
  bool stale_ = true;
  bool inEngine_ = false;  // a refresh is in the engine
  // The page last handed to the engine and where it was shown from: the
  // next refresh shows what differs from it.
  std::shared_ptr<const std::string> handed_;
  QString handedFolder_;
  QStringList handedPictures_;
};

// Must run before the QApplication is made, for the engine loaded later. The
// program's modules, the engine's among them, are looked for in
// `programFolder`/plugins, by default in the running program's folder.
void PrepareBrowserEngine(const QString& programFolder = {});

}  // namespace velmora
