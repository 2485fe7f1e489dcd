#pragma once
// The one-shot notifier at start-up: announces news newer than the item
// last opened. The window runs the quiet update check after it.

#include <functional>
#include <optional>
#include <string>

#include "app/BrandSettings.h"
#include "app/Places.h"
#include "app/Ports.h"

namespace velmora {

inline constexpr const char* kNewsHintHeading = "You've Got A Message!\r\n";

// Asks for the newest item, silently. `done` gets the balloon text when that
// item is newer than the one last opened, else nothing; it is not called at
// all when Disconnect ended the request, so nothing follows a close.
void AnnounceNewerNews(HttpClient& http, MessagePort& messages, const Places& places, const BrandSettings& brand,
                       std::function<void(std::optional<std::string> hint)> done);

}  // namespace velmora
