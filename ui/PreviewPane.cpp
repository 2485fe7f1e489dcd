#include "ui/PreviewPane.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#ifdef VELMORA_WEBENGINE
#include <QBuffer>
#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <unistd.h>
#endif

namespace velmora {

namespace {

const QByteArray kScheme = QByteArrayLiteral("velmora-preview");

}  // namespace

#ifdef VELMORA_WEBENGINE

// Serves the latest page from memory: no file is written, and unlike
// setHtml() there is no 2 MB limit for a project with thousands of promos.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  QByteArray page;

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    auto* body = new QBuffer(job);
    body->setData(page);
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), body);
  }
};

// Keeps the user on the preview: a clicked link opens in the system browser.
class PreviewPage : public QWebEnginePage {
public:
  PreviewPage(QWebEngineProfile* profile, TPreviewPane::LinkOpener openLink, QObject* parent)
      : QWebEnginePage(profile, parent), openLink_(std::move(openLink)) {}

protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (url.scheme().toLatin1() == kScheme) return true;  // the page itself and its in-page anchors
    if (!isMainFrame) return true;                         // frames inside a promo
    if (type == NavigationTypeLinkClicked) openLink_(url.toString());
    return false;
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    // A link with a target: catch where it goes, then hand it to the system browser.
    auto* catcher = new LinkCatcher(profile(), openLink_, this);
    return catcher;
  }

private:
  class LinkCatcher : public QWebEnginePage {
  public:
    LinkCatcher(QWebEngineProfile* profile, TPreviewPane::LinkOpener openLink, QObject* parent)
        : QWebEnginePage(profile, parent), openLink_(std::move(openLink)) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
      openLink_(url.toString());
      deleteLater();
      return false;
    }

  private:
    TPreviewPane::LinkOpener openLink_;
  };

  TPreviewPane::LinkOpener openLink_;
};

class PreviewEngine {
public:
  PreviewEngine(QWidget* parent, const TPreviewPane::LinkOpener& openLink)
      : profile(new QWebEngineProfile(parent)),  // off the record: nothing goes to disk
        handler(new PageSchemeHandler(profile)),
        view(new QWebEngineView(parent)) {
    profile->installUrlSchemeHandler(kScheme, handler);
    page = new PreviewPage(profile, openLink, view);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    view->setPage(page);
    view->setObjectName(QStringLiteral("webPreview"));
    view->setContextMenuPolicy(Qt::NoContextMenu);
  }

  QWebEngineProfile* profile;
  PageSchemeHandler* handler;
  QWebEngineView* view;
  PreviewPage* page = nullptr;
  QPointF scroll;
  quint64 serial = 0;
};

bool TPreviewPane::Available() { return true; }

