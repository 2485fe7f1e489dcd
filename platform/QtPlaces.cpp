#include "platform/QtPlaces.h"

#include <QFile>
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

}  // namespace

UserFolders StandardUserFolders() {
  return {Location(QStandardPaths::DocumentsLocation, false), Location(QStandardPaths::GenericConfigLocation, true),
          Location(QStandardPaths::GenericDataLocation, true), Location(QStandardPaths::GenericCacheLocation, true)};
}

Places LocatePlaces(const std::string& programFolder) {
  return Places::Locate(programFolder.empty() ? RunningProgramFolder() : programFolder, StandardUserFolders());
}

}  // namespace velmora
