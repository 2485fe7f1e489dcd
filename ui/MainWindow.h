#pragma once
// The main window: a welcome screen and the wizard screen. The window holds
// the wizard's pages, the project, the ports and the way between the pages;
// each page keeps its own controls. What the window does is decided in the
// core and shown here; its code is spread over files by area (MainWindow*.cpp).

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Places.h"
#include "app/Ports.h"
#include "platform/QtPlaces.h"
#include "generator/OutputDelivery.h"
#include "publish/SecretStore.h"
#include "project/Project.h"
#include "project/ProjectEdit.h"
#include "project/PromoLists.h"
#include "project/Wizard.h"
#include "services/NewsBrowser.h"
#include "services/UpdateCheck.h"

class QAction;
class QDockWidget;
class QLabel;
class QListWidget;
class QMenu;
class QMovie;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class QToolButton;
class QUndoStack;

namespace velmora {

class FileDialogPort;
class FinishPage;
class PromoPage;
class PreviewPane;
class TemplatePage;
class FindingsList;
class TitlePage;
class RecoveryStore;
class WizardPage;
struct BrandAppearance;
struct Finding;
struct FindingPlace;

// What the window talks to. Anything left null gets the Qt implementation;
// tests hand in fakes and a program folder of their own.
struct MainWindowEnvironment {
  std::filesystem::path programFolder;  // empty: the program's own folder
  // Unset: a given programFolder is used as a portable copy; otherwise the
  // running program's places are located.
  std::optional<Places> places;
  MessagePort* messages = nullptr;
  ShellPort* shell = nullptr;
  ClipboardPort* clipboard = nullptr;
  HttpClient* http = nullptr;
  RandomSource* random = nullptr;
  FileDialogPort* dialogs = nullptr;
  SecretStore* secrets = nullptr;  // publishing passwords; unset: the desktop's keyring
  // Where unsaved work is kept against a crash; empty: the user's application data folder.
  std::string recoveryFolder;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

public:
  explicit MainWindow(MainWindowEnvironment environment = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The project as the wizard holds it now.
  const Project& CurrentProject() const { return project_; }
  // Puts a loaded project into the model and onto the pages.
  void ApplyLoadedProject(Project loaded);
  // Opens the project file once the window is shown (after any offer to
  // recover lost work), as "velmora FILE.set" and the file manager ask.
  void OpenAtStart(const QString& path) { openAtStart_ = path; }
  // Loads the project file, asking about unsaved changes first; false when
  // the user kept the current project or the file could not be loaded.
  bool OpenProject(const QString& path);
  // Selects the listed template matching `name` without regard to case, if any.
  void SelectTemplateAfterLoad(const std::string& name);
  // Sets the output name on the Finish page (and through it the project's).
  void SetOutputFileNameField(const std::string& name);
  // The folder the user chose (remembered per user), else the default one.
  std::filesystem::path OutputFolderChoice() const { return pageFolder_; }
  // Builds the wizard's pages after the first now, if they are not built
  // yet; the window does so itself once it has been painted the first time.
  void BuildAllPages() { Pages(); }

  MessagePort& Messages() const { return *messages_; }
  ShellPort& Shell() const { return *shell_; }
  ClipboardPort& Clipboard() const { return *clipboard_; }
  HttpClient& Http() const { return *http_; }
  RandomSource& Random() const { return *random_; }
  FileDialogPort& Dialogs() const { return *dialogs_; }

  // What the news timer, "Check News" and "Check Updates" do.
  void CheckNewsNow();
  void ShowNews();
  void CheckUpdates();
  // The news balloon under the news button.
  void ShowNewsHint(const std::string& text);

signals:
  // Anything the generated page depends on has changed.
  void ProjectChanged();

protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A project file dropped on the window is opened.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  // The wizard's pages after the first. Only the first is on the screen at
  // start-up, so the others are built after the first paint, or at once by
  // whatever needs them first: every use goes through Pages().
  struct WizardPages {
    TemplatePage* templates = nullptr;
    std::vector<PromoPage*> promos;  // in the order of the kinds
    FinishPage* finish = nullptr;
    std::vector<WizardPage*> all;  // every page, the first included, in the order of the steps
  };
  WizardPages& Pages();
  void BuildLaterPages();

  // Building the window (MainWindow.cpp).
  void BuildScreens();
  void BuildWelcomeScreen();
  QWidget* BuildToolbar();
  QWidget* BuildBanner();
  QWidget* BuildWizard();
  QWidget* BuildLinks();
  void AddPage(WizardPage* page, std::vector<WizardPage*>& pages);
  void PrepareWindow();
  void ShowFirstScreen();
  void StopServices();
  void FocusWizardPage();
  void CentreBanner();
  void LeaveWelcomeScreen();
  void ShowWelcomeScreen();  // the brand's welcome text, also on request

  // The way between the pages, the pages' requests, loading and saving (MainWindowProject.cpp).
  void ConnectWizard();
  void ConnectLaterPages(const WizardPages& pages);
  void ConnectPromoPage(PromoPage* page);
  void ListSteps();
  void ShowStepCaptions();  // with the items each step holds now
  void GoNext();
  void GoBack();
  void PageShown(int index);
  void ShowStep(int index);
  void ShowPage(QWidget* page);
  void LoadProject();
  bool LoadProjectFrom(const QString& path);
  // The project dialogs open here from now on, in later runs too.
  void UseProjectFolder(const QString& folder);
  QString openAtStart_;
  // Saves to the project's file, or asks for a name first when there is none
  // or `askForName`; true when the file was written.
  bool SaveProject(bool askForName);
  void CreatePromo(PromoPage& page);
  void UpdatePromo(PromoPage& page);
  void DeletePromo(PromoPage& page);
  void EditPromo(PromoPage& page);
  void MovePromo(PromoPage& page, int offset);
  void ShowPromo(PromoPage& page);
  PromoPage& PromoPageOf(PromoKind kind);
  // Anything on a page the project holds was changed: the preview follows
  // and the project is marked.
  void ProjectEdited();

  // The undo history and drops (MainWindowUndo.cpp). Every change the
  // user makes to the project goes through the history.
  void BuildEditCommands();
  // The user changed a field: one undo step per field while typing goes on.
  void EditField(ProjectField field, std::string value);
  // An undone or redone field change: the page shows the project's value.
  void ShowField(ProjectField field);
  void PushItemEdits(std::vector<ItemEdit> edits);
  void ShowItemEdit(const ItemEdit& made, int row, bool first);
  void AddPromos(PromoPage& page, const std::vector<PromoInput>& inputs);
  void DragPromo(PromoPage& page, int from, int to);
  // Several lines pasted into a one-line input: true when added as items.
  bool TakePastedLines(PromoPage& page, const std::vector<std::string>& lines);
  // A loaded, restored or new project starts a history of its own.
  void ForgetHistory();
  // A page's one-line fields take the window's undo keys; file drags pass through them.
  void TakeEditKeys(QWidget* page);

  // Template and output (MainWindowOutput.cpp).
  void LoadTemplates();  // fills the template list and selects the first
  void TemplateChosen();
  void ShowPageFolder(const std::filesystem::path& folder);
  void ChangeOutputFolder();
  void DeliverPage();
  void OpenSavedPage();
  // "Publish…": the page check first, then the publish dialog.
  void OpenPublishDialog();

  // The page check (MainWindowFindings.cpp).
  // Checks the page "Generate Code" made (none: nothing to show) and lists what it found.
  // `pictures`: the local banners copied beside a saved page, which it shows at their copies.
  void CheckGeneratedPage(const std::optional<std::string>& page, const std::string& templateName,
                          const std::vector<PagePicture>& pictures = {});
  // The wizard page of a finding's place, with its item selected.
  void GoToFinding(const Finding& finding);
  // Keeps a finding's mark in the project and shows it in every list.
  void MarkFindingIntended(const std::string& key, bool intended);
  // The Finish page's list, wired; the preview's list with its panel.
  void ConnectFindings(FinishPage& page);
  void ConnectPreviewFindings(QDockWidget* panel);

  // The live preview beside the wizard, made on first use (MainWindowPreview.cpp).
  void TogglePreview(bool show);

  // Brand (MainWindowBrand.cpp): reads the brand file and dresses the window.
  void LoadBrandSettings();
  void ShowBanner(const BrandAppearance& look);
  void ShowStillBanner(const BrandAppearance& look);
  void ShowAnimatedBanner(const BrandAppearance& look);
  void ApplySkinAndIcon();
  void ShowAbout();

  // Services (MainWindowServices.cpp).
  void ConnectServices();  // news, updates, help, "Make Money", banner, links, the news timer
  void OpenHelp();
  void OpenMakeMoneyPage();
  void OpenBannerAddress();
  std::unique_ptr<HttpClient> CreateHttpClient();
  // Messages of the services, silenced once the window is closing.
  MessagePort& ServiceMessages();
  void RunUpdateCheck(bool quiet);
  void OpenNewsWindow();

  // Project commands, unsaved changes and crash recovery (MainWindowFile.cpp).
  // Any change to the project: the title shows the mark, and a recovery copy follows.
  void MarkModified();
  // Asks about unsaved changes; true when the caller may go on (saved or discarded).
  bool MaybeSaveChanges();
  void NewProject();
  // Offers work left by an instance that ended without cleaning up.
  void OfferRecovery();
  void BuildFileCommands();  // the File menu and its shortcuts
  void ListRecentProjects();  // fills "Open Recent" as it opens
  void StopWatchingChanges();
  void UpdateWindowTitle();
  void WriteRecovery();
  // After a save, a load or a new project: no mark, no recovery copy.
  void ProjectIsClean();
  std::string ProjectDisplayName() const;

  // The window as a desktop window (MainWindowDesktop.cpp).
  void ApplyWindowBehaviour();
  // Every built page usable; called again once the later pages are built.
  void FitMinimumSize();
  QSize RoomOnScreen() const;  // the screen's room for the window, less its frame
  void PlaceOnScreen();  // where the user left it, else centred at a comfortable size
  void RestoreWindowState();  // the size and place the user left it at
  void RestorePreviewState();  // once shown: the preview as it was left
  void RememberWindow();

  // Values the window owns for the whole run.
  Places places_;              // where what ships lies and what the user makes goes
  std::filesystem::path programFolder_;
  BrandSettings brand_;
  std::vector<std::string> newsList_;
  Project project_;
  Wizard wizard_;      // the current page and the Back/Next rules
  PromoBoard promos_;  // the list boxes' entries, in step with the promo lists

  // Screens.
  QStackedWidget* screens_ = nullptr;
  QWidget* welcomeScreen_ = nullptr;  // made only when there is a welcome page
  QWidget* wizardScreen_ = nullptr;
  QTextBrowser* welcomeText_ = nullptr;
  QPushButton* welcomeDone_ = nullptr;

  // Toolbar.
  QPushButton* loadButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* makeMoneyButton_ = nullptr;
  QPushButton* aboutButton_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  QToolButton* newsButton_ = nullptr;
  QToolButton* updateButton_ = nullptr;
  QToolButton* helpButton_ = nullptr;

  // Banner area: a still picture and an animated one on top of each other.
  QWidget* bannerArea_ = nullptr;
  QLabel* stillBanner_ = nullptr;
  QLabel* animatedBanner_ = nullptr;
  QMovie* bannerMovie_ = nullptr;

  // The wizard.
  QListWidget* stepList_ = nullptr;  // the steps beside the pages
  QStackedWidget* pageStack_ = nullptr;
  TitlePage* titlePage_ = nullptr;       // the first page, built with the window
  std::optional<WizardPages> laterPages_;  // only through Pages()
  bool buildPagesPosted_ = false;  // the first paint has asked for the later pages
  QPushButton* backButton_ = nullptr;
  QPushButton* nextButton_ = nullptr;

  // The brand's links under the wizard.
  QWidget* linksArea_ = nullptr;
  QLabel* leftLink_ = nullptr;
  QLabel* rightLink_ = nullptr;
  std::string leftLinkAddress_;
  std::string rightLinkAddress_;

  // Loading and saving.
  QMenu* fileMenu_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QString projectFolder_;  // where the project dialogs open next
  QString projectPath_;               // the project's file once it was saved or loaded
  std::string lastSavedPage_;         // the page saved last in this run
  std::filesystem::path pageFolder_;  // where "Save as web page" puts the page

  // The live preview.
  QPointer<QDockWidget> previewPanel_;
  PreviewPane* previewPane_ = nullptr;
  bool restoringPreview_ = false;  // opened as it was left: the window keeps its size
  FindingsList* previewFindings_ = nullptr;

  // Services.
  QTimer* newsTimer_ = nullptr;   // the first news and update check, a moment after start-up
  QPointer<QWidget> newsHint_;    // the news balloon while it shows
  QPointer<QWidget> newsWindow_;  // the news window while it is open
  std::unique_ptr<MessagePort> serviceMessages_;
  bool servicesClosing_ = false;
  bool newsChecked_ = false;  // the first news check is started once, after any welcome

  // Unsaved changes and crash recovery.
  std::unique_ptr<RecoveryStore> recovery_;
  QTimer* recoveryTimer_ = nullptr;
  QString appTitle_;               // the title the brand gives the window
  QString recoveryFolder_;         // empty: the user's application data folder
  bool replacingProject_ = false;  // a load, restore or new project is not an edit
  // The project as its file holds it; none after a restore, whose file is older than the work.
  std::optional<Project> savedProject_;

  // Undo and redo.
  QUndoStack* undo_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  bool showingHistory_ = false;  // the pages show an undone or redone change, which is no new edit

  bool shown_ = false;
  WindowState remembered_;  // the window as the user left it last time

  std::unique_ptr<MessagePort> ownMessages_;
  std::unique_ptr<ShellPort> ownShell_;
  std::unique_ptr<ClipboardPort> ownClipboard_;
  std::unique_ptr<HttpClient> ownHttp_;
  std::unique_ptr<RandomSource> ownRandom_;
  std::unique_ptr<FileDialogPort> ownDialogs_;
  std::unique_ptr<SecretStore> ownSecrets_;
  MessagePort* messages_ = nullptr;
  ShellPort* shell_ = nullptr;
  ClipboardPort* clipboard_ = nullptr;
  HttpClient* http_ = nullptr;
  RandomSource* random_ = nullptr;
  FileDialogPort* dialogs_ = nullptr;
  SecretStore* secrets_ = nullptr;
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
