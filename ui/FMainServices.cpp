// News, updates, help, "Make Money", banner and side links, and Timer1.
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
#include "ui/FMain.h"
#include "ui/FNews.h"
#include "ui/NewsHint.h"

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

std::unique_ptr<HttpClient> TfrmMain::CreateHttpClient() { return std::make_unique<QtHttpClient>(); }

MessagePort& TfrmMain::ServiceMessages() {
  if (!serviceMessages_) serviceMessages_ = std::make_unique<ClosingAwareMessages>(Messages(), servicesClosing_);
  return *serviceMessages_;
}

void TfrmMain::ConnectServices() {
  const auto guarded = [this](void (TfrmMain::*handler)()) {
    return [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); };
  };
  connect(Timer1, &QTimer::timeout, this, guarded(&TfrmMain::Timer1Timer));
  connect(btnNews, &QToolButton::clicked, this, guarded(&TfrmMain::btnNewsClick));
  connect(btnUpdate, &QToolButton::clicked, this, guarded(&TfrmMain::btnUpdateClick));
  connect(btnHelp, &QToolButton::clicked, this, guarded(&TfrmMain::btnHelpClick));
  connect(btnMakeMoney, &QPushButton::clicked, this, guarded(&TfrmMain::btnMakeMoneyClick));
  connect(lblLink1URL, &QLabel::linkActivated, this, [this] { Shell().OpenUrl(Link1Address); });
  connect(lblLink2URL, &QLabel::linkActivated, this, [this] { Shell().OpenUrl(Link2Address); });
  endRequests_.http = &Http();
  newsCheck_ = std::make_unique<NewsCheck>(Http(), ServiceMessages());
  updateCheck_ = std::make_unique<UpdateChecker>(UpdateContext{Http(), ServiceMessages(), Shell(), Where});

  auto* hook = new EventHook(this, [this](QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
      if (watched == imgBanner) RunGuarded(this, [this] { imgBannerClick(); });
      if (watched == gifBanner) RunGuarded(this, [this] { gifBannerClick(); });
    } else if (watched == this && event->type() == QEvent::Close) {
      servicesClosing_ = true;
      if (frmNews) frmNews->close();
      if (LMDMessageHint1) LMDMessageHint1->close();
    } else if (watched == this && event->type() == QEvent::Show) {
      servicesClosing_ = false;
    }
  });
  imgBanner->installEventFilter(hook);
  gifBanner->installEventFilter(hook);
  installEventFilter(hook);
}

void TfrmMain::RunUpdateCheck(bool quiet) {
  // The start-up check runs unseen; only the user's own shows it is busy.
  std::shared_ptr<WorkingSign> working;
  if (!quiet) working = std::make_shared<WorkingSign>(this, btnUpdate, QStringLiteral("Checking Updates..."));
  updateCheck_->Start(quiet, [self = QPointer<TfrmMain>(this), working](UpdateOutcome outcome, const std::string&) {
    if (self && outcome == UpdateOutcome::UpdaterStarted) RunGuarded(self, [&] { self->close(); });
  });
}

void TfrmMain::Timer1Timer() {
  Timer1->stop();
  AnnounceNewerNews(Http(), ServiceMessages(), Where, Brand,
                    [self = QPointer<TfrmMain>(this)](std::optional<std::string> hint) {
                      if (!self) return;
                      RunGuarded(self, [&] {
                        if (hint) self->ShowNewsHint(*hint);
                        // A check the user started meanwhile already asks.
                        self->RunUpdateCheck(true);
                      });
                    });
}

void TfrmMain::ShowNewsHint(const std::string& text) {
  if (servicesClosing_) return;
  const QPoint anchor = btnNews->mapToGlobal(QPoint(btnNews->width() / 2, btnNews->height() / 2));
  LMDMessageHint1 = NewsHint::Show(ToMultiline(text), anchor, this);
}

void TfrmMain::btnNewsClick() {
  // The list shown in an open news window must not change under it.
  if (frmNews) return;
  auto working = std::make_shared<WorkingSign>(this, btnNews, QStringLiteral("Checking News..."));
  newsCheck_->Start(Brand, [self = QPointer<TfrmMain>(this), working](std::vector<std::string> items) mutable {
    working.reset();
    if (!self) return;
    RunGuarded(self, [&] {
      self->NewsList = std::move(items);
      if (!self->NewsList.empty() && !self->servicesClosing_ && !self->frmNews) self->OpenNewsWindow();
    });
  });
}

void TfrmMain::OpenNewsWindow() {
  auto* form = new TfrmNews(NewsWindowContext{Http(), ServiceMessages(), Shell(), Brand, Where, NewsList}, this);
  form->setAttribute(Qt::WA_DeleteOnClose);
  frmNews = form;
  // Modal to this window only, without an event loop of its own.
  form->open();
}

void TfrmMain::btnUpdateClick() { RunUpdateCheck(false); }

void TfrmMain::btnHelpClick() { OpenInBrowser(Shell(), Brand.AppHelpURL); }

void TfrmMain::btnMakeMoneyClick() { OpenInBrowser(Shell(), Brand.AffiliateURL); }

void TfrmMain::imgBannerClick() {
  if (!Brand.BannerURL.empty()) OpenInBrowser(Shell(), Brand.BannerURL);
}

void TfrmMain::gifBannerClick() { imgBannerClick(); }

}  // namespace velmora
