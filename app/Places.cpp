#include "app/Places.h"

#include <unistd.h>

#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool CanWriteFolder(const fs::path& folder) {
  std::error_code ec;
  if (fs::exists(folder / kInstalledMarkerName, ec)) return false;
  // access() answers for the real user, which is who writes.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

// "/opt/velmora/" and "/opt/velmora" name one folder; it is kept without the separator.
static fs::path WithoutTrailingSeparator(fs::path folder) {
  if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) return folder.parent_path();
  return folder;
}

Places::Places(fs::path programFolder, UserFolders user, bool portable)
    : programFolder_(WithoutTrailingSeparator(std::move(programFolder))), user_(std::move(user)), portable_(portable) {}

Places Places::Portable(fs::path programFolder, UserFolders user) {
  return Places(std::move(programFolder), std::move(user), true);
}

Places Places::Installed(fs::path programFolder, UserFolders user) {
  return Places(std::move(programFolder), std::move(user), false);
}

Places Places::Locate(fs::path programFolder, UserFolders user) {
  const bool portable = CanWriteFolder(programFolder);
  return Places(std::move(programFolder), std::move(user), portable);
}

fs::path Places::OutputFolder() const {
  if (portable_) return programFolder_ / "Output";
  return ProjectFolder() / "Output";
}

fs::path Places::ProjectFolder() const {
  if (portable_) return programFolder_;
  return user_.documents / kUserFolderName;
}

fs::path Places::ManifestFile() const {
  if (portable_) return programFolder_ / "mainappupdate.inf";
  return user_.cache / "mainappupdate.inf";
}

fs::path Places::UserNewsIdFile() const {
  if (user_.config.empty()) return {};
  return user_.config / "LastNewsId";
}

fs::path Places::PublishKnownHostsFile() const {
  // Without a configuration folder the program folder keeps the pins, as it keeps the settings.
  if (user_.config.empty()) return programFolder_ / "publish-known-hosts";
  return user_.config / "publish-known-hosts";
}

fs::path Places::LogFile() const {
  if (user_.cache.empty()) return {};
  return user_.cache / "velmora.log";
}

fs::path Places::UserSettingsFile() const {
  if (user_.config.empty()) return programFolder_ / "settings.ini";
  return user_.config / "settings.ini";
}

fs::path Places::ShippedTemplateFolder() const { return programFolder_ / "Templates"; }

fs::path Places::UserTemplateFolder() const {
  if (user_.data.empty()) return {};
  return user_.data / "Templates";
}

fs::path Places::RecoveryFolder() const {
  if (user_.data.empty()) return {};
  return user_.data / "recovery";
}

std::vector<fs::path> Places::TemplateFolders() const {
  std::vector<fs::path> folders{ShippedTemplateFolder()};
  if (!UserTemplateFolder().empty()) folders.push_back(UserTemplateFolder());
  return folders;
}

fs::path RunningProgramFolder() {
  std::error_code ec;
  const fs::path program = fs::canonical("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return program.parent_path();
}

}  // namespace velmora
