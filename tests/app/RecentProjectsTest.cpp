#include "app/RecentProjects.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;

TEST(RecentProjects, UsedProjectGoesFirstOnceAndTheListStopsAtEight) {
  std::vector<std::string> recent;
  for (int i = 0; i < 10; ++i) recent = WithRecentProject(recent, "/p/" + std::to_string(i) + ".set");
  ASSERT_EQ(recent.size(), kMaxRecentProjects);
  EXPECT_EQ(recent.front(), "/p/9.set");
  EXPECT_EQ(recent.back(), "/p/2.set");
  recent = WithRecentProject(recent, "/p/5.set");
  EXPECT_EQ(recent[0], "/p/5.set");
  EXPECT_EQ(recent[1], "/p/9.set");
  EXPECT_EQ(std::count(recent.begin(), recent.end(), "/p/5.set"), 1);
  EXPECT_EQ(recent.size(), kMaxRecentProjects);
}

TEST(RecentProjects, PruningDropsTheMissingEmptyAndRepeatedEntries) {
  const std::vector<std::string> stored{"/a.set", "", "/gone.set", "/b.set", "/a.set"};
  EXPECT_EQ(PrunedRecentProjects(stored, [](const std::string& path) { return path != "/gone.set"; }),
            (std::vector<std::string>{"/a.set", "/b.set"}));
}
