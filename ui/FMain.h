#pragma once
// The main window: a welcome screen and the wizard screen. The window is
// thin; what it does is decided in the core and shown here. Its handlers
// are spread over feature files (FMain*.cpp), one per area.

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/BrandSettings.h"
#include "app/Ports.h"
#include "project/AffManager.h"

class QComboBox;
class QGroupBox;
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

// What the window talks to. Anything left null gets the Qt implementation;
// tests hand in fakes and a program folder of their own.
struct MainWindowEnvironment {
  std::string programFolder;  // with a trailing separator; empty: the program's own folder
  MessagePort* messages = nullptr;
  ShellPort* shell = nullptr;
  ClipboardPort* clipboard = nullptr;
  HttpClient* http = nullptr;
  RandomSource* random = nullptr;
  FileDialogPort* dialogs = nullptr;
};

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMain(MainWindowEnvironment environment = {}, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Values the window owns for the whole run.
  std::string ProgramFolder;  // ends in a path separator
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
  QWidget* stsWelcome = nullptr;  // destroyed when there is no welcome page
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
  // --- end project pages ---

  // --- template and output pages (FMainOutput.cpp) ---
  // --- end template and output pages ---

  // --- brand (FMainBrand.cpp) ---
  // --- end brand ---

  // --- services (FMainServices.cpp) ---
  // --- end services ---

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
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildScreens();
  QWidget* BuildToolbar();
  QWidget* BuildBanner();
  QWidget* BuildWizard();
  QWidget* BuildLinks();
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  // Feature files.
  void BuildProjectPages();  // pages 0 and 2-9, wizard buttons, load and save
  void BuildOutputPages();   // pages 1 and 10
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
};

}  // namespace velmora
