#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QIcon>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMovie>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <map>

#include "platform/KeychainSecrets.h"
#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtPlaces.h"
#include "platform/QtPorts.h"
#include "platform/QtText.h"
#include "platform/RecoveryStore.h"
#include "ui/pages/FinishPage.h"
#include "ui/pages/PageParts.h"
#include "ui/pages/PromoPage.h"
#include "ui/pages/TemplatePage.h"
#include "ui/pages/TitlePage.h"

namespace velmora {

namespace {

Places PlacesOf(const MainWindowEnvironment& environment) {
  if (environment.places) return *environment.places;
  if (!environment.programFolder.empty()) return Places::Portable(environment.programFolder);
  return LocatePlaces();
}

// A toolbar picture whose sizes are each read from the resources only when a
// button is first drawn at it; QIcon::addFile would read every size at start-up.
class ToolbarIconEngine final : public QIconEngine {
public:
  explicit ToolbarIconEngine(const char* name) : name_(QLatin1String(name)) {}

  QIconEngine* clone() const override { return new ToolbarIconEngine(*this); }
  QString key() const override { return QStringLiteral("ToolbarIconEngine"); }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (const int side : kSides) sizes.push_back(QSize(side, side));
    return sizes;
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min({size.width(), size.height(), kSides.back()});
    return QSize(side, side);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const QSize shown = actualSize(size, mode, state);
    // The smallest drawn size that is not smaller, scaled down where it must be.
    const auto side = std::find_if(kSides.begin(), kSides.end(), [&](int s) { return s >= shown.width(); });
    QPixmap picture = Picture(side == kSides.end() ? kSides.back() : *side);
    if (picture.size() != shown) picture = picture.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (mode == QIcon::Normal || picture.isNull()) return picture;
    QStyleOption option;
    option.palette = QApplication::palette();
    return QApplication::style()->generatedIconPixmap(mode, picture, &option);
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * scale).toSize(), mode, state));
  }

private:
  static constexpr std::array<int, 4> kSides{16, 24, 32, 48};

  const QPixmap& Picture(int side) {
    QPixmap& picture = read_[side];
    if (picture.isNull()) picture.load(QStringLiteral(":/icons/%1-%2.png").arg(name_).arg(side));
    return picture;
  }

  QString name_;
  std::map<int, QPixmap> read_;
};

QIcon ToolbarIcon(const char* name) { return QIcon(new ToolbarIconEngine(name)); }

}  // namespace

MainWindow::MainWindow(MainWindowEnvironment environment, QWidget* parent)
    : QMainWindow(parent), places_(PlacesOf(environment)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Velmora"));

  if (!environment.messages) ownMessages_ = std::make_unique<QtMessagePort>(this);
  if (!environment.shell) ownShell_ = std::make_unique<QtShell>();
  if (!environment.clipboard) ownClipboard_ = std::make_unique<QtClipboard>();
  if (!environment.random) ownRandom_ = std::make_unique<SystemRandom>();
  if (!environment.dialogs) ownDialogs_ = std::make_unique<QtFileDialogs>();
  if (!environment.http) ownHttp_ = CreateHttpClient();
  if (!environment.secrets) ownSecrets_ = std::make_unique<KeychainSecrets>();
  messages_ = environment.messages ? environment.messages : ownMessages_.get();
  shell_ = environment.shell ? environment.shell : ownShell_.get();
  clipboard_ = environment.clipboard ? environment.clipboard : ownClipboard_.get();
  random_ = environment.random ? environment.random : ownRandom_.get();
  dialogs_ = environment.dialogs ? environment.dialogs : ownDialogs_.get();
  http_ = environment.http ? environment.http : ownHttp_.get();
  secrets_ = environment.secrets ? environment.secrets : ownSecrets_.get();

  programFolder_ = places_.ProgramFolder();
  recoveryFolder_ = ToQString(environment.recoveryFolder);

  newsTimer_ = new QTimer(this);
  newsTimer_->setObjectName(QStringLiteral("newsTimer"));
  newsTimer_->setInterval(2000);
  newsTimer_->setSingleShot(true);

  remembered_ = RememberedWindowState(places_);
  BuildScreens();
  ConnectServices();
  ApplyWindowBehaviour();
  PrepareWindow();
  BuildFileCommands();
  BuildEditCommands();
  FitMinimumSize();
  resize(732, 521);
  RestoreWindowState();
}

