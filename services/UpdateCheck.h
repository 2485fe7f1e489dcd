#pragma once
// The live-update check: fetch the manifest, compare its Version with ours,
// ask twice, start the updater.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
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

inline constexpr const char* kNoUpdatesMessage = "There are no new updates for this application.";
inline constexpr const char* kManifestUnusableMessage =
    "The update server sent an update notice that could not be read. Please try again later.";

// [APPLICATION] Version of an INI text, names matched in either case; empty
// when absent. A UTF-8 byte-order mark in front of the text is skipped.
std::string ReadManifestVersion(std::string_view iniText);
// The warning when no manifest came, with the client's reason.
std::string UpdateServerUnreachableMessage(std::string_view reason);

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
  Cancelled,          // Disconnect ended the request; nothing was said
};

struct UpdateContext {
  HttpClient& http;
  MessagePort& messages;
  ShellPort& shell;
  Places places;  // the updater lies in the program folder, the manifest copy where places say
  std::string updateBaseUrl = kUpdateBaseURL;
};

// How a check ended; `reason` says why no manifest came (ServerUnreachable).
using UpdateDone = std::function<void(UpdateOutcome outcome, const std::string& reason)>;

// Starts the check and returns at once; `done` runs when it has ended.
// quiet (the check at start-up) says nothing unless there is an update, and
// then asks with Cancel preselected, so keys meant for the wizard never
// accept it. A failed check leaves no copy of the manifest.
void CheckForUpdates(const UpdateContext& context, bool quiet, UpdateDone done);

// One check at a time, whoever starts it. A check still running when its
// checker goes never calls back.
class UpdateChecker {
public:
  explicit UpdateChecker(UpdateContext context) : context_(std::move(context)) {}

  bool Running() const { return *running_; }
  // False, and nothing is asked, while a check runs.
  bool Start(bool quiet, UpdateDone done);

private:
  UpdateContext context_;
  std::shared_ptr<bool> running_ = std::make_shared<bool>(false);
};

}  // namespace velmora
