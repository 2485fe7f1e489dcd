// The live preview's browser engine, built as a module the program loads on
// first use. A refresh changes only the parts of the shown page that differ
// from the new one, so typing does not make the engine load, lay out and
// paint thousands of promos again, nor the view flash or lose its place.
//
// The page is someone else's work, so the engine shows it and never obeys
// it: its scripts do not run (the template's Copy buttons stay inert); it
// comes from an address scheme of our own, reads no file but the pictures its
// banners name, opens no connection but to fetch pictures, opens a link only
// on a real click, and is ended when it runs away. Scripts stay off because
// no policy covers every way out a script has: peer-to-peer connections, for
// one, pass both the page's policy and the request gate.
#include <QBuffer>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMimeDatabase>
#include <QSet>
#include <QStringDecoder>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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
// nothing of the previous page carries over. Its policy outlives the writing
// of the page, for the engine's own ways out that need no script: the page
// may load pictures (from the web, or the banners' files through our
// handler), post no form, prefetch nothing and open no frame.
const char kShell[] =
    "<!DOCTYPE html><html><head>"
    "<meta http-equiv=\"Content-Security-Policy\" content=\""
    "default-src 'none'; img-src velmora-preview: file: http: https: data:; style-src 'unsafe-inline'; "
    "font-src data:; script-src 'none'; connect-src 'none'; form-action 'none'; frame-src 'none'; "
    "worker-src 'none'; manifest-src 'none'; media-src 'none'; object-src 'none'; base-uri 'none'\">"
    "<meta http-equiv=\"x-dns-prefetch-control\" content=\"off\">"
    "</head><body></body></html>";

// The page's own origin.
const char kScheme[] = "velmora-preview";
const char kPageHost[] = "page";

// Largest local picture served, as the banner view allows.
constexpr qint64 kMaxPictureBytes = qint64{8} << 20;
// A real click or key press opens at most one link, this soon after.
constexpr qint64 kGestureMs = 1000;
// A renderer that answers nothing for this long is ended, as is one that
// holds more memory than this.
constexpr qint64 kBusyMs = 5000;
constexpr qint64 kMemoryCeilingBytes = qint64{1} << 30;
constexpr int kWatchMs = 250;

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


QUrl OwnUrl(const char* host, const QString& path) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kScheme));
  url.setHost(QString::fromLatin1(host));
  url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
  return url;
}

// The page's address: its folder, so relative addresses lead where they
// will once the page is saved there.
QUrl PageUrl(const QString& folder) {
  QString path = folder;
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return OwnUrl(kPageHost, path);
}

// A regular file of at most kMaxPictureBytes that holds a picture, or
// nothing. Never blocks: a banner may name a pipe or a device.
QByteArray ReadPicture(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  QByteArray bytes;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxPictureBytes) {
    bytes.resize(static_cast<qsizetype>(info.st_size));
    qsizetype done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += got;
    }
    bytes.truncate(done);
  }
  ::close(fd);
  if (!QMimeDatabase().mimeTypeForData(bytes).name().startsWith(QStringLiteral("image/"))) return {};
  return bytes;
}

// Serves the page's empty document and the local pictures its banners name;
// every other address fails.
class PageSource : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void Set(const QUrl& page, const QStringList& pictures) {
    page_ = page;
    pictures_ = QSet<QString>(pictures.begin(), pictures.end());
  }
  bool Serves(const QString& picture) const { return pictures_.contains(picture); }

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    const QString path = url.path(QUrl::FullyDecoded);
    if (job->requestMethod() != "GET") return job->fail(QWebEngineUrlRequestJob::RequestDenied);
    if (url.host() == QLatin1String(kPageHost)) {
      if (url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == page_)
        return Reply(job, "text/html", QByteArray(kShell));
      if (Serves(path)) {
        QByteArray bytes = ReadPicture(path);
        if (!bytes.isEmpty())
          return Reply(job, QMimeDatabase().mimeTypeForData(bytes).name().toLatin1(), std::move(bytes));
      }
    }
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
  }

private:
  static void Reply(QWebEngineUrlRequestJob* job, const QByteArray& type, QByteArray bytes) {
    auto* body = new QBuffer(job);  // the engine reads it after we return
    body->setData(std::move(bytes));
    body->open(QIODevice::ReadOnly);
    job->reply(type, body);
  }

  QUrl page_;
  QSet<QString> pictures_;  // absolute paths
};

