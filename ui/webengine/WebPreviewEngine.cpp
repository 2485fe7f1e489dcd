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
#include <QByteArray>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMimeDatabase>
#include <QQuickWindow>
#include <QSet>
#include <QStringDecoder>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <cctype>
#include <cerrno>
#include <memory>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/PreviewEngine.h"

namespace velmora {

namespace {

// Set up in every page once it is in, in a world of its own out of reach of
// the page's scripts: finds the marks that part the page, and watches for
// any change to it not of our making (the user opening a disclosure, say),
// after which only a whole new page is faithful. `velmoraApply` then shows
// parts anew: for each set of changes, in order, the shown page's number of
// marks and [after, before, html] triples, as PlanPreviewChanges makes them;
// false, having possibly changed some, where the whole page must be shown.
const char kSetUpScript[] = R"JS(
(function (mark, x, y) {
  'use strict';
  var doc = document, marks = [], changed = false;
  var walk = doc.createTreeWalker(doc, NodeFilter.SHOW_COMMENT);
  for (var n = walk.nextNode(); n; n = walk.nextNode()) if (n.data === mark) marks.push(n);
  var watch = new MutationObserver(function () { changed = true; });
  watch.observe(doc, {subtree: true, childList: true, attributes: true, characterData: true});
  // Inside these the parser reads some start tags as their end; a paragraph
  // is ended by the block elements only.
  var ends = /^(LI|DT|DD|H[1-6]|A|BUTTON|NOBR|RUBY|RB|RP|RT|RTC|OPTION|OPTGROUP|SELECT|TABLE|TBODY|THEAD|TFOOT|TR|COLGROUP|HTML|FRAMESET)$/;
  var blocks = /<(address|article|aside|blockquote|center|details|dialog|dir|div|dl|dd|dt|fieldset|figcaption|figure|footer|form|h[1-6]|header|hgroup|hr|li|listing|main|menu|nav|ol|p|pre|section|summary|table|ul|xmp|plaintext)[\s\/>]/i;
  function fits(parent, html) {
    if (!parent || parent.nodeType !== 1) return false;
    if (html.indexOf('<') < 0) return true;
    if (parent.nodeName === 'P') return !blocks.test(html);
    return !ends.test(parent.nodeName);
  }
  window.velmoraApply = function (sets) {
    if (changed || watch.takeRecords().length) return false;
    try {
      for (var s = 0; s < sets.length; ++s) {
        var changes = sets[s][1];
        if (marks.length !== sets[s][0]) return (changed = true, false);
        for (var i = 0; i < changes.length; ++i) {
          var from = marks[changes[i][0]], to = marks[changes[i][1]];
          if (!from || !to || from.parentNode !== to.parentNode || !fits(from.parentNode, changes[i][2]))
            return (changed = true, false);
        }
        for (var j = changes.length - 1; j >= 0; --j) {
          var after = changes[j][0], before = changes[j][1], range = doc.createRange();
          range.setStartAfter(marks[after]);
          range.setEndBefore(marks[before]);
          var part = range.createContextualFragment(changes[j][2]), added = [];
          var inPart = doc.createTreeWalker(part, NodeFilter.SHOW_COMMENT);
          for (var m = inPart.nextNode(); m; m = inPart.nextNode()) if (m.data === mark) added.push(m);
          range.deleteContents();
          marks[before].parentNode.insertBefore(part, marks[before]);
          marks.splice.apply(marks, [after + 1, before - after - 1].concat(added));
        }
      }
    } catch (e) {
      return (changed = true, false);
    } finally {
      watch.takeRecords();
    }
    void doc.documentElement.offsetHeight;  // laid out before the refresh counts as done
    return true;
  };
  if (x || y) window.scrollTo(x, y);
})
)JS";

// Put before the page: its policy holds for the engine's own ways out that
// need no script: the page may load pictures (from the web, or the banners'
// files through our handler), post no form, prefetch nothing and open no
// frame. The page's text is read as the generator wrote it.
const char kPolicy[] =
    "<meta charset=\"utf-8\">"
    "<meta http-equiv=\"Content-Security-Policy\" content=\""
    "default-src 'none'; img-src velmora-preview: file: http: https: data:; style-src 'unsafe-inline'; "
    "font-src data:; script-src 'none'; connect-src 'none'; form-action 'none'; frame-src 'none'; "
    "worker-src 'none'; manifest-src 'none'; media-src 'none'; object-src 'none'; base-uri 'none'\">"
    "<meta http-equiv=\"x-dns-prefetch-control\" content=\"off\">";

// The page with the policy first, after its doctype so that the page keeps
// the mode it asks for.
QByteArray WithPolicy(const std::string& page) {
  std::size_t at = page.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < page.size() && std::isspace(static_cast<unsigned char>(page[at]))) ++at;
  std::size_t insert = 0;
  if (page.size() - at >= 9 && QByteArray::fromRawData(page.data() + at, 9).toLower() == "<!doctype") {
    const std::size_t close = page.find('>', at);
    if (close != std::string::npos) insert = close + 1;
  }
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(page.size() + sizeof kPolicy));
  bytes.append(page.data(), static_cast<qsizetype>(insert));
  bytes.append(kPolicy);
  bytes.append(page.data() + insert, static_cast<qsizetype>(page.size() - insert));
  return bytes;
}

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

