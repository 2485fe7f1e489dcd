#pragma once
// What the program noticed but did not stop the user for: failures it
// recovered from, input it refused, limits it applied. The lines go to a
// small per-user file, so that an error report can carry what led up to it.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class LogLevel { Info, Warning, Error };

// Records one line ("2026-12-09T12:00:00Z warning recovery: ..."), from any thread.
void Log(LogLevel level, std::string_view area, std::string_view message);

// Lines go to `file` as well (empty: to no file). When it passes `maxBytes`
// it becomes "<file>.1", replacing the one before, and a new file begins,
// so the two never hold much more than twice that. The file is private to
// the user and never followed through a link.
void SetLogFile(std::filesystem::path file, std::size_t maxBytes = 256 * 1024);

// The last `count` lines of this run, oldest first (the last 100 are kept).
std::vector<std::string> RecentLogLines(std::size_t count);

}  // namespace velmora