// Lets through only our own addresses and pictures from the web; a local
// picture the banners name goes to our handler, every other request is
// dropped. (WebSockets pass no interceptor: the page's policy stops those.)
class RequestGate : public QWebEngineUrlRequestInterceptor {
public:
  RequestGate(const PageSource* source, QObject* parent) : QWebEngineUrlRequestInterceptor(parent), source_(source) {}

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme();
    if (scheme == QLatin1String(kScheme)) return;
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeImage &&
        info.requestMethod() == "GET") {
      if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) return;
      if (url.isLocalFile() && source_->Serves(url.toLocalFile()))
        return info.redirect(OwnUrl(kPageHost, url.toLocalFile()));
    }
    info.block(true);
  }

private:
  const PageSource* source_;
};

// Opens links for the user, never for the page: only the link the user
// pressed on (or pressed Enter on), within a moment of the press, one per
// press, and only on the web or to write a mail. The engine calls a script's
// click or location change a click too; it goes nowhere unless it leads
// exactly where the user pointed.
class LinkGate : public QObject {
public:
  LinkGate(std::function<void(const QString&)> openLink, QObject* parent)
      : QObject(parent), openLink_(std::move(openLink)) {}

  // The view takes input through child widgets it makes and replaces as it
  // pleases (a new renderer gets a new one).
  void Watch(QWebEngineView* view) {
    view_ = view;
    view->installEventFilter(this);
    for (QObject* child : view->children())
      if (child->isWidgetType()) child->installEventFilter(this);
  }

  void Open(const QUrl& url) {
    if (!gesture_.isValid() || gesture_.elapsed() > kGestureMs) return;
    // The page may ask before it has said what was under the press.
    if (!answered_) {
      waiting_ = url;
      return;
    }
    Decide(url);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ChildAdded:
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
          child->installEventFilter(this);
        break;
      case QEvent::MouseButtonPress:
        if (watched != view_) {
          const QPointF at = static_cast<QMouseEvent*>(event)->position() / view_->zoomFactor();
          Point(QStringLiteral("document.elementFromPoint(%1,%2)").arg(at.x()).arg(at.y()));
        }
        break;
      case QEvent::MouseButtonRelease:
        gesture_.start();
        break;
      case QEvent::KeyPress:
        if (const int key = static_cast<QKeyEvent*>(event)->key(); key == Qt::Key_Return || key == Qt::Key_Enter) {
          Point(QStringLiteral("document.activeElement"));
          gesture_.start();
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

private:
  void Decide(QUrl url) {  // by value: it may be waiting_, which this clears
    const bool pointed = url.isValid() && url == pointed_;
    gesture_.invalidate();
    pointed_.clear();
    waiting_.clear();
    if (!pointed) return;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"))
      openLink_(url.toString(QUrl::FullyEncoded));
  }

  // Asks the page, out of reach of its scripts, which link `element` is in.
  void Point(const QString& element) {
    pointed_.clear();
    waiting_.clear();
    answered_ = false;
    const quint64 press = ++presses_;
    view_->page()->runJavaScript(
        QStringLiteral("(function(e){e=e&&e.closest&&e.closest('a[href],area[href]');"
                       "return e&&typeof e.href==='string'?e.href:''})(%1)")
            .arg(element),
        QWebEngineScript::ApplicationWorld, [this, press](const QVariant& href) {
          if (press != presses_) return;
          answered_ = true;
          pointed_ = QUrl(href.toString());
          if (!waiting_.isEmpty() && gesture_.isValid() && gesture_.elapsed() <= kGestureMs) Decide(waiting_);
        });
  }

  std::function<void(const QString&)> openLink_;
  QWebEngineView* view_ = nullptr;
  QElapsedTimer gesture_;
  QUrl pointed_;      // the link under the last press
  bool answered_ = true;
  QUrl waiting_;      // asked for before the page said what was pressed
  quint64 presses_ = 0;
};

// Keeps the user on the preview: the page goes nowhere but where the engine
// sends it; links go through the gate to the system browser.
class Page : public QWebEnginePage {
public:
  Page(QWebEngineProfile* profile, LinkGate* links, QObject* parent)
      : QWebEnginePage(profile, parent), links_(links) {}

  // The next load of ours, the only navigation accepted.
  void Expect(const QUrl& url) { expected_ = url; }

protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (!isMainFrame) return false;  // frames are the page's own loads, and it may make none
    if ((type == NavigationTypeTyped || type == NavigationTypeReload) && url == expected_) {
      expected_.clear();
      return true;
    }
    if (url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == this->url().adjusted(QUrl::RemoveFragment))
      return true;  // an anchor within the page
    if (type == NavigationTypeLinkClicked) links_->Open(url);
    return false;
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    // A link with a target: catch where it goes, then hand it to the gate.
    return new LinkCatcher(profile(), links_, this);
  }

private:
  class LinkCatcher : public QWebEnginePage {
  public:
    LinkCatcher(QWebEngineProfile* profile, LinkGate* links, QObject* parent)
        : QWebEnginePage(profile, parent), links_(links) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
      if (url.isEmpty() || url.scheme() == QLatin1String("about")) return false;  // the new window's empty start
      links_->Open(url);
      deleteLater();
      return false;
    }

  private:
    LinkGate* links_;
  };

