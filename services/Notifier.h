#pragma once
// The one-shot notifier: announce news newer than the item last opened,
// then run the quiet update check.

#include <functional>
#include <string>

#include "app/BrandSettings.h"
#include "services/UpdateCheck.h"

namespace velmora {

inline constexpr const char* kNewsHintHeading = "You've Got A Message!\r\n";

struct NotifierResult {
  bool hintShown = false;
  UpdateOutcome update = UpdateOutcome::NoUpdate;
};

// `showHint` receives the balloon text when the server's newest item is newer.
NotifierResult Timer1Timer(const UpdateContext& context, const BrandSettings& brand,
                           const std::function<void(const std::string&)>& showHint);

}  // namespace velmora