void PrepareBrowserEngine() {
  QWebEngineUrlScheme scheme(kScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  // Banners are file: or web addresses; the page must be allowed to show them.
  scheme.setFlags(QWebEngineUrlScheme::LocalAccessAllowed | QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
  QWebEngineUrlScheme::registerScheme(scheme);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The engine's sandbox refuses to start as root; an ordinary user keeps it.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

#else

class PreviewEngine {};

bool TPreviewPane::Available() { return false; }

void PrepareBrowserEngine() {}

#endif

TPreviewPane::TPreviewPane(PageSource source, LinkOpener openLink, QWidget* parent)
    : QWidget(parent), source_(std::move(source)), openLink_(std::move(openLink)) {
  setObjectName(QStringLiteral("panLivePreview"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);

  auto* bar = new QHBoxLayout;
  widths_ = new QButtonGroup(this);
  struct Width {
    const char* caption;
    const char* name;
    int pixels;
  };
  for (const Width& width : {Width{"&Phone", "btnPreviewPhone", kPhoneWidth},
                             Width{"&Tablet", "btnPreviewTablet", kTabletWidth},
                             Width{"Des&ktop", "btnPreviewDesktop", kDesktopWidth}}) {
    auto* button = new QToolButton(this);
    button->setText(QString::fromLatin1(width.caption));
    button->setObjectName(QString::fromLatin1(width.name));
    button->setToolTip(QStringLiteral("%1 pixels wide").arg(width.pixels));
    button->setCheckable(true);
    button->setChecked(width.pixels == pageWidth_);
    widths_->addButton(button, width.pixels);
    bar->addWidget(button);
  }
  bar->addStretch(1);
  layout->addLayout(bar);
  connect(widths_, &QButtonGroup::idClicked, this, &TPreviewPane::SetPageWidth);

  stage_ = new QWidget(this);
  stage_->setObjectName(QStringLiteral("panPreviewStage"));
  auto* stageLayout = new QHBoxLayout(stage_);
  stageLayout->setContentsMargins(0, 0, 0, 0);
  notice_ = new QLabel(stage_);
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setWordWrap(true);
  if (!Available()) notice_->setText(QStringLiteral("The live preview is not part of this build."));
  stageLayout->addWidget(notice_, 1);
  layout->addWidget(stage_, 1);

  debounce_ = new QTimer(this);
  debounce_->setSingleShot(true);
  debounce_->setInterval(kDebounceMs);
  connect(debounce_, &QTimer::timeout, this, &TPreviewPane::RefreshNow);
}

TPreviewPane::~TPreviewPane() { delete engine_; }

bool TPreviewPane::EngineStarted() const { return engine_ != nullptr; }

void TPreviewPane::ScheduleRefresh() {
  stale_ = true;
  if (isVisible()) debounce_->start();
}

void TPreviewPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  StartEngine();
  if (stale_) RefreshNow();
}

void TPreviewPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitWidth();
}

void TPreviewPane::SetPageWidth(int cssPixels) {
  pageWidth_ = cssPixels;
  if (QAbstractButton* button = widths_->button(cssPixels)) button->setChecked(true);
  FitWidth();
}

#ifdef VELMORA_WEBENGINE

void TPreviewPane::StartEngine() {
  if (engine_) return;
  engine_ = new PreviewEngine(stage_, openLink_);
  notice_->hide();
  static_cast<QHBoxLayout*>(stage_->layout())->addWidget(engine_->view, 0, Qt::AlignHCenter);
  connect(engine_->page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    // Back to where the user was reading before the refresh.
    const QPointF at = engine_->scroll;
    if (!at.isNull())
      engine_->page->runJavaScript(QStringLiteral("window.scrollTo(%1,%2)").arg(at.x()).arg(at.y()));
    emit PageLoaded(ok);
  });
  FitWidth();
}

void TPreviewPane::RefreshNow() {
  debounce_->stop();
  if (!engine_ || !isVisible()) {
    stale_ = true;
    return;
  }
  stale_ = false;
  engine_->scroll = engine_->page->scrollPosition();
  engine_->handler->page = QByteArray::fromStdString(source_());
  // A new address each time, so nothing is taken from a cache.
  engine_->page->load(QUrl(QString::fromLatin1(kScheme) + QStringLiteral(":page/") + QString::number(++engine_->serial)));
}

void TPreviewPane::FitWidth() {
  if (!engine_) return;
  // The page is laid out at the chosen width and scaled to the room there is.
  const int room = std::max(1, stage_->width());
  const int shown = std::min(room, pageWidth_);
  engine_->view->setFixedWidth(shown);
  engine_->view->setZoomFactor(std::clamp(static_cast<qreal>(shown) / pageWidth_, 0.25, 5.0));
}

void TPreviewPane::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
  if (!engine_) return done({});
  engine_->page->runJavaScript(script, [done = std::move(done)](const QVariant& result) { done(result); });
}

#else

void TPreviewPane::StartEngine() {}
void TPreviewPane::RefreshNow() { debounce_->stop(); }
void TPreviewPane::FitWidth() {}
void TPreviewPane::RunScript(const QString&, std::function<void(const QVariant&)> done) { done({}); }

#endif

}  // namespace velmora
