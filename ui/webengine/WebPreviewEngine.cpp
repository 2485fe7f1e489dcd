// The live preview's browser engine, built as a module the program loads on
// first use. A refresh changes only the parts of the shown page that differ
// from the new one, so typing does not make the engine load, lay out and
// paint thousands of promos again, nor the view flash or lose its place.
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QStringDecoder>
#include <string>
#include <string_view>

#include "ui/PreviewEngine.h"

namespace velmora {

namespace {

// Makes the shown document equal to the one parsed from `html`, touching only
// what differs. Returns false, having changed nothing, where only a full load
// is faithful: the page was changed since it was shown (its scripts, most
// likely), its head changed, or a change lies in or around a script, whose
// effects a patch cannot reproduce. Runs in a world of its own, out of reach
// of the page's scripts; `velmoraShown` there is the page as last parsed.
const char kPatchScript[] = R"JS(
(function (html) {
  'use strict';
  var doc = document, shown = window.velmoraShown;
  if (!shown || !doc.documentElement || !doc.documentElement.isEqualNode(shown.documentElement)) return false;
  var next = new DOMParser().parseFromString(html, 'text/html');
  if (!doc.body || !next.body || doc.body.nodeName !== next.body.nodeName) return false;
  if (!doc.doctype !== !next.doctype || (doc.doctype && !doc.doctype.isEqualNode(next.doctype))) return false;
  if (!sameAttributes(doc.documentElement, next.documentElement)) return false;
  var headNow = untitled(doc.head), headNext = untitled(next.head);
  if (headNow.length !== headNext.length) return false;
  for (var i = 0; i < headNow.length; ++i)
    if (!headNow[i].isEqualNode(headNext[i])) return false;
  var steps = [];
  if (!sameAttributes(doc.body, next.body)) steps.push(copyAttributes(doc.body, next.body));
  if (!patch(doc.body, next.body, steps)) return false;
  steps.forEach(function (step) { step(); });
  if (doc.title !== next.title) doc.title = next.title;
  window.velmoraShown = next;
  void doc.body.offsetHeight;  // laid out before the refresh counts as done
  return true;

  function untitled(head) {
    return Array.prototype.filter.call(head.childNodes, function (n) { return n.nodeName !== 'TITLE'; });
  }
  // Scripts run once, when parsed; noscript and template content parse
  // differently outside a live page.
  function scripted(node) {
    return node.nodeType === 1 &&
        (/^(SCRIPT|NOSCRIPT|TEMPLATE)$/.test(node.nodeName) || node.querySelector('script,noscript,template') !== null);
  }
  function sameAttributes(a, b) {
    if (a.attributes.length !== b.attributes.length) return false;
    for (var i = 0; i < a.attributes.length; ++i) {
      var attribute = a.attributes[i];
      if (b.getAttributeNS(attribute.namespaceURI, attribute.localName) !== attribute.value) return false;
    }
    return true;
  }
  function copyAttributes(to, from) {
    return function () {
      Array.prototype.slice.call(to.attributes).forEach(function (a) {
        if (!from.hasAttributeNS(a.namespaceURI, a.localName)) to.removeAttributeNS(a.namespaceURI, a.localName);
      });
      Array.prototype.forEach.call(from.attributes, function (a) { to.setAttributeNS(a.namespaceURI, a.name, a.value); });
    };
  }
  function patch(to, from, steps) {
    var now = to.childNodes, wanted = from.childNodes;
    if (now.length === wanted.length) {
      for (var i = 0; i < now.length; ++i)
        if (!now[i].isEqualNode(wanted[i]) && !change(now[i], wanted[i], steps)) return false;
      return true;
    }
    // Items added or removed: keep the equal runs at both ends, replace the middle.
    var start = 0, endNow = now.length, endWanted = wanted.length;
    while (start < endNow && start < endWanted && now[start].isEqualNode(wanted[start])) ++start;
    while (endNow > start && endWanted > start && now[endNow - 1].isEqualNode(wanted[endWanted - 1])) {
      --endNow;
      --endWanted;
    }
    var gone = Array.prototype.slice.call(now, start, endNow);
    var come = Array.prototype.slice.call(wanted, start, endWanted);
    if (gone.some(scripted) || come.some(scripted)) return false;
    var before = endNow < now.length ? now[endNow] : null;
    steps.push(function () {
      gone.forEach(function (n) { to.removeChild(n); });
      come.forEach(function (n) { to.insertBefore(doc.importNode(n, true), before); });
    });
    return true;
  }
  function change(to, from, steps) {
    if (to.nodeType === from.nodeType && (to.nodeType === 3 || to.nodeType === 8)) {
      steps.push(function () { to.data = from.data; });
      return true;
    }
    if (to.nodeType === 1 && from.nodeType === 1 && to.namespaceURI === from.namespaceURI &&
        to.nodeName === from.nodeName && !/^(SCRIPT|NOSCRIPT|TEMPLATE)$/.test(to.nodeName)) {
      if (!sameAttributes(to, from)) steps.push(copyAttributes(to, from));
      return patch(to, from, steps);
    }
    if (scripted(to) || scripted(from)) return false;
    steps.push(function () { to.parentNode.replaceChild(doc.importNode(from, true), to); });
    return true;
  }
})
)JS";

// An empty document to write a page into: a fresh one for every full load, so
// nothing of the previous page's scripts carries over.
const char kShell[] = "<!DOCTYPE html><html><head></head><body></body></html>";

// Builds the scripts that carry a page to the engine, reusing its buffers:
// on this scale fresh memory costs more than the work, since every page of it
// must be faulted in. Escaping by hand is many times faster than a JSON writer.
class ScriptBuilder {
public:
  // `before` + `page` as a JavaScript string literal + `after`.
  const QString& Build(std::string_view before, const std::string& page, std::string_view after) {
    utf8_.clear();
    utf8_.reserve(before.size() + page.size() + page.size() / 8 + after.size() + 2);
    utf8_ += before;
    utf8_ += '"';
    const char* run = page.data();
    const char* const end = run + page.size();
    for (const char* at = run; at != end; ++at) {
      const auto c = static_cast<unsigned char>(*at);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      utf8_.append(run, at);
      run = at + 1;
      switch (c) {
        case '"': utf8_ += "\\\""; break;
        case '\\': utf8_ += "\\\\"; break;
        case '\n': utf8_ += "\\n"; break;
        case '\r': utf8_ += "\\r"; break;
        default:
          utf8_ += "\\u00";
          utf8_ += "0123456789abcdef"[c >> 4];
          utf8_ += "0123456789abcdef"[c & 0xf];
      }
    }
    utf8_.append(run, end);
    utf8_ += '"';
    utf8_ += after;
    // UTF-16 never needs more units than UTF-8 has bytes.
    script_.resize(static_cast<qsizetype>(utf8_.size()));
    QStringDecoder decode(QStringDecoder::Utf8);
    const QChar* written = decode.appendToBuffer(script_.data(), utf8_);
    script_.resize(written - script_.constData());
    return script_;
  }

private:
  std::string utf8_;
  QString script_;
};

// Keeps the user on the preview: a clicked link opens in the system browser.
class Page : public QWebEnginePage {
public:
  Page(QWebEngineProfile* profile, std::function<void(const QString&)> openLink, QObject* parent)
      : QWebEnginePage(profile, parent), openLink_(std::move(openLink)) {}

protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (!isMainFrame || type != NavigationTypeLinkClicked) return true;  // our own loads, frames inside promos
    if (url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == this->url().adjusted(QUrl::RemoveFragment))
      return true;  // an anchor within the page
    openLink_(url.toString());
    return false;
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    // A link with a target: catch where it goes, then hand it to the system browser.
    return new LinkCatcher(profile(), openLink_, this);
  }

private:
  class LinkCatcher : public QWebEnginePage {
  public:
    LinkCatcher(QWebEngineProfile* profile, std::function<void(const QString&)> openLink, QObject* parent)
        : QWebEnginePage(profile, parent), openLink_(std::move(openLink)) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
      openLink_(url.toString());
      deleteLater();
      return false;
    }

