#pragma once
// The page templates: the shipped ones beside the program and the user's
// own; which are listed, under what names, and which files a listed name
// stands for.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/Project.h"

namespace velmora {

// "blue.tem" is listed as "Blue": the extension dropped, a first letter a-z upper-cased.
std::string TemplateNameOfFile(std::string_view fileName);

// Names of the ordinary, non-hidden *.tem files, ordered without regard to
// case. A missing or unreadable folder gives an empty list.
std::vector<std::string> ListTemplates(const std::filesystem::path& folder);
// The names of several folders together, each listed once without regard to
// case; where two folders hold the same name, the later folder's spelling wins.
std::vector<std::string> ListTemplates(const std::vector<std::filesystem::path>& folders);

// The ordinary file in `folder` called name + extension, letter case ignored
// even where the file system tells case apart; an exact match wins. Names
// holding a path separator never match, so a name from a project file
// cannot reach outside the folder.
std::optional<std::filesystem::path> FindTemplateFile(const std::filesystem::path& folder, std::string_view name,
                                                      std::string_view extension);

// The template file of a name in the last folder that holds one, so a user's
// template shadows a shipped one of the same name.
std::optional<std::filesystem::path> FindTemplate(const std::vector<std::filesystem::path>& folders,
                                                  std::string_view name);

// A template name from a project as messages quote it: control bytes shown
// as '?', and a very long name cut short.
std::string ShownTemplateName(std::string_view name);
// What the tool says of a template name no folder holds.
std::string UnknownTemplateMessage(std::string_view name, const std::vector<std::string>& listed);
// What the window says when a loaded project names a template that is not
// listed and `shown` is shown instead.
std::string TemplateNotListedWarning(std::string_view name, std::string_view shown);

// Where the template of a name is expected, for telling the user it is missing.
std::string ExpectedTemplatePath(const std::filesystem::path& folder, std::string_view name);

// What a change of the template list's text decides: the preview to show
// (none: hide it). Sets the project's Template.
struct TemplateChoice {
  std::optional<std::filesystem::path> preview;
};
// The preview lies beside the template that wins.
TemplateChoice ChooseTemplate(Project& project, const std::vector<std::filesystem::path>& folders,
                              const std::string& listedName);

// Position of the listed name equal to `name` without regard to case.
std::optional<std::size_t> FindListedTemplate(const std::vector<std::string>& listed, std::string_view name);

// The template a fresh start followed by loading a project would select:
// the project's template when it is listed, else the first listed, else "".
std::string TemplateAfterLoad(const std::vector<std::string>& listed, std::string_view projectTemplate);

}  // namespace velmora
