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

std::string ReadManifestVersion(std::string_view iniText) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (iniText.substr(0, kByteOrderMark.size()) == kByteOrderMark) iniText.remove_prefix(kByteOrderMark.size());
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

std::optional<float> ParseVersion(std::string_view text) {
  text = TrimBlanks(text);
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> UsableManifestVersion(std::string_view manifest) {
  // Line reading would stop at the first NUL and find nothing: UTF-16 and
  // binary replies are not manifests.
  if (manifest.find('\0') != std::string_view::npos) return std::nullopt;
  std::string version = ReadManifestVersion(manifest);
  if (!ParseVersion(version)) return std::nullopt;
  return version;
}

std::string UpdateServerUnreachableMessage(std::string_view reason) {
  return "Could not reach the update server (" + std::string(reason) + "). Please try again later.";
}

namespace {

UpdateOutcome UseManifest(const UpdateContext& context, bool quiet, const std::string& manifest) {
  const auto tell = [&](MessageKind kind, const char* text) {
    if (!quiet) context.messages.ShowMessage(kind, text);
  };
  const std::filesystem::path local = context.places.ManifestFile();
  const auto versionText = UsableManifestVersion(manifest);
  if (!versionText) {
    RemoveQuietly(local);
    tell(MessageKind::Warning, kManifestUnusableMessage);
    return UpdateOutcome::ManifestUnusable;
  }
  MakePrivateFolders(local.parent_path());
  if (!WriteFileAtomic(local, manifest)) {
    // A folder that refuses the copy ends the check as if there were nothing new.
    RemoveQuietly(local);
    tell(MessageKind::Information, kNoUpdatesMessage);
    return UpdateOutcome::NoUpdate;
  }
  if (*ParseVersion(ProgramVersion) >= *ParseVersion(*versionText)) {
    tell(MessageKind::Information, kNoUpdatesMessage);
    return UpdateOutcome::NoUpdate;
  }

  const DefaultButton preselected = quiet ? DefaultButton::Cancel : DefaultButton::Ok;
  if (!context.messages.AskOkCancel(MessageKind::Information,
                                    "There is a new update: (version " + *versionText +
                                        ") available for your application!. Do you want download this update now?",
                                    preselected)) {
    return UpdateOutcome::Declined;
  }
  const std::filesystem::path updater = context.places.ProgramFolder() / kUpdaterName;
  std::error_code ignored;
  if (!std::filesystem::exists(updater, ignored)) {
    context.messages.ShowMessage(MessageKind::Warning,
                                 "The updater module is missing. Please reinstall again the current version!");
    return UpdateOutcome::UpdaterMissing;
  }
  if (!context.messages.AskOkCancel(MessageKind::Information,
                                    "To update your software the application will close to\n\rreplace some files. "
                                    "Do you want to update now?",
                                    preselected)) {
    return UpdateOutcome::Declined;
  }
  // The start is not examined: the program closes either way.
  context.shell.StartProgram(updater.string(), context.updateBaseUrl + " " + ProgramVersion + " A");
  return UpdateOutcome::UpdaterStarted;
}

}  // namespace

void CheckForUpdates(const UpdateContext& context, bool quiet, UpdateDone done) {
  context.http.Get(context.updateBaseUrl + kManifestName, kManifestLimit,
                   [context, quiet, done = std::move(done)](HttpResult result) {
                     if (result.outcome == HttpOutcome::Cancelled) return done(UpdateOutcome::Cancelled, result.reason);
                     if (!result.ok()) {
                       RemoveQuietly(context.places.ManifestFile());
                       if (!quiet) {
                         context.messages.ShowMessage(MessageKind::Warning,
                                                      UpdateServerUnreachableMessage(result.reason));
                       }
                       return done(UpdateOutcome::ServerUnreachable, result.reason);
                     }
                     done(UseManifest(context, quiet, result.body), {});
                   });
}

bool UpdateChecker::Start(bool quiet, UpdateDone done) {
  if (*running_) return false;
  *running_ = true;
  // The flag is shared so that a reply after this checker has gone finds it
  // alone and calls nothing.
  CheckForUpdates(context_, quiet,
                  [running = std::weak_ptr<bool>(running_), done = std::move(done)](UpdateOutcome outcome,
                                                                                       const std::string& reason) {
                    const auto flag = running.lock();
                    if (!flag) return;
                    *flag = false;
                    done(outcome, reason);
                  });
  return true;
}

}  // namespace velmora