  private:
    std::function<void(const QString&)> openLink_;
  };

  std::function<void(const QString&)> openLink_;
};

class WebPreviewEngine final : public PreviewEngine {
public:
  WebPreviewEngine(QWidget* parent, Hooks hooks)
      : hooks_(std::move(hooks)),
        profile_(new QWebEngineProfile),  // off the record: nothing goes to disk
        view_(new QWebEngineView(parent)),
        page_(new Page(profile_, hooks_.openLink, view_)) {
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    view_->setPage(page_);
    view_->setObjectName(QStringLiteral("webPreview"));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    QObject::connect(page_, &QWebEnginePage::loadFinished, view_, [this](bool ok) { ShellLoaded(ok); });
  }

  ~WebPreviewEngine() override {
    // The engine insists that its pages go before their profile.
    delete view_;
    delete profile_;
  }

  QWidget* View() override { return view_; }
  void SetZoom(qreal factor) override { view_->setZoomFactor(factor); }

  void Show(std::string page, const QUrl& base) override {
    ++serial_;
    latest_ = std::move(page);
    latestBase_ = base;
    // One patch at a time: pages typed over meanwhile are skipped, and the
    // latest follows when the one in the engine is done. On a large page
    // each patch takes a while, and queueing every keystroke's would add up.
    if (!patching_) ShowLatest();
  }

