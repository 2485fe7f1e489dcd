#pragma once
// "Generate Code": the page goes into the output folder (beside a portable
// program, or the user's own) or onto the clipboard, and the user is told
// what happened.

#include <filesystem>
#include <optional>
#include <string>

#include "app/Places.h"
#include "app/Ports.h"
#include "project/AffManager.h"

namespace velmora {

enum class DeliveryMode { SaveWebPage, Clipboard };

struct OutputRequest {
  Places places;                       // where the templates are found
  std::filesystem::path outputFolder;  // where a saved page goes
  std::string templateName;   // the template list's current text
  std::string fileNameField;  // the output-name field as typed
};

struct OutputResult {
  std::optional<std::string> page;                    // set when a page was generated
  std::optional<std::filesystem::path> savedFile;     // set when the page was written
};

// With `save`, ensures the output folder; generates the page and, with `save`, writes it
// as a line file (replacing any file of that name). The clipboard needs no
// folder, so none is made for it. Tells the user through
// `messages`; a missing template is reported as an error and nothing is
// written. A failed write throws FileError and leaves any earlier page as it was.
OutputResult ProduceOutput(bool save, const TAffManager& project, const OutputRequest& request,
                           MessagePort& messages);

// The "Generate Code" button: checks the name in save mode, delivers, and in
// clipboard mode puts the page on the clipboard after the success message.
OutputResult btnFinishClick(DeliveryMode mode, const TAffManager& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard);

}  // namespace velmora
