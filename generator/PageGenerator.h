#pragma once
// Fills a page template with the project: title, menu, affiliate code, the
// repeated blocks of the promo kinds, the PPC table and the affiliate link. Pure text
// work; nothing is escaped, so promos may carry their own HTML.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/AffManager.h"

namespace velmora {

// Links to the page's anchors for every kind that has something to show.
std::string BuildPageMenu(const TAffManager& project);

// A social post's block once per post: "%%SOCIAL%%" is the post with the
// link (see PostWithLink), "%%SOCIAL_ENCODED%%" the same percent-encoded and
// "%%AFFILIATELINK_ENCODED%%" the link percent-encoded, for share links.
std::string BuildPostRows(std::string_view block, const PromoList& posts, std::string_view link);

// Two ads per row with a spacer cell between; "" without ads.
std::string BuildPpcTable(const PromoList& ads);

// The template with the section of every kind that has no items cut out
// ("%%SECTION_EMAIL_BEGIN%%" to "%%SECTION_EMAIL_END%%", markers included)
// and the markers of the others dropped. A template without them is kept.
std::string ApplySections(std::string_view templateText, const TAffManager& project);

// The page made from a template's text. The text is expected as a line file
// reads it (CR LF after every line); blocks are cut from it before any
// placeholder is filled.
std::string FillTemplate(std::string_view templateText, const TAffManager& project);

// The text of the template of a name as FillTemplate expects it (a line
// file joined with CR LF), from the last of the template folders that holds
// it (name matched without regard to case); std::nullopt when there is none.
std::optional<std::string> ReadTemplateText(const std::string& templateName,
                                            const std::vector<std::filesystem::path>& templateFolders);

// Reads the template as ReadTemplateText does and fills it. std::nullopt when there is no such template;
// a template that exists but cannot be read throws FileError.
std::optional<std::string> GeneratePage(const TAffManager& project, const std::string& templateName,
                                        const std::vector<std::filesystem::path>& templateFolders);

}  // namespace velmora
