// News, updates, help, "Make Money", banner and side links, and newsTimer_.
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/Utils.h"
#include "platform/ErrorReport.h"
#include "platform/QtHttpClient.h"
#include "platform/QtText.h"
#include "services/NewsBrowser.h"
#include "services/Notifier.h"
#include "ui/ClosingAwareMessages.h"
#include "ui/MainWindow.h"
#include "ui/NewsHint.h"
#include "ui/NewsWindow.h"

namespace velmora {

namespace {

class EventHook final : public QObject {
public:
  using Hook = std::function<void(QObject*, QEvent*)>;
  EventHook(QObject* parent, Hook hook) : QObject(parent), hook_(std::move(hook)) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    hook_(watched, event);
    return false;
  }

private:
  Hook hook_;
};

// While a request that the user asked for runs, the window shows it is busy
// (it still takes input: requests run beside it) and the button that started
// it is greyed with a hint that says what it does. The cursor comes back
// when the last such request ends.
class WorkingSign {
public:
  WorkingSign(QWidget* window, QToolButton* button, const QString& hint)
      : window_(window), button_(button), idleHint_(button->toolTip()) {
    if (Signs(window_) == 0) window_->setCursor(Qt::BusyCursor);
    window_->setProperty(kSignsProperty, Signs(window_) + 1);
    button_->setEnabled(false);
    button_->setToolTip(hint);
  }
  ~WorkingSign() {
    if (window_) {
      window_->setProperty(kSignsProperty, Signs(window_) - 1);
      if (Signs(window_) == 0) window_->unsetCursor();
    }
    if (button_) {
      button_->setEnabled(true);
      button_->setToolTip(idleHint_);
    }
  }
  WorkingSign(const WorkingSign&) = delete;
  WorkingSign& operator=(const WorkingSign&) = delete;

private:
  static constexpr const char* kSignsProperty = "velmoraWorkingSigns";
  static int Signs(const QWidget* window) { return window->property(kSignsProperty).toInt(); }

  QPointer<QWidget> window_;
  QPointer<QToolButton> button_;
  QString idleHint_;
};

}  // namespace

std::unique_ptr<HttpClient> MainWindow::CreateHttpClient() { return std::make_unique<QtHttpClient>(); }

MessagePort& MainWindow::ServiceMessages() {
  if (!serviceMessages_) serviceMessages_ = std::make_unique<ClosingAwareMessages>(Messages(), servicesClosing_);
  return *serviceMessages_;
}

void MainWindow::ConnectServices() {
  const auto guarded = [this](void (MainWindow::*handler)()) {
    return [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); };
  };
  connect(newsTimer_, &QTimer::timeout, this, guarded(&MainWindow::CheckNewsNow));
  connect(newsButton_, &QToolButton::clicked, this, guarded(&MainWindow::ShowNews));
  connect(updateButton_, &QToolButton::clicked, this, guarded(&MainWindow::CheckUpdates));
  connect(helpButton_, &QToolButton::clicked, this, guarded(&MainWindow::OpenHelp));
  connect(makeMoneyButton_, &QPushButton::clicked, this, guarded(&MainWindow::OpenMakeMoneyPage));
  connect(leftLink_, &QLabel::linkActivated, this, [this] { Shell().OpenUrl(leftLinkAddress_); });
  connect(rightLink_, &QLabel::linkActivated, this, [this] { Shell().OpenUrl(rightLinkAddress_); });
  endRequests_.http = &Http();
  newsCheck_ = std::make_unique<NewsCheck>(Http(), ServiceMessages());
  updateCheck_ = std::make_unique<UpdateChecker>(UpdateContext{Http(), ServiceMessages(), Shell(), places_});

  auto* hook = new EventHook(this, [this](QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
      if (watched == stillBanner_ || watched == animatedBanner_) RunGuarded(this, [this] { OpenBannerAddress(); });
    } else if (watched == this && event->type() == QEvent::Close) {
      servicesClosing_ = true;
      if (newsWindow_) newsWindow_->close();
      if (newsHint_) newsHint_->close();
    } else if (watched == this && event->type() == QEvent::Show) {
      servicesClosing_ = false;
    }
  });
  stillBanner_->installEventFilter(hook);
  animatedBanner_->installEventFilter(hook);
  installEventFilter(hook);
}

void MainWindow::RunUpdateCheck(bool quiet) {
  // The start-up check runs unseen; only the user's own shows it is busy.
  std::shared_ptr<WorkingSign> working;
  if (!quiet) working = std::make_shared<WorkingSign>(this, updateButton_, QStringLiteral("Checking Updates..."));
  updateCheck_->Start(quiet, [self = QPointer<MainWindow>(this), working](UpdateOutcome outcome, const std::string&) {
    if (self && outcome == UpdateOutcome::UpdaterStarted) RunGuarded(self, [&] { self->close(); });
  });
}

void MainWindow::CheckNewsNow() {
  newsTimer_->stop();
  AnnounceNewerNews(Http(), ServiceMessages(), places_, brand_,
                    [self = QPointer<MainWindow>(this)](std::optional<std::string> hint) {
                      if (!self) return;
                      RunGuarded(self, [&] {
                        if (hint) self->ShowNewsHint(*hint);
                        // A check the user started meanwhile already asks.
                        self->RunUpdateCheck(true);
                      });
                    });
}

void MainWindow::ShowNewsHint(const std::string& text) {
  if (servicesClosing_) return;
  // Under the toolbar, right-aligned to the news button: over the brand's
  // banner rather than the buttons beside it.
  const QPoint anchor = newsButton_->mapToGlobal(QPoint(newsButton_->width(), newsButton_->height() + 4));
  newsHint_ = NewsHint::Show(ToMultiline(text), anchor, this);
}

void MainWindow::ShowNews() {
  // The list shown in an open news window must not change under it.
  if (newsWindow_) return;
  auto working = std::make_shared<WorkingSign>(this, newsButton_, QStringLiteral("Checking News..."));
  newsCheck_->Start(brand_, [self = QPointer<MainWindow>(this), working](std::vector<std::string> items) mutable {
    working.reset();
    if (!self) return;
    RunGuarded(self, [&] {
      self->newsList_ = std::move(items);
      if (!self->newsList_.empty() && !self->servicesClosing_ && !self->newsWindow_) self->OpenNewsWindow();
    });
  });
}

void MainWindow::OpenNewsWindow() {
  auto* form = new NewsWindow(NewsWindowContext{Http(), ServiceMessages(), Shell(), brand_, places_, newsList_}, this);
  form->setAttribute(Qt::WA_DeleteOnClose);
  newsWindow_ = form;
  // Modal to this window only, without an event loop of its own.
  form->open();
}

void MainWindow::CheckUpdates() { RunUpdateCheck(false); }

void MainWindow::OpenHelp() { OpenInBrowser(Shell(), brand_.AppHelpURL); }

void MainWindow::OpenMakeMoneyPage() { OpenInBrowser(Shell(), brand_.AffiliateURL); }

void MainWindow::OpenBannerAddress() {
  if (!brand_.BannerURL.empty()) OpenInBrowser(Shell(), brand_.BannerURL);
}

}  // namespace velmora