  void RunScript(const QString& script, std::function<void(const QVariant&)> done) override {
    page_->runJavaScript(script, [done = std::move(done)](const QVariant& result) { done(result); });
  }

private:
  enum class State { Empty, LoadingShell, Writing, Shown };

  void ShowLatest() {
    if (state_ != State::Shown || latestBase_ != base_) return Load(latestBase_);
    const quint64 serial = serial_;
    static const std::string call = std::string(kPatchScript) + "(";
    patching_ = true;
    page_->runJavaScript(scripts_.Build(call, latest_, ")"), QWebEngineScript::ApplicationWorld,
                         [this, serial](const QVariant& patched) {
                           patching_ = false;
                           if (serial != serial_) return ShowLatest();  // a newer page waited
                           if (patched.toBool()) {
                             hooks_.shown(true);
                           } else {
                             Load(base_);
                           }
                         });
  }

  // A fresh document for the latest page.
  void Load(const QUrl& base) {
    // Back to where the user was reading, once the page is in.
    if (state_ == State::Shown) scroll_ = page_->scrollPosition();
    if (state_ == State::LoadingShell && base == base_) return;  // the shell on its way takes the latest page
    state_ = State::LoadingShell;
    base_ = base;
    page_->setHtml(QString::fromLatin1(kShell), base);
  }

  void ShellLoaded(bool ok) {
    if (state_ != State::LoadingShell) return;  // the written page's own load
    if (!ok) {
      state_ = State::Empty;
      hooks_.shown(false);
      return;
    }
    state_ = State::Writing;
    const quint64 serial = serial_;
    const std::string after = ");document.close();window.scrollTo(" + std::to_string(scroll_.x()) + "," +
                              std::to_string(scroll_.y()) + ");";
    page_->runJavaScript(scripts_.Build("document.open();document.write(", latest_, after),
                         QWebEngineScript::MainWorld, [this, serial](const QVariant&) {
                           if (state_ != State::Writing) return;  // a newer load began
                           state_ = State::Shown;
                           if (serial == serial_) hooks_.shown(true);
                         });
    // What the next patch compares the page with, once the page's scripts have run.
    page_->runJavaScript(scripts_.Build("window.velmoraShown=new DOMParser().parseFromString(", latest_, ",'text/html');"),
                         QWebEngineScript::ApplicationWorld);
  }

  Hooks hooks_;
  QWebEngineProfile* profile_;
  QWebEngineView* view_;
  Page* page_;
  State state_ = State::Empty;
  QUrl base_;
  std::string latest_;  // the page last handed to Show(), and where it is based
  QUrl latestBase_;
  bool patching_ = false;  // a patch is in the engine
  ScriptBuilder scripts_;
  QPointF scroll_;
  quint64 serial_ = 0;
};

}  // namespace

}  // namespace velmora

extern "C" Q_DECL_EXPORT velmora::PreviewEngine* velmora_make_preview_engine(QWidget* parent,
                                                                             velmora::PreviewEngine::Hooks hooks) {
  return new velmora::WebPreviewEngine(parent, std::move(hooks));
}
