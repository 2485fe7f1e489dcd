#include "tools/ToolPlaces.h"

#include "app/DesktopFolders.h"
#include "generator/TemplateCatalogue.h"

namespace velmora::tool {

Places ToolPlaces(const ParsedArgs& parsed) {
  const auto folder = parsed.Option("--program-folder");
  if (folder && folder->empty()) throw UsageError("--program-folder needs a folder");
  return Places::Locate(folder ? std::filesystem::path(*folder) : RunningProgramFolder(), XdgUserFolders());
}

std::filesystem::path ToolOutputFolder(const Places& places) {
  return RememberedOutputFolder(places).value_or(places.OutputFolder());
}

std::string ToolTemplateName(const ParsedArgs& parsed, const Places& places, const Project& project) {
  if (auto chosen = parsed.Option("--template")) return *chosen;
  // A template the project names is used or said missing, never swapped for another.
  if (!project.Template.empty()) return project.Template;
  return TemplateAfterLoad(ListTemplates(places.TemplateFolders()), project.Template);
}

}  // namespace velmora::tool
