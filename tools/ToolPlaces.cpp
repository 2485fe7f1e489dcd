#include "tools/ToolPlaces.h"

#include "generator/TemplateCatalogue.h"

#ifdef VELMORA_TOOL_HAS_QT
#include "platform/QtPlaces.h"
#else
#include <cstdlib>
#endif

namespace velmora::tool {

namespace {

#ifndef VELMORA_TOOL_HAS_QT
// A build without Qt follows the XDG defaults by hand.
std::filesystem::path FromEnvironment(const char* variable, const char* fallbackBelowHome) {
  if (const char* value = std::getenv(variable); value && *value) return value;
  const char* home = std::getenv("HOME");
  return home && *home ? std::filesystem::path(home) / fallbackBelowHome : std::filesystem::path();
}

std::filesystem::path OwnFolder(const std::filesystem::path& base) {
  return base.empty() ? base : base / kUserFolderName;
}

UserFolders StandardUserFolders() {
  return {FromEnvironment("XDG_DOCUMENTS_DIR", "Documents"), OwnFolder(FromEnvironment("XDG_CONFIG_HOME", ".config")),
          OwnFolder(FromEnvironment("XDG_DATA_HOME", ".local/share")),
          OwnFolder(FromEnvironment("XDG_CACHE_HOME", ".cache"))};
}
#endif

}  // namespace

Places ToolPlaces(const ParsedArgs& parsed) {
  const auto folder = parsed.Option("--program-folder");
  if (folder && folder->empty()) throw UsageError("--program-folder needs a folder");
  return Places::Locate(folder ? std::filesystem::path(*folder) : RunningProgramFolder(), StandardUserFolders());
}

std::filesystem::path ToolOutputFolder(const Places& places) {
#ifdef VELMORA_TOOL_HAS_QT
  return ChosenOutputFolder(places);
#else
  return places.OutputFolder();
#endif
}

std::string ToolTemplateName(const ParsedArgs& parsed, const Places& places, const Project& project) {
  if (auto chosen = parsed.Option("--template")) return *chosen;
  // A template the project names is used or said missing, never swapped for another.
  if (!project.Template.empty()) return project.Template;
  return TemplateAfterLoad(ListTemplates(places.TemplateFolders()), project.Template);
}

}  // namespace velmora::tool
