#pragma once
// The desktop's per-user folders, as Qt knows them, for the core's Places.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>

#include "app/Places.h"

namespace velmora {

// Documents, and this program's configuration, data and cache folders.
UserFolders StandardUserFolders();

// The running program's places: `programFolder` when given (tests, the
// tool's --program-folder), else the running program's own folder.
Places LocatePlaces(const std::string& programFolder = {});

// Where "Save as web page" puts pages: the folder the user chose on the
// Finish page, remembered in the user's settings, else the default one.
std::filesystem::path ChosenOutputFolder(const Places& places);
// Remembers the user's choice; false when the settings could not be written.
bool RememberOutputFolder(const Places& places, const std::filesystem::path& folder);

// The folders the file dialogs opened last, by what they are used for.
enum class DialogFolder { Projects, Pictures };
// The folder a dialog of this use last opened in, or `fallback` when none is
// remembered or it is gone.
QString RememberedFolder(const Places& places, DialogFolder use, const QString& fallback);
void RememberFolder(const Places& places, DialogFolder use, const QString& folder);

// The recently used projects, newest first, the missing ones left out.
QStringList RecentProjects(const Places& places);
void RememberRecentProject(const Places& places, const QString& path);
void ForgetRecentProjects(const Places& places);

// The main window as the user left it: its geometry and docks, and whether
// the preview was open.
struct WindowState {
  QByteArray geometry;
  QByteArray docks;
  bool previewOpen = false;
  int previewWidth = 0;  // the preview's page width in CSS pixels; 0: unknown
  bool showWelcome = true;  // written only by RememberShowWelcome
};
WindowState RememberedWindowState(const Places& places);
void RememberWindowState(const Places& places, const WindowState& state);
// Only the welcome choice, which the welcome screen changes on its own.
void RememberShowWelcome(const Places& places, bool show);

}  // namespace velmora
