#include "platform/QtPlaces.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "app/FileIO.h"
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
  MakePrivateFolders(places.UserSettingsFile().parent_path());  // else QSettings makes it readable by all
  QSettings settings = UserSettings(places);
  settings.setValue(kOutputFolderKey, FromPath(folder));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace velmora
