#pragma once
// "Where does this go": the one owner of every path decision. The program
// folder holds what ships (programs, Templates/, brand files, skin, icon).
// When the user can write it (a portable copy), what the user makes goes
// there too; when it was installed, or cannot be written, it goes to the
// user's own folders, which the platform hands in.

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// The name of the per-user folders ("Velmora", or a publisher brand's name).
inline constexpr const char* kUserFolderName = VELMORA_USER_FOLDER_NAME;
// Laid beside the programs by the install rules: an installed program
// folder is never written, even by an administrator who could.
inline constexpr const char* kInstalledMarkerName = "installed";

// The per-user folders of the desktop (empty where unknown).
struct UserFolders {
  std::filesystem::path documents;  // the user's documents
  std::filesystem::path config;     // this program's configuration folder
  std::filesystem::path data;       // this program's data folder
  std::filesystem::path cache;      // this program's cache folder
};

class Places {
public:
  // Everything beside the program, as a copy the user can write keeps it.
  static Places Portable(std::filesystem::path programFolder, UserFolders user = {});
  // What the user makes goes to the per-user folders.
  static Places Installed(std::filesystem::path programFolder, UserFolders user);
  // Portable when the folder can be written and holds no install marker.
  static Places Locate(std::filesystem::path programFolder, UserFolders user);

  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  bool UsesProgramFolder() const { return portable_; }
  const UserFolders& User() const { return user_; }

  // Where generated pages go by default.
  std::filesystem::path OutputFolder() const;
  // Where the project dialogs open first.
  std::filesystem::path ProjectFolder() const;
  // The local copy of the live-update manifest.
  std::filesystem::path ManifestFile() const;
  // The per-user copy of the read-news id (empty path when there is no config folder).
  std::filesystem::path UserNewsIdFile() const;
  // The keys of publishing hosts the user accepted (in the program folder when there is no config folder).
  std::filesystem::path PublishKnownHostsFile() const;
  // The program's log (empty path when there is no cache folder).
  std::filesystem::path LogFile() const;
  // The user's settings of the window (the chosen output folder and such).
  std::filesystem::path UserSettingsFile() const;
  // The shipped templates first, then the user's; a later folder's template
  // shadows an earlier one of the same name.
  std::vector<std::filesystem::path> TemplateFolders() const;
  std::filesystem::path ShippedTemplateFolder() const;
  std::filesystem::path UserTemplateFolder() const;
  // Where unsaved work is kept against a crash: per user even for a portable
  // copy, so that two users of one copy never see each other's work (empty
  // path when there is no data folder).
  std::filesystem::path RecoveryFolder() const;

private:
  Places(std::filesystem::path programFolder, UserFolders user, bool portable);
  std::filesystem::path programFolder_;
  UserFolders user_;
  bool portable_;
};

// The folder of the running program file, with symbolic links resolved (so
// a link on the PATH leads to the program folder).
std::filesystem::path RunningProgramFolder();

}  // namespace velmora
