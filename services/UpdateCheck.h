#pragma once
// The live-update check: fetch the manifest, compare its Version with ours,
// ask twice, start the updater.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/Places.h"
#include "app/Ports.h"

namespace velmora {

inline constexpr std::size_t kManifestLimit = std::size_t{1} << 20;
inline constexpr const char* kManifestName = "mainappupdate.inf";
inline constexpr const char* kUpdateBaseURL = VELMORA_UPDATE_BASE_URL;
#ifdef _WIN32
inline constexpr const char* kUpdaterName = "Updater.exe";
#else
inline constexpr const char* kUpdaterName = "Updater";
#endif

// GETs the address into the file, replacing it only when the whole body
// has arrived; on failure no copy (old or partial) is left.
bool DownloadToFile(HttpClient& http, const std::string& url, const std::filesystem::path& file);

// [APPLICATION] Version of an INI text, names matched in either case; empty when absent.
std::string ReadManifestVersion(std::string_view iniText);
// The manifest's Version at single precision; 0 when it is not a number.
float ParseVersion(std::string_view text);

enum class UpdateOutcome {
  NoUpdate,        // nothing newer, or the manifest could not be had
  Declined,        // the user cancelled one of the questions
  UpdaterMissing,  // warned; the program keeps running
  UpdaterStarted,  // the caller closes the main window
};

struct UpdateContext {
  HttpClient& http;
  MessagePort& messages;
  ShellPort& shell;
  Places places;  // the updater lies in the program folder, the manifest copy where places say
  std::string updateBaseUrl = kUpdateBaseURL;
};

// quiet suppresses only the "no new updates" message.
UpdateOutcome CheckForUpdates(const UpdateContext& context, bool quiet);

}  // namespace velmora
