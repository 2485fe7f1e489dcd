#pragma once
// Fills a page template with the project: title, menu, affiliate code, the
// repeated blocks of the promo kinds, the PPC table and the affiliate link. Pure text
// work; values shown as markup are not escaped, so promos may carry their own
// HTML, while values inside a <textarea> have "&" and "<" escaped, so the box
// shows and copies them as typed.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Result.h"
#include "project/Project.h"

namespace velmora {

// What "%%DESCRIPTION%%" becomes: the project's page description, escaped as
// plain text for an attribute value, or a sentence made from the title when
// it is blank.
std::string PageDescription(const Project& project);

// Links to the page's anchors for every kind that has something to show.
std::string BuildPageMenu(const Project& project);

// A social post's block once per post: "%%SOCIAL%%" is the post with the
// link (see PostWithLink), "%%SOCIAL_ENCODED%%" the same percent-encoded and
// "%%AFFILIATELINK_ENCODED%%" the link percent-encoded, for share links. A
// post shown inside a <textarea> (of the block, or of the page around it:
// `startsInTextArea`) is escaped for it.
std::string BuildPostRows(std::string_view block, const PromoList& posts, std::string_view link,
                          bool startsInTextArea = false);

// Two ads per row with a spacer cell between; "" without ads.
std::string BuildPpcTable(const PromoList& ads);

// The most a template file may hold, and the most a page may become: larger
// ones are refused before they are read or made, so a template or project
// from someone else cannot make the program grow without bound.
inline constexpr std::size_t kMaxTemplateBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxPageBytes = std::size_t{64} << 20;
// A template's placeholders ("%%NAME%%") are each filled with text that may
// be long (the menu, a block's rows): a template holding more is refused
// before it is filled. The shipped ones hold a few dozen.
inline constexpr std::size_t kMaxTemplatePlaceholders = 4096;
// Where each "%%NAME%%" of a text stands, [begin, end), read once from left
// to right; the scan stops once it has found more than `most`.
std::vector<std::pair<std::size_t, std::size_t>> PlaceholderSpans(std::string_view text,
                                                                  std::size_t most = kMaxTemplatePlaceholders);

// "64 MB" for whole megabytes, else "1000 bytes".
std::string ByteSize(std::size_t bytes);
// Why a finished page file over kMaxPageBytes is not read.
std::string PageFileTooLargeMessage(const std::filesystem::path& file);

// The template with the section of every kind that has no items cut out
// ("%%SECTION_EMAIL_BEGIN%%" to "%%SECTION_EMAIL_END%%", markers included)
// and the markers of the others dropped. A template without them is kept.
std::string ApplySections(std::string_view templateText, const Project& project);

// The page made from a template's text. The text is expected as a line file
// reads it (CR LF after every line); blocks are cut from it before any
// placeholder is filled. A page that would be larger than `maxPageBytes` is
// refused (ErrorKind::TooLarge, saying what makes it large) before it is made.
Result<std::string> FillPage(std::string_view templateText, const Project& project,
                             std::size_t maxPageBytes = kMaxPageBytes);
// The same page handed to `sink` in consecutive parts as it is made, so
// that it is never held whole; its size in bytes. A refused page hands
// nothing on.
Result<std::size_t> WritePage(std::string_view templateText, const Project& project,
                              const std::function<void(std::string_view)>& sink,
                              std::size_t maxPageBytes = kMaxPageBytes);
// The same without a limit, for templates and projects of one's own.
std::string FillTemplate(std::string_view templateText, const Project& project);

// The text of the template of a name as FillPage expects it (a line file
// joined with CR LF), from the last of the template folders that holds it
// (name matched without regard to case). NotFound (saying which templates
// there are), Unreadable, or TooLarge over `maxTemplateBytes` or
// kMaxTemplatePlaceholders.
Result<std::string> LoadTemplate(const std::string& templateName,
                                 const std::vector<std::filesystem::path>& templateFolders,
                                 std::size_t maxTemplateBytes = kMaxTemplateBytes);
// The page "Generate Code" makes: LoadTemplate, then FillPage, each with its limit.
Result<std::string> GeneratePage(const Project& project, const std::string& templateName,
                                 const std::vector<std::filesystem::path>& templateFolders);

}  // namespace velmora
