#pragma once
// The page "Generate Code" would make now, for the live preview: nothing is
// written and nothing is asked, so it can run after every keystroke.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "generator/PageCheck.h"
#include "project/Project.h"

namespace velmora {

// The generated page, or a short page that says why there is none (no
// template chosen, template missing or unreadable).
std::string PreviewPage(const Project& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders);

// That page and the template it was made from, read once, for a page check
// run elsewhere (the window runs it off its own thread). No template where
// there is no page.
struct PreviewToCheck {
  std::string page;
  std::optional<std::string> templateText;
};
PreviewToCheck PreviewPageToCheck(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders);

}  // namespace velmora
