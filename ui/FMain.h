#pragma once
// The main window: a welcome screen and the wizard screen. The window is
// thin; what it does is decided in the core and shown here. Its handlers
// are spread over feature files (FMain*.cpp), one per area.

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Places.h"
#include "app/Ports.h"
#include "project/AffManager.h"
#include "project/PromoLists.h"
#include "project/Wizard.h"
#include "services/NewsBrowser.h"
#include "services/UpdateCheck.h"

class QComboBox;
class QDockWidget;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMovie;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace velmora {

class FileDialogPort;
class TBannerPreview;
class TFindingsList;
struct FindingPlace;
class RecoveryStore;

// What the window talks to. Anything left null gets the Qt implementation;
// tests hand in fakes and a program folder of their own.
struct MainWindowEnvironment {
  std::string programFolder;  // with a trailing separator; empty: the program's own folder
  // Unset: a given programFolder is used as a portable copy; otherwise the
  // running program's places are located.
  std::optional<Places> places;
  MessagePort* messages = nullptr;
  ShellPort* shell = nullptr;
  ClipboardPort* clipboard = nullptr;
  HttpClient* http = nullptr;
  RandomSource* random = nullptr;
  FileDialogPort* dialogs = nullptr;
  // Where unsaved work is kept against a crash; empty: the user's application data folder.
  std::string recoveryFolder;
};

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMain(MainWindowEnvironment environment = {}, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Values the window owns for the whole run.
  std::string ProgramFolder;  // ends in a path separator
  Places Where;               // where what ships lies and what the user makes goes
  std::vector<std::string> NewsList;
  BrandSettings Brand;
  std::unique_ptr<TAffManager> AffManager;
  QTimer* Timer1 = nullptr;

  MessagePort& Messages() const { return *messages_; }
  ShellPort& Shell() const { return *shell_; }
  ClipboardPort& Clipboard() const { return *clipboard_; }
  HttpClient& Http() const { return *http_; }
  RandomSource& Random() const { return *random_; }
  FileDialogPort& Dialogs() const { return *dialogs_; }

  // Screens.
  QStackedWidget* pgsScreens = nullptr;
  QWidget* stsWelcome = nullptr;  // made only when there is a welcome page
  QWidget* stsMain = nullptr;
  QTextBrowser* prfWelcome = nullptr;
  QPushButton* bsSkinButton1 = nullptr;

  // Toolbar.
  QPushButton* btnLoad = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnMakeMoney = nullptr;
  QPushButton* btnAbout = nullptr;
  QToolButton* btnNews = nullptr;
  QToolButton* btnUpdate = nullptr;
  QToolButton* btnHelp = nullptr;

  // Banner area: a still picture and an animated one on top of each other.
  QWidget* panBanner = nullptr;
  QLabel* imgBanner = nullptr;
  QLabel* gifBanner = nullptr;
  QMovie* gifBannerMovie = nullptr;

  // Wizard.
  QStackedWidget* ntbMain = nullptr;
  QPushButton* btnBack = nullptr;
  QPushButton* btnNext = nullptr;

  // Link area.
  QWidget* panLinks = nullptr;
  QLabel* lblLink1URL = nullptr;
  QLabel* lblLink2URL = nullptr;
  std::string Link1Address;
  std::string Link2Address;

  // --- project pages (FMainProject.cpp) ---
  TWizard Wizard;       // the current page and the Back/Next rules
  TPromoBoard Promos;   // the list boxes' entries, in step with the promo lists

  // Page 0.
  QLineEdit* edtTitlePage = nullptr;
  QLineEdit* edtAffiliateURL = nullptr;
  QLineEdit* edtClickbankID = nullptr;  // hidden: only a project load fills it
  QLabel* lblClickbankID = nullptr;
  QLabel* lblClickbankOptional = nullptr;
  // Pages 2-9: inputs, "Create Ad"/"Delete Ad", list box, detail view.
  QLineEdit* edtAchorText = nullptr;
  QPushButton* btnCreateLinkPromo = nullptr;
  QPushButton* btnDeleteLinkPromo = nullptr;
  QListWidget* lbxLinkPromo = nullptr;
  QLineEdit* edtPPCTitle = nullptr;
  QPlainTextEdit* memPPCBody = nullptr;
  QLineEdit* edtPPCLink = nullptr;
  QPushButton* btnCreateProm = nullptr;
  QPushButton* btnDeleteProm = nullptr;
  QListWidget* lbxPPCAds = nullptr;
  QPlainTextEdit* memPPCDetails = nullptr;
  QLineEdit* edtImageUrl = nullptr;
  QPushButton* btnBrowseImage = nullptr;
  QPushButton* btnCreateImageUrl = nullptr;
  QPushButton* btnDeleteImageUrl = nullptr;
  QListWidget* lbxBanners = nullptr;
  TBannerPreview* EmbeddedWB1 = nullptr;
  QPlainTextEdit* memSignature = nullptr;
  QPushButton* btnAddSignature = nullptr;
  QPushButton* btnDeleteSignature = nullptr;
  QListWidget* lbxSignatures = nullptr;
  QPlainTextEdit* memSignatureDetails = nullptr;
  QPlainTextEdit* memEmail = nullptr;
  QPushButton* btnCreateEmail = nullptr;
  QPushButton* btnDeleteEmail = nullptr;
  QListWidget* lbxEmails = nullptr;
  QPlainTextEdit* memEmailDetails = nullptr;
  QPlainTextEdit* memAutoEmail = nullptr;
  QPushButton* btnCreateAutoEmail = nullptr;
  QPushButton* btnDeleteAutoEmail = nullptr;
  QListWidget* lbxAutoEmail = nullptr;
  QPlainTextEdit* memAutoEmailDetails = nullptr;
  QPlainTextEdit* memArticle = nullptr;
  QPushButton* btnCreateArticle = nullptr;
  QPushButton* btnDeleteArticle = nullptr;
  QListWidget* lbxArticles = nullptr;
  QPlainTextEdit* memArticleDetails = nullptr;
  QPlainTextEdit* memPopUp = nullptr;
  QPushButton* btnCreatePopUp = nullptr;
  QPushButton* btnDeletePopUp = nullptr;
  QListWidget* lbxPopups = nullptr;
  QPlainTextEdit* memPopUpDetails = nullptr;

  void btnNextClick();
  void btnBackClick();
  void ntbMainPageChanged(int index);
  void btnLoadClick();
  void btnSaveClick();
  void btnBrowseImageClick();
  // "Create Ad", "Delete Ad" and a click on a list entry, for every promo page.
  void CreatePromo(PromoKind kind);
  void DeletePromo(PromoKind kind);
  void ShowPromo(PromoKind kind);
  // Puts a loaded project into the model, the fields and the list boxes.
  void ApplyLoadedProject(TAffManager loaded);

  // --- editing promos in place (FMainEdit.cpp) ---
  // "Edit Ad" (or a double click): the selected item goes back into the inputs.
  void EditPromo(PromoKind kind);
  // "Update Ad": replaces the edited item after the checks of "Create Ad".
  void UpdatePromo(PromoKind kind);
  // Escape: the inputs get back what they held before "Edit Ad"; nothing is stored.
  void CancelEditPromo(PromoKind kind);
  // "Move Up" (-1) and "Move Down" (+1).
  void MovePromo(PromoKind kind, int offset);
  // The input that takes typing first on a promo page.
  QWidget* FirstPromoInput(PromoKind kind) const;
  bool EditingPromo(PromoKind kind) const { return promoPages_[static_cast<std::size_t>(kind)].editingRow >= 0; }
  // The preview beside the wizard; created on first use.
  void TogglePreview(bool show);
  QPushButton* btnPreview = nullptr;
  QPointer<QDockWidget> dckPreview;

signals:
  // Anything the generated page depends on has changed.
  void ProjectChanged();

public:
  // --- end editing ---

private:
  struct PromoPage {
    QListWidget* list = nullptr;
    QPlainTextEdit* details = nullptr;  // none for anchors and banners
    QPushButton* create = nullptr;      // reads "Update Ad" while an item is edited
    QPushButton* edit = nullptr;
    QPushButton* moveUp = nullptr;
    QPushButton* moveDown = nullptr;
    int editingRow = -1;       // the item in the inputs, -1 while creating
    PromoInput inputsBefore;   // what Escape puts back
  };
  PromoPage& PageOf(PromoKind kind);
  PromoInput PromoInputOf(PromoKind kind) const;
  void RefillListBox(PromoKind kind);
  // FMainEdit.cpp: the edit and move buttons, keys and the change watch.
  void AddEditControls(PromoKind kind, QWidget* page, QHBoxLayout* buttons, std::vector<QWidget*>& tabOrder);
  void SetPromoInput(PromoKind kind, const PromoInput& input);
  void LeaveEditing(PromoKind kind);
  void PromoRemoved(PromoKind kind, int row);
  void WatchProjectChanges();
  void BuildWelcomePage();
  void BuildPromoPage(PromoKind kind);
  std::array<PromoPage, kPromoKinds.size()> promoPages_;
  QString loadFolder_;  // where each dialog opens next
  QString saveFolder_;
  QString pictureFolder_;
  bool applyingProject_ = false;  // field bindings stand still while a load sets the fields

public:
  // --- end project pages ---

  // --- template and output pages (FMainOutput.cpp) ---
  QComboBox* cbxTemplates = nullptr;
  QGroupBox* grpPreview = nullptr;
  QWidget* panPreview = nullptr;  // the 398 by 266 area inside the "Preview" frame
  QLabel* Image1 = nullptr;
  QLineEdit* edtFilename = nullptr;
  QRadioButton* rbtSaveWeb = nullptr;
  QRadioButton* rbtClipboard = nullptr;
  QPushButton* btnFinish = nullptr;
  QPushButton* btnOpenInBrowser = nullptr;
  QLabel* lblOutputFolder = nullptr;  // where "Save as web page" puts the page, shortened to fit
  QPushButton* btnChangeOutputFolder = nullptr;
  std::string LastSavedPage;  // the page saved last in this run
  std::filesystem::path PageFolder;  // where "Save as web page" puts the page

  void cbxTemplatesChange();
  void edtFilenameChange();
  void btnFinishClick();
  void btnOpenInBrowserClick();
  void btnChangeOutputFolderClick();
  // The folder the user chose (remembered per user), else the default one.
  std::filesystem::path OutputFolderChoice() const { return PageFolder; }
  // --- end template and output pages ---

  // --- page check (FMainFindings.cpp) ---
  TFindingsList* panFindings = nullptr;  // on the Finish page, under "Generate Code"
  TFindingsList* panPreviewFindings = nullptr;  // under the live preview, once it is first shown
  // Checks the page "Generate Code" made (none: nothing to show) and lists what it found.
  void CheckGeneratedPage(const std::optional<std::string>& page, const std::string& templateName);
  // The wizard page of a finding's place, with its item selected.
  void GoToFinding(const FindingPlace& place);
  // --- end page check ---

  // --- brand (FMainBrand.cpp) ---
  // --- end brand ---

  // --- services (FMainServices.cpp) ---
  void Timer1Timer();
  void btnNewsClick();
  void btnUpdateClick();
  void btnHelpClick();
  void btnMakeMoneyClick();
  void imgBannerClick();
  void gifBannerClick();
  void ShowNewsHint(const std::string& text);
  QPointer<QWidget> LMDMessageHint1;  // the news balloon while it shows
  QPointer<QWidget> frmNews;          // the news window while it is open

private:
  // Messages of the services, silenced once the window is closing.
  MessagePort& ServiceMessages();
  void RunUpdateCheck(bool quiet);
  void OpenNewsWindow();
  std::unique_ptr<MessagePort> serviceMessages_;
  bool servicesClosing_ = false;

public:
  // --- end services ---

  // --- project commands, unsaved changes and crash recovery (FMainFile.cpp) ---
  QString ProjectPath;  // the project's file once it was saved or loaded
  // Any change to the project: the title shows the mark, and a recovery copy follows.
  void MarkModified();
  // Asks about unsaved changes; true when the caller may go on (saved or discarded).
  bool MaybeSaveChanges();
  // Saves to the project's file, or asks for a name first when there is none
  // or `askForName`; true when the file was written.
  bool SaveProject(bool askForName);
  void NewProject();
  // Offers work left by an instance that ended without cleaning up.
  void OfferRecovery();

private:
  void BuildFileCommands();
  void StopWatchingChanges();
  void UpdateWindowTitle();
  void WriteRecovery();
  // After a save, a load or a new project: no mark, no recovery copy.
  void ProjectIsClean();
  std::string ProjectDisplayName() const;
  std::unique_ptr<RecoveryStore> recovery_;
  QTimer* recoveryTimer_ = nullptr;
  QObject* changeWatcher_ = nullptr;  // context of the change-tracking connections
  QString appTitle_;          // the title the brand gives the window
  QString recoveryFolder_;    // empty: the user's application data folder
  bool replacingProject_ = false;  // a load, restore or new project is not an edit

public:
  // --- end project commands ---

  // Called by a project load (FMainProject.cpp), defined by FMainOutput.cpp:
  // selects the listed template matching `name` without regard to case, if any.
  void SelectTemplateAfterLoad(const std::string& name);
  // Sets the output-name field (and through its binding the model's FileName).
  void SetOutputFileNameField(const std::string& name);

  static constexpr int kPageCount = 11;
  // The wizard page at `index` and the layout its contents go into.
  QWidget* Page(int index) const;
  QVBoxLayout* PageLayout(int index) const;

  void FormResize();
  void bsSkinButton1Click();

protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildScreens();
  void BuildWelcomeScreen();
  QWidget* BuildToolbar();
  QWidget* BuildBanner();
  QWidget* BuildWizard();
  QWidget* BuildLinks();
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();
  void FocusWizardPage();
  // FMainWindow.cpp.
  void ApplyWindowBehaviour();
  void FitMinimumSize();
  void PlaceOnScreen();

  // Feature files.
  void BuildProjectPages();  // pages 0 and 2-9, wizard buttons, load and save
  void BuildOutputPages();   // pages 1 and 10
  void ShowPageFolder(const std::filesystem::path& folder);
  void BuildFindingsList(QVBoxLayout* layout);
  void LoadTemplates();      // fills the template list and selects the first
  void LoadBrandSettings();  // reads the brand file and dresses the window
  void ConnectServices();    // news, updates, help, "Make Money", banner, links, Timer1
  std::unique_ptr<HttpClient> CreateHttpClient();

  bool shown_ = false;
  std::vector<QWidget*> pages_;

  std::unique_ptr<MessagePort> ownMessages_;
  std::unique_ptr<ShellPort> ownShell_;
  std::unique_ptr<ClipboardPort> ownClipboard_;
  std::unique_ptr<HttpClient> ownHttp_;
  std::unique_ptr<RandomSource> ownRandom_;
  std::unique_ptr<FileDialogPort> ownDialogs_;
  MessagePort* messages_ = nullptr;
  ShellPort* shell_ = nullptr;
  ClipboardPort* clipboard_ = nullptr;
  HttpClient* http_ = nullptr;
  RandomSource* random_ = nullptr;
  FileDialogPort* dialogs_ = nullptr;
  std::unique_ptr<NewsCheck> newsCheck_;
  std::unique_ptr<UpdateChecker> updateCheck_;
  // Declared last, so it goes first: requests still in flight end, cancelled,
  // while everything their continuations use is still here.
  struct EndRequestsFirst {
    HttpClient* http = nullptr;
    ~EndRequestsFirst() {
      if (http) http->Disconnect();
    }
  } endRequests_;
};

}  // namespace velmora
