#pragma once
// The File menu's list of recently used projects, newest first.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

inline constexpr std::size_t kMaxRecentProjects = 8;

// `recent` with `path` moved to the front (or added there), without
// duplicates or empty entries, and no longer than kMaxRecentProjects.
std::vector<std::string> WithRecentProject(const std::vector<std::string>& recent, const std::string& path);

// `recent` without the entries `exists` says are gone, capped likewise.
std::vector<std::string> PrunedRecentProjects(const std::vector<std::string>& recent,
                                              const std::function<bool(const std::string&)>& exists);

}  // namespace velmora
