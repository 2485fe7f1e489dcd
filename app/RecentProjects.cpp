#include "app/RecentProjects.h"

#include <algorithm>

namespace velmora {

std::vector<std::string> WithRecentProject(const std::vector<std::string>& recent, const std::string& path) {
  std::vector<std::string> list;
  if (!path.empty()) list.push_back(path);
  for (const std::string& entry : recent) {
    if (list.size() == kMaxRecentProjects) break;
    if (!entry.empty() && std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
  }
  return list;
}

std::vector<std::string> PrunedRecentProjects(const std::vector<std::string>& recent,
                                              const std::function<bool(const std::string&)>& exists) {
  std::vector<std::string> kept;
  for (const std::string& entry : WithRecentProject(recent, {}))
    if (exists(entry)) kept.push_back(entry);
  return kept;
}

}  // namespace velmora
