#pragma once
// The live preview: the page as "Generate Code" would make it now, shown in
// a browser engine at a phone, tablet or desktop width. The engine starts
// when the pane is first shown, so it costs nothing at start-up.

#include <QPointer>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <string>

class QButtonGroup;
class QLabel;
class QTimer;
class QToolButton;

namespace velmora {

class PreviewEngine;

class TPreviewPane : public QWidget {
  Q_OBJECT

public:
  using PageSource = std::function<std::string()>;
  using LinkOpener = std::function<void(const QString& url)>;

  TPreviewPane(PageSource source, LinkOpener openLink, QWidget* parent = nullptr);
  ~TPreviewPane() override;

  // The widths the buttons offer, in CSS pixels.
  static constexpr int kPhoneWidth = 390;
  static constexpr int kTabletWidth = 768;
  static constexpr int kDesktopWidth = 1200;
  // Quiet time after the last change before the page is made again.
  static constexpr int kDebounceMs = 40;

  // A change to the project: refresh once the typing stops.
  void ScheduleRefresh();
  // Make and load the page now (a hidden pane only notes that it is stale).
  void RefreshNow();
  void SetPageWidth(int cssPixels);
  int PageWidth() const { return pageWidth_; }
  bool EngineStarted() const;
  // Runs `script` in the page on show and hands its result to `done`.
  void RunScript(const QString& script, std::function<void(const QVariant&)> done);

  // False when this build leaves the browser engine out.
  static bool Available();

signals:
  // The engine has finished loading a refreshed page.
  void PageLoaded(bool ok);

protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void StartEngine();
  void FitWidth();

  PageSource source_;
  LinkOpener openLink_;
  QWidget* stage_ = nullptr;  // holds the engine's view, centred
  QLabel* notice_ = nullptr;
  QButtonGroup* widths_ = nullptr;
  QTimer* debounce_ = nullptr;
  PreviewEngine* engine_ = nullptr;
  int pageWidth_ = kDesktopWidth;
  bool stale_ = true;
};

// Must run before the QApplication is made: the engine learns the scheme the
// preview serves its page from, and as root it runs without its sandbox.
void PrepareBrowserEngine();

}  // namespace velmora
