#include "app/Places.h"

#include <unistd.h>

#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool CanWriteFolder(const std::string& folder) {
  std::error_code ec;
  if (fs::exists(fs::path(folder) / kInstalledMarkerName, ec)) return false;
  // access() answers for the real user, which is who writes.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string WithTrailingSeparator(std::string folder) {
  if (folder.empty() || (folder.back() != '/' && folder.back() != fs::path::preferred_separator))
    folder += fs::path::preferred_separator;
  return folder;
}

Places::Places(std::string programFolder, UserFolders user, bool portable)
    : programFolder_(WithTrailingSeparator(std::move(programFolder))), user_(std::move(user)), portable_(portable) {}

Places Places::Portable(std::string programFolder, UserFolders user) {
  return Places(std::move(programFolder), std::move(user), true);
}

Places Places::Installed(std::string programFolder, UserFolders user) {
  return Places(std::move(programFolder), std::move(user), false);
}

Places Places::Locate(std::string programFolder, UserFolders user) {
  const bool portable = CanWriteFolder(programFolder);
  return Places(std::move(programFolder), std::move(user), portable);
}

fs::path Places::OutputFolder() const {
  if (portable_) return fs::path(programFolder_ + "Output");
  return ProjectFolder() / "Output";
}

fs::path Places::ProjectFolder() const {
  if (portable_) return fs::path(programFolder_);
  return user_.documents / kUserFolderName;
}

fs::path Places::ManifestFile() const {
  if (portable_) return fs::path(programFolder_ + "mainappupdate.inf");
  return user_.cache / "mainappupdate.inf";
}

fs::path Places::UserNewsIdFile() const {
  if (user_.config.empty()) return {};
  return user_.config / "LastNewsId";
}

fs::path Places::LogFile() const {
  if (user_.cache.empty()) return {};
  return user_.cache / "velmora.log";
}

fs::path Places::UserSettingsFile() const {
  if (user_.config.empty()) return fs::path(programFolder_ + "settings.ini");
  return user_.config / "settings.ini";
}

fs::path Places::ShippedTemplateFolder() const { return fs::path(programFolder_ + "Templates"); }

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

std::string RunningProgramFolder() {
  std::error_code ec;
  const fs::path program = fs::canonical("/proc/self/exe", ec);
  if (ec) return WithTrailingSeparator(fs::current_path(ec).string());
  return WithTrailingSeparator(program.parent_path().string());
}

}  // namespace velmora
