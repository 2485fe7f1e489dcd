#pragma once
// Where the tool's commands find the program folder and put what they make.

#include <string>

#include "app/Places.h"
#include "project/Project.h"
#include "tools/Command.h"

namespace velmora::tool {

// --program-folder when given, else the folder velmora-tool was installed
// in (found through a link on the PATH too), with the user's own folders.
Places ToolPlaces(const ParsedArgs& parsed);

// Where "Generate Code" would save a page for this user: the folder chosen in
// the window when it remembers one, else the default.
std::filesystem::path ToolOutputFolder(const Places& places);

// --template when given, else the project's template, else the first listed
// (what the window selects for a project that names none).
std::string ToolTemplateName(const ParsedArgs& parsed, const Places& places, const Project& project);

}  // namespace velmora::tool
