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
// (it still takes input: requests let events run) and the button that
// started it stays pressed with a hint that says what it does.
class WorkingSign {
public:
  WorkingSign(QWidget* window, QToolButton* button, const QString& hint)
      : window_(window), button_(button), idleHint_(button->toolTip()) {
    window_->setCursor(Qt::BusyCursor);
    button_->setDown(true);
    button_->setToolTip(hint);
  }
  ~WorkingSign() {
    if (window_) window_->unsetCursor();
    if (button_) {
      button_->setDown(false);
      button_->setToolTip(idleHint_);
    }
  }
  WorkingSign(const WorkingSign&) = delete;
  WorkingSign& operator=(const WorkingSign&) = delete;

private:
  QPointer<QWidget> window_;
  QPointer<QToolButton> button_;
  QString idleHint_;
};

struct Reentry {
  bool& flag;
  explicit Reentry(bool& f) : flag(f) { flag = true; }
  ~Reentry() { flag = false; }
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

bool TfrmMain::RunUpdateCheck(bool quiet) {
  const UpdateContext context{Http(), ServiceMessages(), Shell(), ProgramFolder};
  if (CheckForUpdates(context, quiet) != UpdateOutcome::UpdaterStarted) return false;
  close();
  return true;
}

void TfrmMain::Timer1Timer() {
  Timer1->stop();
  const UpdateContext context{Http(), ServiceMessages(), Shell(), ProgramFolder};
  const auto result = velmora::Timer1Timer(context, Brand, [this](const std::string& text) { ShowNewsHint(text); });
  if (result.update == UpdateOutcome::UpdaterStarted) close();
}

void TfrmMain::ShowNewsHint(const std::string& text) {
  if (servicesClosing_) return;
  const QPoint anchor = btnNews->mapToGlobal(QPoint(btnNews->width() / 2, btnNews->height() / 2));
  LMDMessageHint1 = NewsHint::Show(ToMultiline(text), anchor, this);
}

void TfrmMain::btnNewsClick() {
  // A second click while the list loads would clear the list under the first.
  if (checkingNews_ || frmNews) return;
  Reentry reentry(checkingNews_);
  const bool any = [this] {
    WorkingSign working(this, btnNews, QStringLiteral("Checking News..."));
    return CheckNews(Http(), ServiceMessages(), Brand, NewsList);
  }();
  if (!any || servicesClosing_) return;
  TfrmNews form(NewsWindowContext{Http(), ServiceMessages(), Shell(), Brand, ProgramFolder, NewsList}, this);
  frmNews = &form;
  form.exec();
}

void TfrmMain::btnUpdateClick() {
  if (checkingUpdates_) return;
  Reentry reentry(checkingUpdates_);
  WorkingSign working(this, btnUpdate, QStringLiteral("Checking Updates..."));
  RunUpdateCheck(false);
}

void TfrmMain::btnHelpClick() { OpenInBrowser(Shell(), Brand.AppHelpURL); }

void TfrmMain::btnMakeMoneyClick() { OpenInBrowser(Shell(), Brand.AffiliateURL); }

void TfrmMain::imgBannerClick() {
  if (!Brand.BannerURL.empty()) OpenInBrowser(Shell(), Brand.BannerURL);
}

void TfrmMain::gifBannerClick() { imgBannerClick(); }

}  // namespace velmora
