#pragma once
// The desktop's per-user folders, as Qt knows them, for the core's Places.

#include <string>

#include "app/Places.h"

namespace velmora {

// Documents, and this program's configuration, data and cache folders.
UserFolders StandardUserFolders();

// The running program's places: `programFolder` when given (tests, the
// tool's --program-folder), else the running program's own folder.
Places LocatePlaces(const std::string& programFolder = {});

}  // namespace velmora
