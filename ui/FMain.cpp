#include "ui/FMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMovie>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/ErrorReport.h"
#include "platform/QtDialogs.h"
#include "platform/QtPlaces.h"
#include "platform/QtPorts.h"
#include "platform/QtText.h"
#include "platform/RecoveryStore.h"

namespace velmora {

namespace {

struct PageInfo {
  const char* name;
  const char* heading;
};

constexpr PageInfo kPages[TfrmMain::kPageCount] = {
    {"Welcome", "Step 1: Create a new page"},
    {"Template", "Step 2: Select a template to customize"},
    {"LinkPromo", "Step 3: Create your Text Link Promo."},
    {"PPCPromo", "Step 4: Create your PPC Ad Promo."},
    {"BannerPromo", "Step 5: Create your Banner Ad Promo."},
    {"SignaturePromo", "Step 6: Create your Signature Ad Promo."},
    {"EmailPromo", "Step 7: Create your Email Ad."},
    {"AutoresponderPromo", "Step 8: Create your Autoresponder Email Promo."},
    {"ArticlePromo", "Step 9: Create your Article."},
    {"CodePromo", "Step 10: Create your PopUp Code."},
    {"Finish", "Finish! Click Generate Code And You Are Done..."},
};

Places PlacesOf(const MainWindowEnvironment& environment) {
  if (environment.places) return *environment.places;
  if (!environment.programFolder.empty()) return Places::Portable(environment.programFolder);
  return LocatePlaces();
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TfrmMain::TfrmMain(MainWindowEnvironment environment, QWidget* parent)
    : QMainWindow(parent), Where(PlacesOf(environment)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Velmora"));

  if (!environment.messages) ownMessages_ = std::make_unique<QtMessagePort>(this);
  if (!environment.shell) ownShell_ = std::make_unique<QtShell>();
  if (!environment.clipboard) ownClipboard_ = std::make_unique<QtClipboard>();
  if (!environment.random) ownRandom_ = std::make_unique<SystemRandom>();
  if (!environment.dialogs) ownDialogs_ = std::make_unique<QtFileDialogs>();
  if (!environment.http) ownHttp_ = CreateHttpClient();
  messages_ = environment.messages ? environment.messages : ownMessages_.get();
  shell_ = environment.shell ? environment.shell : ownShell_.get();
  clipboard_ = environment.clipboard ? environment.clipboard : ownClipboard_.get();
  random_ = environment.random ? environment.random : ownRandom_.get();
  dialogs_ = environment.dialogs ? environment.dialogs : ownDialogs_.get();
  http_ = environment.http ? environment.http : ownHttp_.get();

  ProgramFolder = Where.ProgramFolder();
  recoveryFolder_ = ToQString(environment.recoveryFolder);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(2000);
  Timer1->setSingleShot(true);

  BuildScreens();
  WatchProjectChanges();
  auto* quit = new QAction(QStringLiteral("Quit"), this);
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, this, &QWidget::close);
  addAction(quit);
  ConnectServices();
  ApplyWindowBehaviour();
  FormCreate();
  BuildFileCommands();
  FitMinimumSize();
  resize(732, 521);
}

TfrmMain::~TfrmMain() {
  // The banner and the change tracking must not call back into a window that is half destroyed.
  panBanner->removeEventFilter(this);
  lblLink1URL->removeEventFilter(this);
  lblLink2URL->removeEventFilter(this);
  StopWatchingChanges();
  // The list boxes outlive this destructor's body; their models must not
  // reach the edit buttons' state through a window that is half destroyed.
  for (PromoKind kind : kPromoKinds) {
    PageOf(kind).list->model()->disconnect(this);
    PageOf(kind).list->disconnect(this);
  }
  // Hidden as the window goes, the preview panel must not reach back into it.
  if (dckPreview) dckPreview->disconnect(this);
  FormDestroy();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panBanner && event->type() == QEvent::Resize) FormResize();
  if ((watched == lblLink1URL || watched == lblLink2URL) && event->type() == QEvent::KeyPress) {
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
void TfrmMain::BuildWelcomeScreen() {
  stsWelcome = Named(new QWidget(pgsScreens), "stsWelcome");
  auto* welcomeLayout = new QVBoxLayout(stsWelcome);
  prfWelcome = Named(new QTextBrowser(stsWelcome), "prfWelcome");
  prfWelcome->setOpenLinks(false);
  connect(prfWelcome, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { Shell().OpenUrl(FromQString(url.toString())); });
  welcomeLayout->addWidget(prfWelcome, 1);
  bsSkinButton1 = Named(new QPushButton(QStringLiteral("Thanks, just show me the main application"), stsWelcome),
                        "bsSkinButton1");
  bsSkinButton1->setDefault(true);
  connect(bsSkinButton1, &QPushButton::clicked, this, &TfrmMain::bsSkinButton1Click);
  welcomeLayout->addWidget(bsSkinButton1, 0, Qt::AlignHCenter);
  pgsScreens->insertWidget(0, stsWelcome);
}

void TfrmMain::BuildScreens() {
  pgsScreens = Named(new QStackedWidget(this), "pgsScreens");
  setCentralWidget(pgsScreens);

  stsMain = Named(new QWidget(pgsScreens), "stsMain");
  auto* mainLayout = new QVBoxLayout(stsMain);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);
  mainLayout->addWidget(BuildToolbar());
  mainLayout->addWidget(BuildBanner());
  mainLayout->addWidget(BuildWizard(), 1);
  mainLayout->addWidget(BuildLinks());
  pgsScreens->addWidget(stsMain);
}

QWidget* TfrmMain::BuildToolbar() {
  auto* bar = Named(new QWidget(stsMain), "panToolbar");
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(6, 4, 6, 4);
  btnLoad = Named(new QPushButton(QStringLiteral("&Load Configuration"), bar), "btnLoad");
  btnSave = Named(new QPushButton(QStringLiteral("&Save Configuration"), bar), "btnSave");
  btnMakeMoney = Named(new QPushButton(QStringLiteral("Make Money"), bar), "btnMakeMoney");
  btnAbout = Named(new QPushButton(QStringLiteral("About"), bar), "btnAbout");
  btnPreview = Named(new QPushButton(QStringLiteral("Pre&view"), bar), "btnPreview");
  btnPreview->setCheckable(true);
  btnPreview->setToolTip(QStringLiteral("Show the page as it would be generated now"));
  connect(btnPreview, &QPushButton::toggled, this, &TfrmMain::TogglePreview);
  for (auto* button : {btnLoad, btnSave, btnMakeMoney, btnAbout, btnPreview}) layout->addWidget(button);
  layout->addStretch(1);
  auto iconButton = [bar, layout](const char* name, const QString& hint, QStyle::StandardPixmap icon) {
    auto* button = Named(new QToolButton(bar), name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(bar->style()->standardIcon(icon));
    button->setAutoRaise(true);
    layout->addWidget(button);
    return button;
  };
  btnNews = iconButton("btnNews", QStringLiteral("Check News"), QStyle::SP_MessageBoxInformation);
  btnUpdate = iconButton("btnUpdate", QStringLiteral("Check Updates"), QStyle::SP_BrowserReload);
  btnHelp = iconButton("btnHelp", QStringLiteral("Help"), QStyle::SP_TitleBarContextHelpButton);
  return bar;
}

QWidget* TfrmMain::BuildBanner() {
  panBanner = Named(new QWidget(stsMain), "panBanner");
  panBanner->setFixedHeight(65);
  imgBanner = Named(new QLabel(panBanner), "imgBanner");
  gifBanner = Named(new QLabel(panBanner), "gifBanner");
  imgBanner->setGeometry(0, 0, 468, 60);
  gifBanner->hide();
  // The banner area gets its real width only once the wizard screen is laid
  // out, which with a welcome page is after start-up: centre again then.
  panBanner->installEventFilter(this);
  return panBanner;
}

QWidget* TfrmMain::BuildWizard() {
  auto* area = Named(new QWidget(stsMain), "panWizard");
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(8, 0, 8, 2);
  layout->setSpacing(2);
  ntbMain = Named(new QStackedWidget(area), "ntbMain");
  for (const auto& info : kPages) {
    auto* page = Named(new QWidget(ntbMain), info.name);
    auto* pageLayout = new QVBoxLayout(page);
    // Tight margins: the tallest page (template preview) must fit the 521-pixel window.
    pageLayout->setContentsMargins(4, 2, 4, 2);
    pageLayout->setSpacing(4);
    auto* heading = new QLabel(QString::fromLatin1(info.heading), page);
    heading->setObjectName(QStringLiteral("lblStep") + QString::fromLatin1(info.name));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    heading->setFont(font);
    pageLayout->addWidget(heading);
    ntbMain->addWidget(page);
    pages_.push_back(page);
  }
  layout->addWidget(ntbMain, 1);

  auto* bar = new QHBoxLayout;
  bar->addStretch(1);
  btnBack = Named(new QPushButton(QStringLiteral("< &Back"), area), "btnBack");
  btnNext = Named(new QPushButton(QStringLiteral("&Next >"), area), "btnNext");
  bar->addWidget(btnBack);
  bar->addWidget(btnNext);
  layout->addLayout(bar);

  BuildProjectPages();
  BuildOutputPages();
  return area;
}

QWidget* TfrmMain::BuildLinks() {
  panLinks = Named(new QWidget(stsMain), "panLinks");
  auto* layout = new QHBoxLayout(panLinks);
  layout->setContentsMargins(8, 2, 8, 4);
  lblLink1URL = Named(new QLabel(panLinks), "lblLink1URL");
  lblLink2URL = Named(new QLabel(panLinks), "lblLink2URL");
  lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (auto* label : {lblLink1URL, lblLink2URL}) {
    label->setTextFormat(Qt::RichText);
    // One Tab stop per link, which Enter or Space follows; a label left to
    // move the keyboard among its links would first take a stop that shows nothing.
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setFocusPolicy(Qt::TabFocus);
    label->installEventFilter(this);
  }
  layout->addWidget(lblLink1URL);
  layout->addStretch(1);
  layout->addWidget(lblLink2URL);
  return panLinks;
}

QWidget* TfrmMain::Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }

QVBoxLayout* TfrmMain::PageLayout(int index) const { return static_cast<QVBoxLayout*>(Page(index)->layout()); }

void TfrmMain::FormCreate() {
  gifBanner->setGeometry(imgBanner->geometry());
  LoadBrandSettings();
  if (Brand.WelcomeText.empty()) Timer1->start();
  NewsList.clear();
  AffManager = std::make_unique<TAffManager>();
  LoadTemplates();
  ntbMain->setCurrentIndex(0);
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  PlaceOnScreen();
  FormShow();
  // Once the window is up, so the question has something to stand on.
  QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { OfferRecovery(); }); });
}