MainWindow::~MainWindow() {
  // The banner, the pages and the preview panel outlive this destructor's
  // body; none of them may call back into a window that is half destroyed.
  bannerArea_->removeEventFilter(this);
  leftLink_->removeEventFilter(this);
  rightLink_->removeEventFilter(this);
  StopWatchingChanges();
  if (previewPanel_) previewPanel_->disconnect(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bannerArea_ && event->type() == QEvent::Resize) CentreBanner();
  if ((watched == leftLink_ || watched == rightLink_) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      emit static_cast<QLabel*>(watched)->linkActivated(QString());
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// Only a brand with a welcome text has this screen; made when it is shown,
// so that a start without it does not pay for the text browser.
void MainWindow::BuildWelcomeScreen() {
  welcomeScreen_ = Named(new QWidget(screens_), QStringLiteral("stsWelcome"));
  auto* welcomeLayout = new QVBoxLayout(welcomeScreen_);
  welcomeText_ = Named(new QTextBrowser(welcomeScreen_), QStringLiteral("prfWelcome"));
  welcomeText_->setOpenLinks(false);
  connect(welcomeText_, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { Shell().OpenUrl(FromQString(url.toString())); });
  welcomeLayout->addWidget(welcomeText_, 1);
  welcomeDone_ = Named(new QPushButton(QStringLiteral("&Thanks, just show me the main application"), welcomeScreen_),
                       QStringLiteral("bsSkinButton1"));
  welcomeDone_->setDefault(true);
  connect(welcomeDone_, &QPushButton::clicked, this, &MainWindow::LeaveWelcomeScreen);
  auto* showAtStart = Named(new QCheckBox(QStringLiteral("&Show at start"), welcomeScreen_), QStringLiteral("chkShowWelcome"));
  showAtStart->setChecked(remembered_.showWelcome);
  connect(showAtStart, &QCheckBox::toggled, this, [this](bool show) {
    remembered_.showWelcome = show;
    RememberShowWelcome(places_, show);
  });
  auto* row = new QHBoxLayout;
  row->addWidget(showAtStart);
  row->addStretch(1);
  row->addWidget(welcomeDone_);
  row->addStretch(1);
  welcomeLayout->addLayout(row);
  screens_->insertWidget(0, welcomeScreen_);
}

// A brand's skin styles the screens, the toolbar, the banner, the links
// and the wizard's buttons by their object names ("#panToolbar
// #btnMakeMoney"), so those names keep their spelling for skins made before.
void MainWindow::BuildScreens() {
  screens_ = Named(new QStackedWidget(this), QStringLiteral("pgsScreens"));
  setCentralWidget(screens_);

  wizardScreen_ = Named(new QWidget(screens_), QStringLiteral("stsMain"));
  auto* mainLayout = new QVBoxLayout(wizardScreen_);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);
  mainLayout->addWidget(BuildToolbar());
  mainLayout->addWidget(BuildBanner());
  mainLayout->addWidget(BuildWizard(), 1);
  mainLayout->addWidget(BuildLinks());
  screens_->addWidget(wizardScreen_);
}

QWidget* MainWindow::BuildToolbar() {
  auto* bar = Named(new QWidget(wizardScreen_), QStringLiteral("panToolbar"));
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(6, 4, 6, 4);
  loadButton_ = Named(new QPushButton(QStringLiteral("&Load Project"), bar), QStringLiteral("btnLoad"));
  saveButton_ = Named(new QPushButton(QStringLiteral("&Save Project"), bar), QStringLiteral("btnSave"));
  makeMoneyButton_ = Named(new QPushButton(QStringLiteral("Make &Money"), bar), QStringLiteral("btnMakeMoney"));
  aboutButton_ = Named(new QPushButton(QStringLiteral("Ab&out"), bar), QStringLiteral("btnAbout"));
  previewButton_ = Named(new QPushButton(QStringLiteral("Pre&view"), bar), QStringLiteral("btnPreview"));
  previewButton_->setCheckable(true);
  previewButton_->setToolTip(QStringLiteral("Show the page as it would be generated now"));
  connect(previewButton_, &QPushButton::toggled, this, &MainWindow::TogglePreview);
  for (auto* button : {loadButton_, saveButton_, makeMoneyButton_, aboutButton_, previewButton_})
    layout->addWidget(button);
  layout->addStretch(1);
  auto iconButton = [bar, layout](const char* name, const QString& hint, const char* icon) {
    auto* button = Named(new QToolButton(bar), QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(ToolbarIcon(icon));
    button->setAutoRaise(true);
    layout->addWidget(button);
    return button;
  };
  newsButton_ = iconButton("btnNews", QStringLiteral("Check News"), "news");
  updateButton_ = iconButton("btnUpdate", QStringLiteral("Check Updates"), "update");
  helpButton_ = iconButton("btnHelp", QStringLiteral("Help"), "help");
  return bar;
}

QWidget* MainWindow::BuildBanner() {
  bannerArea_ = Named(new QWidget(wizardScreen_), QStringLiteral("panBanner"));
  bannerArea_->setFixedHeight(65);
  stillBanner_ = Named(new QLabel(bannerArea_), QStringLiteral("imgBanner"));
  animatedBanner_ = Named(new QLabel(bannerArea_), QStringLiteral("gifBanner"));
  stillBanner_->setGeometry(0, 0, 468, 60);
  animatedBanner_->hide();
  // The banner area gets its real width only once the wizard screen is laid
  // out, which with a welcome page is after start-up: centre again then.
  bannerArea_->installEventFilter(this);
  return bannerArea_;
}

QWidget* MainWindow::BuildWizard() {
  auto* area = Named(new QWidget(wizardScreen_), QStringLiteral("panWizard"));
  auto* columns = new QHBoxLayout(area);
  columns->setContentsMargins(8, 0, 8, 2);
  // The steps at a glance, each a click away.
  stepList_ = Named(new QListWidget(area), QStringLiteral("lstSteps"));
  stepList_->setAccessibleName(QStringLiteral("Steps"));
  stepList_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  columns->addWidget(stepList_);
  auto* layout = new QVBoxLayout;
  layout->setSpacing(2);
  columns->addLayout(layout, 1);
  pageStack_ = Named(new QStackedWidget(area), QStringLiteral("ntbMain"));
  layout->addWidget(pageStack_, 1);

  // The steps: title and link now; template, a page per promo kind and
  // finish once the window is painted (BuildLaterPages).
  titlePage_ = new TitlePage(pageStack_);
  pageStack_->addWidget(titlePage_);
  titlePage_->NumberStep(1);

  auto* bar = new QHBoxLayout;
  bar->addStretch(1);
  backButton_ = Named(new QPushButton(QStringLiteral("< &Back"), area), QStringLiteral("btnBack"));
  nextButton_ = Named(new QPushButton(QStringLiteral("&Next >"), area), QStringLiteral("btnNext"));
  bar->addWidget(backButton_);
  bar->addWidget(nextButton_);
  layout->addLayout(bar);

  ListSteps();
  ConnectWizard();
  return area;
}

MainWindow::WizardPages& MainWindow::Pages() {
  if (!laterPages_) BuildLaterPages();
  return *laterPages_;
}

void MainWindow::BuildLaterPages() {
  WizardPages pages;
  pages.all.push_back(titlePage_);
  pages.templates = new TemplatePage(pageStack_);
  AddPage(pages.templates, pages.all);
  const PromoPageContext context{
      Dialogs(), RememberedFolder(places_, DialogFolder::Pictures, FromPath(programFolder_)),
      [this](const QString& folder) { RememberFolder(places_, DialogFolder::Pictures, folder); },
      [this] { return project_.URL; }};
  for (PromoKind kind : kPromoKinds) {
    pages.promos.push_back(PromoPage::ForKind(kind, context, pageStack_));
    AddPage(pages.promos.back(), pages.all);
  }
  pages.finish = new FinishPage(pageStack_);
  pageStack_->addWidget(pages.finish);
  pages.all.push_back(pages.finish);
  // In place before anything below may ask for a page again.
  const WizardPages& built = laterPages_.emplace(std::move(pages));

  ConnectLaterPages(built);
  for (std::size_t step = 1; step < built.all.size(); ++step) TakeEditKeys(built.all[step]);
  built.finish->ShowFolder(pageFolder_);
  {
    // The first template is the untouched project's own, as after "New"; choosing it is no edit.
    const std::string before = project_.Template;
    {
      const QScopedValueRollback<bool> quiet(replacingProject_, true);
      LoadTemplates();
    }
    if (savedProject_ && savedProject_->Template == before) savedProject_->Template = project_.Template;
  }
  ApplyWindowBehaviour();
  // The layouts above the pages would learn of them only once events run, and
  // not at all before the window is shown: each is told now.
  for (QWidget* area = pageStack_; area != this; area = area->parentWidget()) {
    area->updateGeometry();
    if (QLayout* layout = area->parentWidget()->layout()) {
      layout->invalidate();
      layout->activate();
    }
  }
  FitMinimumSize();
}

void MainWindow::AddPage(WizardPage* page, std::vector<WizardPage*>& pages) {
  pageStack_->addWidget(page);
  pages.push_back(page);
  page->NumberStep(static_cast<int>(pages.size()));
}

QWidget* MainWindow::BuildLinks() {
  linksArea_ = Named(new QWidget(wizardScreen_), QStringLiteral("panLinks"));
  auto* layout = new QHBoxLayout(linksArea_);
  layout->setContentsMargins(8, 2, 8, 4);
  leftLink_ = Named(new QLabel(linksArea_), QStringLiteral("lblLink1URL"));
  rightLink_ = Named(new QLabel(linksArea_), QStringLiteral("lblLink2URL"));
  rightLink_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (auto* label : {leftLink_, rightLink_}) {
    label->setTextFormat(Qt::RichText);
    // One Tab stop per link, which Enter or Space follows; a label left to
    // move the keyboard among its links would first take a stop that shows nothing.
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setFocusPolicy(Qt::TabFocus);
    label->installEventFilter(this);
  }
  layout->addWidget(leftLink_);
  layout->addStretch(1);
  layout->addWidget(rightLink_);
  return linksArea_;
}

void MainWindow::PrepareWindow() {
  animatedBanner_->setGeometry(stillBanner_->geometry());
  LoadBrandSettings();
  if (brand_.WelcomeText.empty() || !remembered_.showWelcome) {
    newsChecked_ = true;
    newsTimer_->start();
  }
  newsList_.clear();
  pageStack_->setCurrentIndex(0);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  PlaceOnScreen();
  ShowFirstScreen();
  // Once the window is up, so the question has something to stand on.
  QTimer::singleShot(0, this, [this] {
    RunGuarded(this, [this] {
      RestorePreviewState();
      OfferRecovery();
      // Someone who opened a project came for its wizard, not the welcome text.
      if (!openAtStart_.isEmpty() && OpenProject(std::exchange(openAtStart_, QString())) &&
          screens_->currentWidget() == welcomeScreen_)
        LeaveWelcomeScreen();
    });
  });
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  if (std::exchange(buildPagesPosted_, true)) return;
  // The first paint is on its way to the screen; the other pages are built
  // next, before the user can reach them.
  QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { BuildAllPages(); }); });
}

