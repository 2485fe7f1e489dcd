#include "services/UpdateCheck.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "app/BrandSettings.h"
#include "app/FileIO.h"
#include "app/Utils.h"

namespace velmora {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

void RemoveQuietly(const std::filesystem::path& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

}  // namespace

bool DownloadToFile(HttpClient& http, const std::string& url, const std::filesystem::path& file) {
  std::optional<std::string> body;
  try {
    body = http.Get(url, kManifestLimit);
  } catch (...) {
    body.reset();
  }
  if (body) {
    try {
      WriteFileAtomic(file, *body);
      return true;
    } catch (const FileError&) {
      // A folder that refuses the copy ends the check like a failed download.
    }
  }
  RemoveQuietly(file);
  return false;
}

std::string ReadManifestVersion(std::string_view iniText) {
  bool inApplication = false;
  for (const auto& rawLine : SplitLines(iniText)) {
    const std::string_view line = TrimBlanks(rawLine);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      inApplication = EqualsIgnoreCaseAscii(TrimBlanks(name), "APPLICATION");
      continue;
    }
    if (!inApplication) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (EqualsIgnoreCaseAscii(TrimBlanks(line.substr(0, equals)), "Version")) {
      return std::string(TrimBlanks(line.substr(equals + 1)));
    }
  }
  return {};
}

float ParseVersion(std::string_view text) {
  text = TrimBlanks(text);
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return 0;
  return value;
}

UpdateOutcome CheckForUpdates(const UpdateContext& context, bool quiet) {
  const auto noUpdate = [&] {
    if (!quiet) context.messages.ShowMessage(MessageKind::Information, "There's no new updates for this application!");
    return UpdateOutcome::NoUpdate;
  };

  const std::filesystem::path local = context.places.ManifestFile();
  std::error_code folderError;
  std::filesystem::create_directories(local.parent_path(), folderError);
  if (!DownloadToFile(context.http, context.updateBaseUrl + kManifestName, local)) return noUpdate();

  std::string versionText;
  try {
    versionText = ReadManifestVersion(ReadWholeFile(local, kManifestLimit));
  } catch (const FileError&) {
    return noUpdate();
  }
  const float remoteVersion = ParseVersion(versionText);
  const double ownVersion = ParseVersion(ProgramVersion);
  if (ownVersion >= remoteVersion) return noUpdate();

  if (!context.messages.AskOkCancel(MessageKind::Information,
                                    "There is a new update: (version " + versionText +
                                        ") available for your application!. Do you want download this update now?")) {
    return UpdateOutcome::Declined;
  }
  const std::filesystem::path updater = context.places.ProgramFolder() + kUpdaterName;
  std::error_code ignored;
  if (!std::filesystem::exists(updater, ignored)) {
    context.messages.ShowMessage(MessageKind::Warning,
                                 "The updater module is missing. Please reinstall again the current version!");
    return UpdateOutcome::UpdaterMissing;
  }
  if (!context.messages.AskOkCancel(MessageKind::Information,
                                    "To update your software the application will close to\n\rreplace some files. "
                                    "Do you want to update now?")) {
    return UpdateOutcome::Declined;
  }
  // The start is not examined: the program closes either way.
  context.shell.StartProgram(updater.string(), context.updateBaseUrl + " " + ProgramVersion + " A");
  return UpdateOutcome::UpdaterStarted;
}

}  // namespace velmora
