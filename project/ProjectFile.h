#pragma once
// The project file (*.set): one tag line per field in a fixed order: the
// page's values, each promo kind's items, the output file's name; then,
// when they hold something, the fields added later (older copies of the
// program stop reading before them): newer kinds, the page id, the
// publishing targets, the banners' alternative texts and the mark that the
// items hold escapes (project/ItemText.h).

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/FileIO.h"
#include "project/Project.h"
#include "project/PromoKinds.h"

namespace velmora {

// Large enough for any project a person writes, small enough that a wrong
// file chosen by mistake cannot exhaust memory.
inline constexpr std::size_t kMaxProjectBytes = std::size_t{256} << 20;

// The lines a save writes.
Lines ProjectLines(const Project& project);
// Writes beside the target and renames over it.
Result<void> SaveProjectFile(const std::filesystem::path& path, const Project& project);

// Every field and list as a load sets them from the file's text.
Project ParseProject(std::string_view text);
// Reads the file: NotFound or Unreadable when it cannot be opened or read,
// TooLarge, or Invalid when it is not a project file (see
// LooksLikeProjectFile). Values that are not valid UTF-8 come from older
// files in Windows-1252 and are converted.
Result<Project> LoadProjectFile(const std::filesystem::path& path);

// The page description stands after the kinds stored last, written only
// when set, so older copies of the program, which do not know it, pass it by.
inline constexpr std::string_view kDescriptionTag = "AfDescription";

// The field names, in file order.
inline constexpr std::size_t kProjectFieldCount = 11 + kPromoKindTable.size();
extern const std::array<std::string_view, kProjectFieldCount> kProjectFields;

// A project file holds at least one of its tags, and no NUL byte before the first.
bool LooksLikeProjectFile(std::string_view bytes);
// Where the first of the project file's tags ("<%%Name%%>" or "<%%/Name%%>"
// of the fields, in any letter case) stands in the text, or npos;
// `tag` receives it as written. A value holding one would be cut on reading.
std::size_t FindProjectTag(std::string_view text, std::string* tag = nullptr);

// The name a project is saved under: ".set" is added to a name without an
// extension, so the dialogs that list "*.set" show it again; another
// extension is kept as typed.
std::filesystem::path WithProjectExtension(std::filesystem::path path);

// One-line values never hold a line break: each CR LF, CR or LF becomes one space.
std::string OneLine(std::string_view text);

// Why the project cannot be saved as it is (a value other than an item
// holding one of the file's tags), or nothing.
std::optional<std::string> SaveProblem(const Project& project);

}  // namespace velmora
