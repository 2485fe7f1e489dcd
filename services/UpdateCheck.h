#pragma once
// The live-update check: fetch the manifest, compare its Version with ours,
// ask twice, start the updater.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

inline constexpr const char* kNoUpdatesMessage = "There's no new updates for this application!";
inline constexpr const char* kUpdateServerUnreachableMessage =
    "Could not reach the update server. Please try again later.";
inline constexpr const char* kManifestUnusableMessage =
    "The update server sent an update notice that could not be read. Please try again later.";

// [APPLICATION] Version of an INI text, names matched in either case; empty
// when absent. A UTF-8 byte-order mark in front of the text is skipped.
std::string ReadManifestVersion(std::string_view iniText);
// A version written as a decimal number with a point, at single precision;
// nothing when the text is not such a number.
std::optional<float> ParseVersion(std::string_view text);
// The Version text of a manifest that can be used: text (no NUL byte) with a
// numeric Version. Nothing for an empty, garbage or UTF-16 manifest.
std::optional<std::string> UsableManifestVersion(std::string_view manifest);

enum class UpdateOutcome {
  NoUpdate,           // the manifest names no higher version
  Declined,           // the user cancelled one of the questions
  UpdaterMissing,     // warned; the program keeps running
  UpdaterStarted,     // the caller closes the main window
  ServerUnreachable,  // no manifest came: no connection, an error status, a broken or oversized reply
  ManifestUnusable,   // what came is no manifest with a version
};

struct UpdateContext {
  HttpClient& http;
  MessagePort& messages;
  ShellPort& shell;
  std::string programFolder;  // with a trailing separator
  std::string updateBaseUrl = kUpdateBaseURL;
};

// quiet (the check at start-up) says nothing unless there is an update, and
// then asks with Cancel preselected, so keys meant for the wizard never
// accept it. A failed check leaves no copy of the manifest.
UpdateOutcome CheckForUpdates(const UpdateContext& context, bool quiet);

}  // namespace velmora
