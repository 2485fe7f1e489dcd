#pragma once
// The desktop's per-user folders and the output folder remembered by the
// window, read without Qt, so that velmora-tool's page commands start
// without it. They must answer as QStandardPaths and QSettings answer the
// window; a test holds the two side by side.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/Places.h"

namespace velmora {

// $XDG_CONFIG_HOME, $XDG_DATA_HOME and $XDG_CACHE_HOME (or their defaults
// below $HOME), and the documents folder that user-dirs.dirs names.
UserFolders XdgUserFolders();

// The folder the user chose on the window's last step, or nothing.
std::optional<std::filesystem::path> RememberedOutputFolder(const Places& places);

// The string value of `key` in `[section]` of an INI text as QSettings
// writes it (quotes and backslash escapes undone), or nothing when the key
// is missing or holds a list or another type.
std::optional<std::string> QtIniString(std::string_view text, std::string_view section, std::string_view key);

}  // namespace velmora
