#pragma once
// The project file (*.set): thirteen tag lines in a fixed order.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/FileIO.h"
#include "project/AffManager.h"

namespace velmora {

// The thirteen lines a save writes.
Lines ProjectLines(const TAffManager& project);
// Writes beside the target and renames over it; throws FileError.
void SaveProjectFile(const std::filesystem::path& path, const TAffManager& project);

// Every field and list as a load sets them from the file's text.
TAffManager ParseProject(std::string_view text);
// Reads the file; throws FileError when it cannot be opened or read.
TAffManager LoadProjectFile(const std::filesystem::path& path);

}  // namespace velmora
