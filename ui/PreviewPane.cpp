#include "ui/PreviewPane.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QOpenGLContext>
#include <QPushButton>
#include <QScrollArea>
#include <QSurfaceFormat>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <unistd.h>

#include "app/Utils.h"
#include "generator/PagePreview.h"
#include "ui/Modules.h"
#include "ui/PreviewEngine.h"

QT_BEGIN_NAMESPACE
// Exported by Qt GUI for its platform plugins; no public call sets the context.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace velmora {

namespace {

// The engine draws with a graphics context shared with the application's.
// Qt makes one at start-up when asked before the application exists, which
// costs every start a tenth of a second on a software renderer; this makes it
// the way Qt's own platform plugins do, when the preview first shows.
void ShareGraphicsContext() {
  if (QOpenGLContext::globalShareContext()) return;
  auto* context = new QOpenGLContext(QCoreApplication::instance());
  context->setFormat(QSurfaceFormat::defaultFormat());
  // Set even when it cannot be made, as Qt does: the engine then draws in
  // software, and it cannot do without the context object.
  context->create();
  qt_gl_set_global_share_context(context);
}

// The changes as a JavaScript value: [marks, [[after, before, "html"], ...]].
QString ChangesScript(const PreviewChanges& plan) {
  std::string script = "[" + std::to_string(plan.marks) + ",[";
  for (const PreviewChange& change : plan.changes) {
    if (script.back() == ']') script += ',';
    script += "[" + std::to_string(change.after) + "," + std::to_string(change.before) + "," +
              JsonQuoted(change.html) + "]";
  }
  script += "]]";
  return QString::fromStdString(script);
}

}  // namespace

bool PreviewPane::Available() { return QFileInfo::exists(ModulePath(kPreviewModuleName)); }

