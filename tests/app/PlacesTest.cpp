#include "app/Places.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/mock/TempDir.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

UserFolders UserIn(const test::TempDir& home) {
  return {home / "Documents", home / ".config/Velmora", home / ".local/share/Velmora", home / ".cache/Velmora"};
}

// True when permissions stop this process (root ignores them).
bool PermissionsBind(const fs::path& folder) { return ::access(folder.c_str(), W_OK) != 0; }

}  // namespace

TEST(Places, PortableKeepsWhatTheUserMakesBesideTheProgram) {
  test::TempDir program, home;
  const Places places = Places::Portable(program.folder(), UserIn(home));
  EXPECT_EQ(places.ProgramFolder(), program.path()) << "a trailing separator names the same folder";
  EXPECT_EQ(places.OutputFolder(), program.path() / "Output");
  EXPECT_EQ(places.ProjectFolder(), program.path());
  EXPECT_EQ(places.ManifestFile(), program.path() / "mainappupdate.inf");
  // Per-user files stay per user even for a portable copy.
  EXPECT_EQ(places.UserNewsIdFile(), home / ".config/Velmora/LastNewsId");
  EXPECT_EQ(places.RecoveryFolder(), home / ".local/share/Velmora/recovery");
}

TEST(Places, InstalledSendsWhatTheUserMakesToTheUsersFolders) {
  test::TempDir program, home;
  const Places places = Places::Installed(program.folder(), UserIn(home));
  EXPECT_EQ(places.OutputFolder(), home / "Documents/Velmora/Output");
  EXPECT_EQ(places.ProjectFolder(), home / "Documents/Velmora");
  EXPECT_EQ(places.ManifestFile(), home / ".cache/Velmora/mainappupdate.inf");
  EXPECT_EQ(places.UserSettingsFile(), home / ".config/Velmora/settings.ini");
  EXPECT_EQ(places.TemplateFolders(),
            (std::vector<fs::path>{program.folder() + "Templates", home / ".local/share/Velmora/Templates"}));
}

TEST(Places, WithoutUserFoldersOnlyTheShippedTemplatesAreListed) {
  test::TempDir program;
  const Places places = Places::Portable(program.folder());
  EXPECT_EQ(places.TemplateFolders(), std::vector<fs::path>{program.folder() + "Templates"});
  EXPECT_TRUE(places.UserNewsIdFile().empty());
  EXPECT_TRUE(places.RecoveryFolder().empty());
}

TEST(Places, LocateTellsAWritableCopyFromAnInstalledOrReadOnlyFolder) {
  test::TempDir program, home;
  EXPECT_TRUE(Places::Locate(program.folder(), UserIn(home)).UsesProgramFolder()) << "writable copy";

  program.Write(kInstalledMarkerName, "");
  EXPECT_FALSE(Places::Locate(program.folder(), UserIn(home)).UsesProgramFolder())
      << "the install marker wins even for an administrator who could write";
  fs::remove(program / kInstalledMarkerName);

  fs::permissions(program.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (PermissionsBind(program.path())) {
    EXPECT_FALSE(Places::Locate(program.folder(), UserIn(home)).UsesProgramFolder()) << "read-only copy";
  }
}

TEST(Places, RunningProgramFolderIsTheFolderOfThisProgram) {
  const fs::path folder = RunningProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::exists(folder / fs::canonical("/proc/self/exe").filename()));
}
