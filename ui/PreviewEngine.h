#pragma once
// The browser engine behind the live preview. It lives in a module of its own
// that is loaded when the preview is first shown: linking the engine into the
// program would more than double its start-up time.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <string>

class QWidget;

namespace velmora {

class PreviewEngine {
public:
  struct Hooks {
    std::function<void(const QString& url)> openLink;  // a link the user clicked
    std::function<void(bool ok)> shown;                // a page handed to Show() is in place
  };

  virtual ~PreviewEngine() = default;
  virtual QWidget* View() = 0;
  virtual void SetZoom(qreal factor) = 0;
  // Shows `page`; relative addresses in it resolve against `base`. Each call
  // ends in one `shown`, unless a later Show() overtakes it.
  virtual void Show(std::string page, const QUrl& base) = 0;
  virtual void RunScript(const QString& script, std::function<void(const QVariant&)> done) = 0;
};

// What the module exports, by this name.
using MakePreviewEngineFunction = PreviewEngine* (*)(QWidget* parent, PreviewEngine::Hooks hooks);
inline constexpr char kMakePreviewEngineSymbol[] = "velmora_make_preview_engine";
inline constexpr char kPreviewModuleName[] = "libvelmora-preview.so";

}  // namespace velmora
