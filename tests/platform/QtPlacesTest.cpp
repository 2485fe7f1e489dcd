// velmora-tool reads the per-user folders and the remembered output folder
// without Qt; it must find what the window finds.
#include "platform/QtPlaces.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/DesktopFolders.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

// Sets variables for one test and puts the old values back.
class ScopedEnvironment {
public:
  void Set(const char* name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    Apply(name, value);
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
  }

private:
  static void Apply(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

void ExpectSameFolders(const UserFolders& qt, const UserFolders& xdg, const std::string& label) {
  EXPECT_EQ(xdg.documents, qt.documents) << label;
  EXPECT_EQ(xdg.config, qt.config) << label;
  EXPECT_EQ(xdg.data, qt.data) << label;
  EXPECT_EQ(xdg.cache, qt.cache) << label;
}

}  // namespace

TEST(QtPlaces, TheToolFindsTheUserFoldersTheWindowFinds) {
  test::TempDir dir;
  const std::string home = (dir / "home").string();
  struct Case {
    const char* label;
    std::optional<std::string> config, data, cache;
    std::string userDirs;  // user-dirs.dirs in the config folder; empty: none
  };
  const Case cases[] = {
      {"defaults below the home folder", std::nullopt, std::nullopt, std::nullopt, ""},
      {"variables set", (dir / "c").string(), (dir / "d").string(), (dir / "k").string(), ""},
      {"empty variables", "", "", "", ""},
      {"documents named from the home folder", (dir / "c").string(), std::nullopt, std::nullopt,
       "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs ü/\"\n"},
      {"documents as an absolute folder", (dir / "c").string(), std::nullopt, std::nullopt,
       "XDG_DOCUMENTS_DIR=\"" + (dir / "elsewhere").string() + "\"\n"},
  };
  for (const Case& c : cases) {
    ScopedEnvironment environment;
    environment.Set("HOME", home);
    environment.Set("XDG_CONFIG_HOME", c.config);
    environment.Set("XDG_DATA_HOME", c.data);
    environment.Set("XDG_CACHE_HOME", c.cache);
    fs::remove_all(dir / "c");
    if (!c.userDirs.empty()) dir.Write("c/user-dirs.dirs", c.userDirs);
    ExpectSameFolders(StandardUserFolders(), XdgUserFolders(), c.label);
  }
}

TEST(QtPlaces, TheToolReadsTheOutputFolderTheWindowRemembered) {
  test::TempDir dir;
  const Places places = Places::Portable(dir.path(), {dir / "docs", dir / "config", dir / "data", dir / "cache"});
  EXPECT_EQ(RememberedOutputFolder(places), std::nullopt) << "nothing chosen yet";
  // Folders QSettings writes with quotes or escapes.
  const std::string folders[] = {
      "/srv/pages",         " /leading space",  "/trailing space ", "/a,comma;semi=equals", "/quote\"back\\slash",
      "/naïve/日本語",     "@at/start",        "/tab\there",       "/bell\a1/nul-free\x1f" "f",
  };
  for (const std::string& folder : folders) {
    ASSERT_TRUE(RememberOutputFolder(places, folder)) << folder;
    EXPECT_EQ(RememberedOutputFolder(places), std::optional<fs::path>(ChosenOutputFolder(places))) << folder;
    EXPECT_EQ(RememberedOutputFolder(places), std::optional<fs::path>(folder)) << folder;
  }
}
