#include "ui/Modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace velmora {

namespace {

QString& ModuleFolder() {
  static QString folder;
  return folder;
}

}  // namespace

void SetModuleFolder(const QString& folder) { ModuleFolder() = folder; }

QString ModulePath(const char* file) {
  const QString folder = ModuleFolder().isEmpty() ? QCoreApplication::applicationDirPath() : ModuleFolder();
  return QDir(folder).filePath(QStringLiteral("plugins/") + QString::fromLatin1(file));
}

void (*ResolveModuleFunction(const char* file, const char* symbol, QString* error))() {
  QLibrary module(ModulePath(file));
  // Unloading is not safe once its code has run: threads and static objects may remain.
  module.setLoadHints(QLibrary::PreventUnloadHint);
  auto function = module.resolve(symbol);
  if (!function && error) *error = module.errorString();
  return function;
}

}  // namespace velmora
