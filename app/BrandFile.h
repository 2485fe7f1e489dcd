#pragma once
// Access to the program folder's brand-settings file, dbsettings.dat. Every
// access deciphers afresh; no plain copy is left on disk on any path.

#include <filesystem>
#include <string>

#include "app/FileIO.h"

namespace velmora {

inline constexpr const char* kBrandFileName = "dbsettings.dat";
inline constexpr const char* kBrandPlainCopyName = "dbsettings.sim";

enum class BrandFileStatus {
  Missing,  // no dbsettings.dat
  Failed,   // unreadable, or failed the password check or the authentication: every field absent
  Ok,
};

struct BrandFileContent {
  BrandFileStatus status = BrandFileStatus::Missing;
  Lines lines;  // the deciphered line file; empty unless status is Ok
};

// Reads and deciphers `programFolder` + dbsettings.dat. A stray
// dbsettings.sim beside an existing dbsettings.dat is removed.
BrandFileContent ReadBrandFile(const std::filesystem::path& programFolder);
// Enciphers the lines and replaces dbsettings.dat atomically.
Result<void> WriteBrandFile(const std::filesystem::path& programFolder, const Lines& lines);

}  // namespace velmora