void MainWindow::ShowFirstScreen() {
  if (!brand_.WelcomeText.empty() && remembered_.showWelcome) {
    ShowWelcomeScreen();
  } else {
    screens_->setCurrentWidget(wizardScreen_);
    FocusWizardPage();
  }
  CentreBanner();
}

void MainWindow::ShowWelcomeScreen() {
  if (brand_.WelcomeText.empty()) return;
  if (!welcomeScreen_) {
    BuildWelcomeScreen();
    welcomeText_->setHtml(ToQString(brand_.WelcomeText));
  }
  screens_->setCurrentWidget(welcomeScreen_);
  welcomeDone_->setFocus();
}

void MainWindow::FocusWizardPage() {
  // Typing should land in the page's first field, not on a toolbar button.
  if (QWidget* first = static_cast<WizardPage*>(pageStack_->currentWidget())->FirstInput())
    first->setFocus(Qt::OtherFocusReason);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  CentreBanner();
}

void MainWindow::CentreBanner() {
  for (QLabel* banner : {stillBanner_, animatedBanner_}) {
    banner->move(bannerArea_->width() / 2 - banner->width() / 2, bannerArea_->height() / 2 - banner->height() / 2);
  }
}

void MainWindow::LeaveWelcomeScreen() {
  screens_->setCurrentWidget(wizardScreen_);
  FocusWizardPage();
  if (!brand_.WelcomeText.empty() && !newsChecked_) {
    newsChecked_ = true;
    newsTimer_->start();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!MaybeSaveChanges()) {
    event->ignore();
    servicesClosing_ = false;  // the services heard of the close first; the window stays
    return;
  }
  StopServices();
  RememberWindow();
  ProjectIsClean();  // the program ends normally: no recovery copy is left
  QMainWindow::closeEvent(event);
}

void MainWindow::StopServices() {
  newsTimer_->stop();
  Http().Disconnect();
}

}  // namespace velmora