  LinkGate* links_;
  QUrl expected_;
};

// The renderer's resident memory, from the system's account of it.
qint64 ResidentBytes(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (QByteArray line = status.readLine(256); !line.isEmpty(); line = status.readLine(256))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
  return 0;
}

class WebPreviewEngine final : public PreviewEngine {
public:
  WebPreviewEngine(QWidget* parent, Hooks hooks)
      : hooks_(std::move(hooks)),
        profile_(new QWebEngineProfile),  // off the record: nothing goes to disk
        source_(new PageSource(profile_)),
        view_(new QWebEngineView(parent)),
        links_(new LinkGate(hooks_.openLink, view_)),
        page_(new Page(profile_, links_, view_)),
        watch_(new QTimer(view_)) {
    profile_->installUrlSchemeHandler(kScheme, source_);
    profile_->setUrlRequestInterceptor(new RequestGate(source_, profile_));
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    QWebEngineSettings* settings = page_->settings();
    for (const auto off :
         {QWebEngineSettings::JavascriptEnabled, QWebEngineSettings::JavascriptCanOpenWindows,
          QWebEngineSettings::JavascriptCanAccessClipboard, QWebEngineSettings::LocalContentCanAccessFileUrls,
          QWebEngineSettings::LocalContentCanAccessRemoteUrls, QWebEngineSettings::ErrorPageEnabled,
          QWebEngineSettings::AutoLoadIconsForPage, QWebEngineSettings::HyperlinkAuditingEnabled,
          QWebEngineSettings::DnsPrefetchEnabled, QWebEngineSettings::PluginsEnabled,
          QWebEngineSettings::LocalStorageEnabled, QWebEngineSettings::PdfViewerEnabled,
          QWebEngineSettings::FullScreenSupportEnabled, QWebEngineSettings::NavigateOnDropEnabled})
      settings->setAttribute(off, false);
    view_->setPage(page_);
    view_->setObjectName(QStringLiteral("webPreview"));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    links_->Watch(view_);
    QObject::connect(page_, &QWebEnginePage::loadFinished, view_, [this](bool ok) { ShellLoaded(ok); });
    QObject::connect(page_, &QWebEnginePage::renderProcessTerminated, view_,
                     [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                       if (ending_.isValid()) {
                         // Ours, ended by End(), which said so already.
                         ending_.invalidate();
                         if (state_ == State::Empty) ShowLatest();  // shown while it went
                       } else if (state_ != State::Stopped && status != QWebEnginePage::NormalTerminationStatus) {
                         End(Stop::Crashed);
                       }
                     });
    QObject::connect(watch_, &QTimer::timeout, view_, [this] { Watch(); });
    watch_->start(kWatchMs);
  }

  ~WebPreviewEngine() override {
    // The engine insists that its pages go before their profile.
    delete view_;
    delete profile_;
  }

  QWidget* View() override { return view_; }
  void SetZoom(qreal factor) override { view_->setZoomFactor(factor); }

  void Show(std::string page, const Place& place) override {
    ++serial_;
    latest_ = std::move(page);
    latestPlace_ = place;
    if (state_ == State::Stopped) state_ = State::Empty;
    // A load sent while an ended renderer is still going would go down with it.
    if (ending_.isValid()) return;
    // One patch at a time: pages typed over meanwhile are skipped, and the
    // latest follows when the one in the engine is done. On a large page
    // each patch takes a while, and queueing every keystroke's would add up.
    if (!patching_) ShowLatest();
  }

  void RunScript(const QString& script, std::function<void(const QVariant&)> done) override {
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                         [done = std::move(done)](const QVariant& result) { done(result); });
  }

