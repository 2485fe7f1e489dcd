#pragma once
// "Generate Code": the page goes into the output folder (beside a portable
// program, or the user's own) or onto the clipboard, and the user is told
// what happened.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/Places.h"
#include "app/Ports.h"
#include "app/Result.h"
#include "project/Project.h"

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

// The name the output-name field starts with.
inline constexpr std::string_view kDefaultOutputName = "affiliatepage.htm";
// The output name a project delivers to: its FileName, or the preset name
// when a project file left it empty (the field then shows the preset).
std::string OutputNameOf(const Project& project);

// Why `name` cannot be the output file name, or nothing. Blank names get the
// familiar information; names that would reach outside the output folder (a
// path, absolute or with a separator of either kind, "." or "..") a warning.
struct Refusal {
  MessageKind kind;
  std::string text;
};
std::optional<Refusal> OutputNameProblem(const std::string& name);

// Where a page named `name` goes in the output folder, which is made if
// missing. Unwritable, also for a name OutputNameProblem refuses.
Result<std::filesystem::path> PrepareOutputFile(const std::filesystem::path& outputFolder, const std::string& name);

// Writes the page into the output folder (made if missing) under `name` as a
// line file and returns where it went. Unwritable, also for a name
// OutputNameProblem refuses, before anything is written.
Result<std::filesystem::path> SaveOutputPage(const std::filesystem::path& outputFolder, const std::string& name,
                                     const std::string& page);

// With `save`, ensures the output folder; generates the page and, with
// `save`, writes it as a line file (replacing any file of that name). The
// clipboard needs no folder, so none is made for it. Tells the user through
// `messages`; a missing, unreadable or too large template, or a page that
// would be too large, is reported as an error and nothing is written. A
// failed write is reported as well and leaves any earlier page as it was.
OutputResult ProduceOutput(bool save, const Project& project, const OutputRequest& request,
                           MessagePort& messages);

// The "Generate Code" button: checks the name in save mode, delivers, and in
// clipboard mode puts the page on the clipboard, then says so.
OutputResult DeliverPage(DeliveryMode mode, const Project& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard);

}  // namespace velmora