void TfrmMain::FormShow() {
  if (!Brand.WelcomeText.empty()) {
    BuildWelcomeScreen();
    pgsScreens->setCurrentWidget(stsWelcome);
    prfWelcome->setHtml(ToQString(Brand.WelcomeText));
    bsSkinButton1->setFocus();
  } else {
    pgsScreens->setCurrentWidget(stsMain);
  }
  if (pgsScreens->currentWidget() == stsMain) FocusWizardPage();
  FormResize();
}

void TfrmMain::FocusWizardPage() {
  // Typing should land in the title field, not on a toolbar button.
  if (ntbMain->currentIndex() == 0 && edtTitlePage) edtTitlePage->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::FormResize() {
  for (QLabel* banner : {imgBanner, gifBanner}) {
    banner->move(panBanner->width() / 2 - banner->width() / 2, panBanner->height() / 2 - banner->height() / 2);
  }
}

void TfrmMain::bsSkinButton1Click() {
  pgsScreens->setCurrentWidget(stsMain);
  FocusWizardPage();
  if (!Brand.WelcomeText.empty()) Timer1->start();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!MaybeSaveChanges()) {
    event->ignore();
    servicesClosing_ = false;  // the services heard of the close first; the window stays
    return;
  }
  FormClose();
  ProjectIsClean();  // the program ends normally: no recovery copy is left
  QMainWindow::closeEvent(event);
}

void TfrmMain::FormClose() {
  Timer1->stop();
  Http().Disconnect();
}

void TfrmMain::FormDestroy() {
  AffManager.reset();
  NewsList.clear();
}

}  // namespace velmora