// Serves the page and the local pictures its banners name;
// every other address fails.
class PageSource : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void Set(const QUrl& page, QByteArray html, const QStringList& pictures) {
    page_ = page;
    html_ = std::move(html);
    pictures_ = QSet<QString>(pictures.begin(), pictures.end());
  }
  bool Serves(const QString& picture) const { return pictures_.contains(picture); }

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    const QString path = url.path(QUrl::FullyDecoded);
    if (job->requestMethod() != "GET") return job->fail(QWebEngineUrlRequestJob::RequestDenied);
    if (url.host() == QLatin1String(kPageHost)) {
      if (url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == page_)
        return Reply(job, "text/html;charset=utf-8", html_);
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
  QByteArray html_;         // the page, shared with the replies
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
    // Only our latest load counts: one it overtook may still report.
    QObject::connect(page_, &QWebEnginePage::loadingChanged, view_, [this](const QWebEngineLoadingInfo& info) {
      if (info.url() != loadingUrl_ || info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
      Loaded(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    // A large page takes a while to load; only one that stops moving is ended.
    QObject::connect(page_, &QWebEnginePage::loadProgress, view_, [this](int) {
      if (loading_.isValid()) loading_.restart();
    });
    QObject::connect(page_, &QWebEnginePage::renderProcessTerminated, view_,
                     [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                       if (ending_.isValid()) {
                         // Ours, ended by End(), which said so already.
                         ending_.invalidate();
                         if (state_ == State::Empty && latest_) ShowLatest();  // shown while it went
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

  void Show(std::shared_ptr<const std::string> page, const Place& place, const Changes& changes) override {
    ++serial_;
    latest_ = std::move(page);
    latestPlace_ = place;
    mark_ = changes.mark;
    if (state_ == State::Stopped) state_ = State::Empty;
    if (changes.script.isEmpty() || latestPlace_ != place_ || state_ == State::Empty) {
      queued_.clear();
      whole_ = true;
    } else {
      queued_ << changes.script;
    }
    // A load sent while an ended renderer is still going would go down with it.
    if (ending_.isValid()) return;
    ShowLatest();
  }

  void RunScript(const QString& script, std::function<void(const QVariant&)> done) override {
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                         [done = std::move(done)](const QVariant& result) { done(result); });
  }

private:
  enum class State { Empty, Loading, Shown, Stopped };

  // One refresh in the engine at a time: changes typed meanwhile wait, and
  // go in together when it is done.
  void ShowLatest() {
    if (whole_) return Load(latestPlace_);
    if (state_ != State::Shown || applying_ || queued_.isEmpty()) return;
    const quint64 serial = serial_;
    const quint64 life = life_;
    applying_ = true;
    const QString script = QStringLiteral("window.velmoraApply([") + queued_.join(QLatin1Char(',')) + QStringLiteral("])");
    queued_.clear();
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld, [this, serial, life](const QVariant& applied) {
      if (life != life_) return;  // the renderer was ended meanwhile
      applying_ = false;
      if (!applied.toBool()) {
        whole_ = true;
      } else if (serial == serial_) {
        return hooks_.shown(true);
      }
      ShowLatest();
    });
  }

  // The latest page in a fresh document.
  void Load(const Place& place) {
    // Back to where the user was reading, once the page is in.
    if (state_ == State::Shown) scroll_ = page_->scrollPosition();
    state_ = State::Loading;
    whole_ = false;
    applying_ = false;
    queued_.clear();
    place_ = place;
    ++life_;  // answers from the document going away are of no interest
    ping_.invalidate();
    loading_.start();
    QUrl url = PageUrl(place.folder);
    source_->Set(url, WithPolicy(*latest_), place.pictures);
    loadedSerial_ = serial_;
    // A new address each time, so the engine never takes the load for a reload.
    url.setQuery(QStringLiteral("load=%1").arg(life_));
    page_->Expect(url);
    loadingUrl_ = url;
    page_->load(url);
  }

  void Loaded(bool ok) {
    if (state_ != State::Loading) return;
    loading_.invalidate();
    if (!ok) {
      state_ = State::Empty;
      hooks_.shown(false);
      return;
    }
    state_ = State::Shown;
    page_->runJavaScript(QString::fromLatin1(kSetUpScript) + QStringLiteral("('%1',%2,%3)")
                                                                 .arg(mark_)
                                                                 .arg(qRound(scroll_.x()))
                                                                 .arg(qRound(scroll_.y())),
                         QWebEngineScript::ApplicationWorld);
    if (whole_ || !queued_.isEmpty()) return ShowLatest();
    if (loadedSerial_ == serial_) hooks_.shown(true);
  }

  // A renderer that keeps busy does not answer a script of ours; one that
  // grows past the ceiling is ended before it takes the machine's memory.
  void Watch() {
    if (ending_.isValid() && ending_.elapsed() > kBusyMs) {
      // Its end was never reported; carry on without the word.
      ending_.invalidate();
      if (state_ == State::Empty && latest_) ShowLatest();
    }
    if (ending_.isValid() || state_ == State::Empty || state_ == State::Stopped) return;
    const qint64 pid = page_->renderProcessPid();
    if (pid > 0 && ResidentBytes(pid) > kMemoryCeilingBytes) return End(Stop::Memory);
    // While a page loads, the engine tells its progress.
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
    applying_ = false;
    queued_.clear();
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
  std::shared_ptr<const std::string> latest_;  // the page last handed to Show(), and its place
  Place latestPlace_;
  QString mark_;
  QStringList queued_;     // changes to the shown page not yet in the engine, in order
  bool whole_ = false;     // the latest page can only be shown whole
  bool applying_ = false;  // changes are in the engine
  quint64 loadedSerial_ = 0;
  QUrl loadingUrl_;
  QPointF scroll_;
  quint64 serial_ = 0;
  quint64 life_ = 0;        // the document now in the renderer: answers from earlier ones are dropped
  QElapsedTimer ping_;      // running while our ping waits for an answer
  QElapsedTimer loading_;   // running while our document loads, since it last moved on
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
  // The view draws the engine's frames as pictures, as the window's other
  // widgets draw: drawn through the graphics library, it would make the
  // window put in its place a new one of another kind, which shows black
  // for a moment.
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  return new velmora::WebPreviewEngine(parent, std::move(hooks));
}
