#pragma once
// "Generate Code": the page goes into the output folder (beside a portable
// program, or the user's own) or onto the clipboard, and the user is told
// what happened. A saved page travels: the pictures it shows from this
// computer are copied beside it and it refers to them by relative address.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  std::string pageOwner;      // the project's page id: its own pages are replaced without asking
};

// A picture of this computer and the address the page gives its copy.
struct PagePicture {
  std::filesystem::path source;
  std::string address;  // "<picture folder>/<safe, unique name>"
};

struct OutputResult {
  std::optional<std::string> page;                    // set when a page was generated
  std::optional<std::filesystem::path> savedFile;     // set when the page was written
  std::vector<PagePicture> pictures;                  // copied beside the saved page
};

// The name the output-name field starts with when a title gives none.
inline constexpr std::string_view kDefaultOutputName = "affiliatepage.htm";
// "Acme Garden Hose Pro!" gives "acme-garden-hose-pro.htm": ASCII letters
// and digits in lower case, a dash for every run of anything else; a title
// without any gives kDefaultOutputName.
std::string PageNameFromTitle(std::string_view title);
// The output name a project delivers to: its FileName, or the name its
// title gives when a project has none yet.
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

// The folder beside the page that holds its pictures: "<name without extension>-files".
std::string PictureFolderOf(const std::string& pageName);
// The file on this computer an address names ("file:" addresses on this
// host, absolute paths), or nothing for web addresses and the rest.
std::optional<std::filesystem::path> LocalFileOf(std::string_view address);

// The local banners of a page saved under `name` that exist, each with its
// copy's address; those that do not exist go to `missing`.
std::vector<PagePicture> PicturesBeside(const Project& project, const std::string& name,
                                        std::vector<std::string>* missing = nullptr);
// Copies them into the page's picture folder in `folder`.
Result<void> CopyPictures(const std::filesystem::path& folder, const std::string& name,
                          const std::vector<PagePicture>& pictures);

// The project as the saved page shows it: each local banner that was copied
// at its copy's address.
Project WithPictureAddresses(const Project& project, const std::vector<PagePicture>& pictures);

// A saved page and what goes beside it.
struct PageBundle {
  std::string name;                   // the page's file name
  std::string bytes;                  // the page as saved: CR LF lines, the owner's marker last
  std::vector<PagePicture> pictures;  // copied beside the page
  std::vector<std::string> missing;   // local pictures that are not there; the page keeps their address
};

// The page made for saving under `name`: local banners that exist point at
// their copies, the project itself is left as it is. Errors as GeneratePage.
Result<PageBundle> MakePageBundle(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders,
                                  const std::string& name, const std::string& owner);

// The id a project's saved pages carry: its PageId; for a project that has
// none yet, one that its file's place gives (so the tool and the window
// agree on it), or a new random one for a project not saved.
std::string PageIdFor(const Project& project, const std::filesystem::path& projectFile);

// The marker a saved page ends with, naming the project it was made for.
std::string PageMarker(const std::string& owner);
// The owner a page's marker names; nothing when it has none.
std::optional<std::string> PageOwnerOf(std::string_view page);

// What stands at a page's name: nothing (or something that is not a file,
// which the writer then refuses), a page of this owner, or another file.
enum class PageSlot { Free, Ours, Taken };
PageSlot SlotOf(const std::filesystem::path& file, const std::string& owner);
// The first "<stem>-2<ext>", "<stem>-3<ext>"... free in the folder, its picture folder included.
std::string KeepBothName(const std::filesystem::path& folder, const std::string& name);

// Copies the pictures, then writes the page, each by atomic replacement, and
// returns the page's path. Unwritable (a name OutputNameProblem refuses
// included, before anything is written) or the picture's reading failure.
Result<std::filesystem::path> SavePageBundle(const std::filesystem::path& folder, const PageBundle& bundle);

// With `save`, ensures the output folder; generates the page and, with
// `save`, writes it beside its pictures; a name another page holds is only
// replaced when the user says so. The clipboard needs no folder, so none is
// made for it, and its page keeps every address as typed. Tells the user
// through `messages`; a missing, unreadable or too large template, or a page
// that would be too large, is reported as an error and nothing is written. A
// failed write is reported as well and leaves any earlier page as it was.
OutputResult ProduceOutput(bool save, const Project& project, const OutputRequest& request,
                           MessagePort& messages);

// The "Generate Code" button: checks the name in save mode, delivers, and in
// clipboard mode puts the page on the clipboard after the success message.
OutputResult DeliverPage(DeliveryMode mode, const Project& project, const OutputRequest& request,
                            MessagePort& messages, ClipboardPort& clipboard);

}  // namespace velmora
