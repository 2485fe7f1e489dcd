#include "platform/QtPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/FileIO.h"
#include "app/RecentProjects.h"
#include "platform/QtText.h"

namespace velmora {

namespace {

std::filesystem::path Location(QStandardPaths::StandardLocation location, bool ownFolder) {
  const QString folder = QStandardPaths::writableLocation(location);
  if (folder.isEmpty()) return {};
  std::filesystem::path path = ToPath(folder);
  // Named here rather than through the application's name, so that the
  // window and velmora-tool agree without setting it alike.
  return ownFolder ? path / kUserFolderName : path;
}

const QString kOutputFolderKey = QStringLiteral("Output/Folder");

QSettings UserSettings(const Places& places) {
  return QSettings(FromPath(places.UserSettingsFile()), QSettings::IniFormat);
}

// For writing: QSettings would make a missing folder readable by all.
QSettings WritableUserSettings(const Places& places) {
  MakePrivateFolders(places.UserSettingsFile().parent_path());
  return UserSettings(places);
}

QString FolderKey(DialogFolder use) {
  return use == DialogFolder::Projects ? QStringLiteral("Folders/Projects") : QStringLiteral("Folders/Pictures");
}

const QString kRecentProjectsKey = QStringLiteral("Projects/Recent");

std::vector<std::string> ToStrings(const QStringList& list) {
  std::vector<std::string> strings;
  for (const QString& entry : list) strings.push_back(FromQString(entry));
  return strings;
}

QStringList ToStringList(const std::vector<std::string>& strings) {
  QStringList list;
  for (const std::string& entry : strings) list << ToQString(entry);
  return list;
}

}  // namespace

UserFolders StandardUserFolders() {
  return {Location(QStandardPaths::DocumentsLocation, false), Location(QStandardPaths::GenericConfigLocation, true),
          Location(QStandardPaths::GenericDataLocation, true), Location(QStandardPaths::GenericCacheLocation, true)};
}

Places LocatePlaces(const std::string& programFolder) {
  return Places::Locate(programFolder.empty() ? RunningProgramFolder() : std::filesystem::path(programFolder), StandardUserFolders());
}

std::filesystem::path ChosenOutputFolder(const Places& places) {
  const QString chosen = UserSettings(places).value(kOutputFolderKey).toString();
  if (chosen.isEmpty()) return places.OutputFolder();
  return ToPath(chosen);
}

bool RememberOutputFolder(const Places& places, const std::filesystem::path& folder) {
  QSettings settings = WritableUserSettings(places);
  settings.setValue(kOutputFolderKey, FromPath(folder));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

QString RememberedFolder(const Places& places, DialogFolder use, const QString& fallback) {
  const QString folder = UserSettings(places).value(FolderKey(use)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

void RememberFolder(const Places& places, DialogFolder use, const QString& folder) {
  if (folder.isEmpty()) return;
  WritableUserSettings(places).setValue(FolderKey(use), QDir::cleanPath(folder));
}

QStringList RecentProjects(const Places& places) {
  const auto stored = ToStrings(UserSettings(places).value(kRecentProjectsKey).toStringList());
  return ToStringList(
      PrunedRecentProjects(stored, [](const std::string& path) { return QFileInfo(ToQString(path)).isFile(); }));
}

void RememberRecentProject(const Places& places, const QString& path) {
  QSettings settings = WritableUserSettings(places);
  const auto stored = ToStrings(settings.value(kRecentProjectsKey).toStringList());
  settings.setValue(kRecentProjectsKey, ToStringList(WithRecentProject(stored, FromQString(QDir::cleanPath(path)))));
}

void ForgetRecentProjects(const Places& places) { WritableUserSettings(places).remove(kRecentProjectsKey); }

WindowState RememberedWindowState(const Places& places) {
  const QSettings settings = UserSettings(places);
  WindowState state;
  state.geometry = settings.value(QStringLiteral("Window/Geometry")).toByteArray();
  state.docks = settings.value(QStringLiteral("Window/Docks")).toByteArray();
  state.previewOpen = settings.value(QStringLiteral("Window/PreviewOpen"), false).toBool();
  state.previewWidth = settings.value(QStringLiteral("Window/PreviewWidth"), 0).toInt();
  state.showWelcome = settings.value(QStringLiteral("Window/ShowWelcome"), true).toBool();
  return state;
}

void RememberWindowState(const Places& places, const WindowState& state) {
  QSettings settings = WritableUserSettings(places);
  settings.setValue(QStringLiteral("Window/Geometry"), state.geometry);
  settings.setValue(QStringLiteral("Window/Docks"), state.docks);
  settings.setValue(QStringLiteral("Window/PreviewOpen"), state.previewOpen);
  settings.setValue(QStringLiteral("Window/PreviewWidth"), state.previewWidth);
}

void RememberShowWelcome(const Places& places, bool show) {
  WritableUserSettings(places).setValue(QStringLiteral("Window/ShowWelcome"), show);
}

}  // namespace velmora
