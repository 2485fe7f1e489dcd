#pragma once
// The browser engine behind the live preview. It lives in a module of its own
// that is loaded when the preview is first shown: linking the engine into the
// program would more than double its start-up time.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace velmora {

class PreviewEngine {
public:
  // Why the engine ended a page.
  enum class Stop { Busy, Crashed, Memory };

  struct Hooks {
    std::function<void(const QString& url)> openLink;  // a link the user clicked: http, https or mailto
    std::function<void(bool ok)> shown;                // a page handed to Show() is in place
    std::function<void(Stop why)> stopped;             // the page was ended; the engine waits for the next Show()
  };

  // What a page may read of this machine: nothing but the pictures its
  // banners name. Relative addresses in the page resolve against `folder`.
  struct Place {
    QString folder;        // a local folder
    QStringList pictures;  // absolute paths of local picture files
    bool operator==(const Place&) const = default;
  };

  // How a page differs from the one handed to the Show() before, so that
  // only what changed is shown anew: `script` is the JavaScript value of the
  // changes, [marks, [[after, before, html], ...]] (see PreviewChanges);
  // empty where the page is to be shown whole. `mark` names the page's marks.
  struct Changes {
    QString mark;
    QString script;
  };

  virtual ~PreviewEngine() = default;
  virtual QWidget* View() = 0;
  virtual void SetZoom(qreal factor) = 0;
  // Shows `page`, by its changes where the engine can. Each call ends in one
  // `shown` or `stopped`, unless a later Show() overtakes it.
  virtual void Show(std::shared_ptr<const std::string> page, const Place& place, const Changes& changes) = 0;
  virtual void RunScript(const QString& script, std::function<void(const QVariant&)> done) = 0;
};

// What the module exports, by this name.
using MakePreviewEngineFunction = PreviewEngine* (*)(QWidget* parent, PreviewEngine::Hooks hooks);
inline constexpr char kMakePreviewEngineSymbol[] = "velmora_make_preview_engine";
inline constexpr char kPreviewModuleName[] = "libvelmora-preview.so";

}  // namespace velmora
