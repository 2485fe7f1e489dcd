#pragma once
// Where the tool's commands find the program folder and put what they make.

#include "app/Places.h"
#include "tools/Command.h"

namespace velmora::tool {

// --program-folder when given, else the folder velmora-tool was installed
// in (found through a link on the PATH too), with the user's own folders.
Places ToolPlaces(const ParsedArgs& parsed);

}  // namespace velmora::tool
