#include "platform/QtPlaces.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace velmora {

namespace {

std::filesystem::path Location(QStandardPaths::StandardLocation location, bool ownFolder) {
  const QString folder = QStandardPaths::writableLocation(location);
  if (folder.isEmpty()) return {};
  std::filesystem::path path(QFile::encodeName(folder).toStdString());
  // Named here rather than through the application's name, so that the
  // window and velmora-tool agree without setting it alike.
  return ownFolder ? path / kUserFolderName : path;
}

const QString kOutputFolderKey = QStringLiteral("Output/Folder");

QString FromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

QSettings UserSettings(const Places& places) {
  return QSettings(FromPath(places.UserSettingsFile()), QSettings::IniFormat);
}

}  // namespace

UserFolders StandardUserFolders() {
  return {Location(QStandardPaths::DocumentsLocation, false), Location(QStandardPaths::GenericConfigLocation, true),
          Location(QStandardPaths::GenericDataLocation, true), Location(QStandardPaths::GenericCacheLocation, true)};
}

Places LocatePlaces(const std::string& programFolder) {
  return Places::Locate(programFolder.empty() ? RunningProgramFolder() : programFolder, StandardUserFolders());
}

std::filesystem::path ChosenOutputFolder(const Places& places) {
  const QString chosen = UserSettings(places).value(kOutputFolderKey).toString();
  if (chosen.isEmpty()) return places.OutputFolder();
  return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

bool RememberOutputFolder(const Places& places, const std::filesystem::path& folder) {
  QSettings settings = UserSettings(places);
  settings.setValue(kOutputFolderKey, FromPath(folder));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace velmora