QStringList PreviewPane::LocalPictures(const std::vector<std::string>& addresses, const QString& folder) {
  // Resolved as the engine resolves the page's addresses against its folder.
  const QUrl base = QUrl::fromLocalFile(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
  QStringList files;
  for (const std::string& address : addresses) {
    const QString trimmed = QString::fromStdString(address).trimmed();
    if (trimmed.isEmpty()) continue;  // would name the folder itself
    const QUrl url = base.resolved(QUrl(trimmed));
    if (url.isLocalFile() && url.host().isEmpty()) files << url.toLocalFile();
  }
  return files;
}

void PrepareBrowserEngine(const QString& programFolder) {
  SetModuleFolder(programFolder);
  // The engine's sandbox refuses to start as root; an ordinary user keeps it.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

PreviewPane::PreviewPane(PageSource source, LinkOpener openLink, QWidget* parent)
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
  for (const Width& width : {Width{"P&hone", "btnPreviewPhone", kPhoneWidth},
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
  connect(widths_, &QButtonGroup::idClicked, this, &PreviewPane::SetPageWidth);

  stage_ = new QWidget(this);
  stage_->setObjectName(QStringLiteral("panPreviewStage"));
  auto* stageLayout = new QHBoxLayout(stage_);
  stageLayout->setContentsMargins(0, 0, 0, 0);
  notice_ = new QLabel(stage_);
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setWordWrap(true);
  if (!Available()) notice_->setText(QStringLiteral("The live preview is not part of this build."));
  stageLayout->addWidget(notice_, 1);
  stopped_ = new QWidget(stage_);
  stopped_->setObjectName(QStringLiteral("panPreviewStopped"));
  auto* stoppedLayout = new QVBoxLayout(stopped_);
  stoppedLayout->addStretch(1);
  stoppedWhy_ = new QLabel(stopped_);
  stoppedWhy_->setObjectName(QStringLiteral("lblPreviewStopped"));
  stoppedWhy_->setAlignment(Qt::AlignCenter);
  stoppedWhy_->setWordWrap(true);
  stoppedLayout->addWidget(stoppedWhy_);
  auto* reload = new QPushButton(QStringLiteral("&Reload"), stopped_);
  reload->setObjectName(QStringLiteral("btnPreviewReload"));
  stoppedLayout->addWidget(reload, 0, Qt::AlignHCenter);
  stoppedLayout->addStretch(1);
  stopped_->hide();
  stageLayout->addWidget(stopped_, 1);
  connect(reload, &QPushButton::clicked, this, &PreviewPane::RefreshNow);
  // A wide page narrower than it can be read scrolls sideways instead.
  scroller_ = new QScrollArea(this);
  scroller_->setObjectName(QStringLiteral("panPreviewScroller"));
  scroller_->setFrameShape(QFrame::NoFrame);
  scroller_->setWidgetResizable(true);
  scroller_->setWidget(stage_);
  layout->addWidget(scroller_, 1);

  soon_ = new QTimer(this);
  soon_->setSingleShot(true);
  soon_->setInterval(0);
  connect(soon_, &QTimer::timeout, this, &PreviewPane::RefreshNow);
}

PreviewPane::~PreviewPane() { delete engine_; }

bool PreviewPane::EngineStarted() const { return engine_ != nullptr; }

void PreviewPane::ScheduleRefresh() {
  stale_ = true;
  if (isVisible() && !inEngine_) soon_->start();
}

void PreviewPane::Settled() {
  inEngine_ = false;
  if (stale_ && isVisible()) soon_->start();
}

void PreviewPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  StartEngine();
  if (stale_) RefreshNow();
}

void PreviewPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitWidth();
}

void PreviewPane::SetPageWidth(int cssPixels) {
  pageWidth_ = cssPixels;
  if (QAbstractButton* button = widths_->button(cssPixels)) button->setChecked(true);
  FitWidth();
}

void PreviewPane::StartEngine() {
  if (engine_ || !Available()) return;
  ShareGraphicsContext();
  QString error;
  auto make = ResolveModule<MakePreviewEngineFunction>(kPreviewModuleName, kMakePreviewEngineSymbol, &error);
  if (!make) {
    notice_->setText(QStringLiteral("The live preview could not start: %1").arg(error));
    return;
  }
  engine_ = make(stage_, {openLink_,
                          [this](bool ok) {
                                                      Settled();
                            emit PageLoaded(ok);
                          },
                          [this](PreviewEngine::Stop why) {
                            Settled();
                            switch (why) {
                              case PreviewEngine::Stop::Busy:
                                return ShowStopped(
                                    QStringLiteral("The preview was stopped because the page did not finish."));
                              case PreviewEngine::Stop::Memory:
                                return ShowStopped(
                                    QStringLiteral("The preview was stopped because the page used too much memory."));
                              case PreviewEngine::Stop::Crashed:
                                return ShowStopped(QStringLiteral("The preview stopped while showing the page."));
                            }
                          }});
  notice_->hide();
  static_cast<QHBoxLayout*>(stage_->layout())->addWidget(engine_->View(), 0, Qt::AlignHCenter);
  FitWidth();
}

void PreviewPane::RefreshNow() {
  soon_->stop();
  if (!isVisible()) {
    stale_ = true;
    return;
  }
  stale_ = false;
  Source page = source_();
  emit PageMade();
  if (!engine_) return;
  auto text = std::make_shared<const std::string>(std::move(page.text));
  PreviewEngine::Changes changes{QString::fromStdString(page.mark), {}};
  if (handed_ && !page.mark.empty() && page.folder == handedFolder_ && page.pictures == handedPictures_ &&
      stopped_->isHidden()) {
    if (const auto plan = PlanPreviewChanges(*handed_, *text, page.mark)) changes.script = ChangesScript(*plan);
  }
  handed_ = text;
  handedFolder_ = page.folder;
  handedPictures_ = page.pictures;
  stopped_->hide();
  engine_->View()->show();
  inEngine_ = true;
  engine_->Show(std::move(text), {std::move(page.folder), std::move(page.pictures)}, changes);
}

void PreviewPane::ShowStopped(const QString& why) {
  // What the engine showed is gone with its renderer; the next change, or
  // Reload, makes the page anew.
  engine_->View()->hide();
  stoppedWhy_->setText(why);
  stopped_->show();
  emit PageStopped();
}

void PreviewPane::AddBelow(QWidget* widget) { layout()->addWidget(widget); }

void PreviewPane::FitWidth() {
  if (!engine_) return;
  // The page is laid out at the chosen width and scaled to the room there
  // is, but never below a readable scale: beyond that the pane scrolls.
  const int room = std::max(1, scroller_->viewport()->width());
  const qreal zoom = std::clamp(static_cast<qreal>(room) / pageWidth_, kSmallestZoom, 1.0);
  engine_->View()->setFixedWidth(qRound(pageWidth_ * zoom));
  engine_->SetZoom(zoom);
}

void PreviewPane::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
  if (!engine_) return done({});
  engine_->RunScript(script, std::move(done));
}

}  // namespace velmora
