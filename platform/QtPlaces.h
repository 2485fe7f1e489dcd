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

// Where "Save as web page" puts pages: the folder the user chose on the
// Finish page, remembered in the user's settings, else the default one.
std::filesystem::path ChosenOutputFolder(const Places& places);
// Remembers the user's choice; false when the settings could not be written.
bool RememberOutputFolder(const Places& places, const std::filesystem::path& folder);

}  // namespace velmora