private:
  enum class State { Empty, LoadingShell, Writing, Shown, Stopped };

  void ShowLatest() {
    if (state_ != State::Shown || latestPlace_ != place_) return Load(latestPlace_);
    const quint64 serial = serial_;
    const quint64 life = life_;
    static const std::string call = std::string(kPatchScript) + "(";
    patching_ = true;
    page_->runJavaScript(scripts_.Build(call, latest_, ")"), QWebEngineScript::ApplicationWorld,
                         [this, serial, life](const QVariant& patched) {
                           if (life != life_) return;  // the renderer was ended meanwhile
                           patching_ = false;
                           if (serial != serial_) return ShowLatest();  // a newer page waited
                           if (patched.toBool()) {
                             hooks_.shown(true);
                           } else {
                             Load(place_);
                           }
                         });
  }

  // A fresh document for the latest page.
  void Load(const Place& place) {
    // Back to where the user was reading, once the page is in.
    if (state_ == State::Shown) scroll_ = page_->scrollPosition();
    if (state_ == State::LoadingShell && place == place_) return;  // the shell on its way takes the latest page
    state_ = State::LoadingShell;
    place_ = place;
    ++life_;  // answers from the document going away are of no interest
    ping_.invalidate();
    loading_.start();
    QUrl url = PageUrl(place.folder);
    source_->Set(url, place.pictures);
    // A new address each time, so the engine never takes the load for a reload.
    url.setQuery(QStringLiteral("load=%1").arg(life_));
    page_->Expect(url);
    page_->load(url);
  }

  void ShellLoaded(bool ok) {
    if (state_ != State::LoadingShell) return;  // the written page's own load
    loading_.invalidate();
    if (!ok) {
      state_ = State::Empty;
      hooks_.shown(false);
      return;
    }
    state_ = State::Writing;
    const quint64 serial = serial_;
    const quint64 life = life_;
    const std::string after = ");document.close();window.scrollTo(" + std::to_string(scroll_.x()) + "," +
                              std::to_string(scroll_.y()) + ");";
    page_->runJavaScript(scripts_.Build("document.open();document.write(", latest_, after),
                         QWebEngineScript::ApplicationWorld, [this, serial, life](const QVariant&) {
                           if (life != life_ || state_ != State::Writing) return;  // a newer load began
                           state_ = State::Shown;
                           if (serial == serial_) hooks_.shown(true);
                         });
    // What the next patch compares the page with, once the page's scripts have run.
    page_->runJavaScript(scripts_.Build("window.velmoraShown=new DOMParser().parseFromString(", latest_, ",'text/html');"),
                         QWebEngineScript::ApplicationWorld);
  }

  // A renderer that keeps busy does not answer a script of ours; one that
  // grows past the ceiling is ended before it takes the machine's memory.
  void Watch() {
    if (ending_.isValid() && ending_.elapsed() > kBusyMs) {
      // Its end was never reported; carry on without the word.
      ending_.invalidate();
      if (state_ == State::Empty) ShowLatest();
    }
    if (ending_.isValid() || state_ == State::Empty || state_ == State::Stopped) return;
    const qint64 pid = page_->renderProcessPid();
    if (pid > 0 && ResidentBytes(pid) > kMemoryCeilingBytes) return End(Stop::Memory);
    // Our own document loads at once; only a renderer that does not let go
    // of the page before it keeps it waiting.
    if (loading_.isValid()) {
      if (loading_.elapsed() > kBusyMs) End(Stop::Busy);
      return;
    }
    if (ping_.isValid()) {
      if (ping_.elapsed() > kBusyMs) End(Stop::Busy);
      return;
    }
    ping_.start();
    const quint64 life = life_;
    page_->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld, [this, life](const QVariant&) {
      if (life == life_) ping_.invalidate();
    });
  }

  // Ends the renderer: a script that loops cannot be stopped any other way.
  // The next Show() starts a fresh one.
  void End(Stop why) {
    state_ = State::Stopped;
    patching_ = false;
    ++life_;
    ping_.invalidate();
    loading_.invalidate();
    if (const qint64 pid = page_->renderProcessPid(); pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0)
      ending_.start();
    hooks_.stopped(why);
  }

  Hooks hooks_;
  QWebEngineProfile* profile_;
  PageSource* source_;
  QWebEngineView* view_;
  LinkGate* links_;
  Page* page_;
  QTimer* watch_;
  State state_ = State::Empty;
  Place place_;
  std::string latest_;  // the page last handed to Show(), and its place
  Place latestPlace_;
  bool patching_ = false;  // a patch is in the engine
  ScriptBuilder scripts_;
  QPointF scroll_;
  quint64 serial_ = 0;
  quint64 life_ = 0;        // the document now in the renderer: answers from earlier ones are dropped
  QElapsedTimer ping_;      // running while our ping waits for an answer
  QElapsedTimer loading_;   // running while our document loads
  QElapsedTimer ending_;    // running from End() until the renderer has gone
};

// The scheme must be known before the engine starts, which it does with the
// first profile: here, not in the program, which would then load the
// engine's libraries at every start.
void RegisterScheme() {
  static const bool registered = [] {
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Lets a page show file:// pictures; the request gate lets through only
    // those that the banners name, and hands them to our handler.
    scheme.setFlags(QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
    return true;
  }();
  (void)registered;
}

}  // namespace

}  // namespace velmora

extern "C" Q_DECL_EXPORT velmora::PreviewEngine* velmora_make_preview_engine(QWidget* parent,
                                                                             velmora::PreviewEngine::Hooks hooks) {
  velmora::RegisterScheme();
  return new velmora::WebPreviewEngine(parent, std::move(hooks));
}
