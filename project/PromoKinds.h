#pragma once
// Everything that differs between the promo kinds, one row each: what the
// user types, how the project file keeps it, where the page shows it and
// what the wizard says about it. The model, the project file, the page
// generator and the wizard read these rows instead of listing the kinds, so
// a new kind is a new row (and, for a new shape of input, a new page).

#include <array>
#include <cstddef>
#include <string_view>

#include "project/Project.h"

namespace velmora {

enum class PromoKind { Anchors, PPC, Banners, Signatures, Email, AutoEmail, Articles, PopUps, SocialPosts };

// Where a page, or an item, takes the affiliate link.
inline constexpr std::string_view kAffiliateLink = "%%AFFILIATELINK%%";
// Where a banner's block takes the banner's alternative text; removed elsewhere.
inline constexpr std::string_view kBannerAlt = "%%BANNER_ALT%%";

// What the user types for one item, and so which wizard page serves the kind.
enum class PromoShape {
  Line,    // one line, shown in the list as typed
  Text,    // several lines; the file keeps line breaks as "$$"
  PpcAd,   // title, body and link, kept as "^title^body^link^"
  Banner,  // a picture's address, shown in the list as typed
  Post,    // several lines, measured as the networks count a post; kept as Text is
};

// What a kind's wizard page says and how its controls are named; the rest
// of the page follows from the kind's shape.
struct PromoPageText {
  std::string_view stem;          // object names: stem + "Page", "Input", "List"...
  std::string_view heading;       // after the step number
  std::string_view inputCaption;  // none where the shape labels its own inputs
  std::string_view listCaption;
  std::string_view detailsCaption;  // none: the page shows no detail view
  std::string_view itemCaption;     // what its buttons add and update: "&Add Article"
};

struct PromoKindInfo {
  PromoKind kind;
  PromoShape shape;
  PromoList Project::*items;

  // The wizard. Mirrored kinds, those without a label word, refuse an
  // item twice; every list box shows its items by their labels (ItemLabel).
  std::string_view placeName;   // findings name an item: placeName "label"
  std::string_view pluralName;  // the items together, as messages name them
  std::string_view labelWord;
  std::string_view emptyMessage;
  std::string_view duplicateMessage;  // empty: duplicates are accepted
  std::string_view selectMessage;     // "Delete Ad" without a selection
  std::string_view noun;              // how the messages name one promo

  // The project file: the items of a list stand on one tag line between separators.
  std::string_view tag;
  std::string_view separator;
  // Kinds added after the file's first layout stand after its last line,
  // "AfFileName", so that older copies of the program still read the file.
  bool storedLast;

  // The page: a block of the template repeated once per item, with the
  // item in place of the placeholder. Empty for kinds the page shows otherwise.
  std::string_view blockOpen;
  std::string_view blockClose;
  std::string_view placeholder;
  bool fillsLink;  // the block gets the affiliate link before its item
  // "%%SECTION_<name>_BEGIN%%" ... "_END%%" around the kind's part of a
  // template: the part goes when the kind has no items.
  std::string_view sectionName;
  // The page's menu entry, shown when the kind has items.
  std::string_view menuEntry;
  PromoPageText page;

  constexpr bool Mirrored() const { return labelWord.empty(); }
  constexpr bool MultiLine() const { return shape == PromoShape::Text || shape == PromoShape::Post; }
};

// The messages are the program's own words, misspellings included. Qt's
// moc reads this header through the window's and knows neither raw string
// literals nor lambdas here, so there are none.
inline constexpr std::array<PromoKindInfo, 9> kPromoKindTable = {{
    {PromoKind::Anchors, PromoShape::Line, &Project::Anchors, "Text Link", "text links", "",
     "Please provide a valid Text Link Promo.", "This Text Link Promo already exists.",
     "Please select a Text Link Promo to delete.", "Text Link Promo", "AfAnchors", "$$", false, "%%TABLE_LINKTEXT_INIT%%",
     "%%TABLE_LINKTEXT_END%%", "%%ANCHORTEXT%%", true, "LINKTEXT", "<a href=\"#linktext\">Text Link</a> | ",
     {"anchor", "Create your Text Link Promo.", "Write your anchor text:", "Text Link Promos:", "", "Text Link"}},
    {PromoKind::PPC, PromoShape::PpcAd, &Project::PPC, "PPC Ad", "PPC ads", "PPC Ad", "Please provide a valid PPC Ad Promo.",
     "", "Please select a PPC Ad Promo to delete.", "PPC Ad Promo", "AfPPC", "$$", false, "", "", "", false,
     "PPC", "<a href=\"#ppcads\"> PPC Ads</a> | ",
     {"ppcAd", "Create your PPC Ad Promo.", "", "PPC Ads Promos:", "Ad details:", "PPC Ad"}},
    {PromoKind::Banners, PromoShape::Banner, &Project::Banners, "Banner", "banners", "",
     "Please provide a valid Banner Ad Promo.", "This Banner Ad Promo already exists.",
     "Please select a Bannert Ad Promo to delete.", "Banner Ad Promo", "AfBanners", "$$", false, "%%TABLE_BANNER_INIT%%",
     "%%TABLE_BANNER_END%%", "%%BANNER%%", true, "BANNER", "<a href=\"#banners\" target=\"_self\">Banners</a> | ",
     {"banner", "Create your Banner Ad Promo.", "Choose image url or browse:", "Banner Ad Promos:", "Preview", "Banner"}},
    {PromoKind::Signatures, PromoShape::Text, &Project::Signatures, "Signature Ad", "signatures", "Signature Ad",
     "Please provide a valid Signature Ad Promo.", "", "Please select a Signature Ad Promo to delete.",
     "Signature Ad Promo", "AfSignatures", "^^", false, "%%TABLE_SIGNATURE_INIT%%", "%%TABLE_SIGNATURE_END%%",
     "%%SIGNATURE%%", false, "SIGNATURE", "<a href=\"#sig\" target=\"_self\">Signature Ads</a> | ",
     {"signature", "Create your Signature Ad Promo.", "Enter your Signature Promo:", "Signature Promos:", "Signature Promo Details:", "Signature"}},
    {PromoKind::Email, PromoShape::Text, &Project::Email, "Email Ad", "e-mail ads", "Email Ad", "Please provide a valid Email Ad.",
     "", "Please select a Email Ad to delete.", "Email Ad", "AfEmail", "^^", false, "%%TABLE_EMAIL_INIT%%",
     "%%TABLE_EMAIL_END%%", "%%EMAIL%%", false, "EMAIL", "<a href=\"#emailcopy\" target=\"_self\">Email Copy</a> | ",
     {"email", "Create your Email Ad.", "Write your email:", "Email Ads:", "Email Ad Details:", "E-mail Ad"}},
    {PromoKind::AutoEmail, PromoShape::Text, &Project::AutoEmail, "Autoresponder Ad", "autoresponder e-mails", "Autoresponder Ad",
     "Please provide a valid Autoresponder Ad.", "", "Please select an Autoresponder Ad to delete.",
     "Autoresponder Ad", "AfAutoEmail", "^^", false, "%%TABLE_AUTORESPONDER_INIT%%", "%%TABLE_AUTORESPONDER_END%%",
     "%%AUTOEMAIL%%", false, "AUTORESPONDER", "<a href=\"#autoemailcopy\" target=\"_self\"> Autoresponder Emails</a> | ",
     {"autoEmail", "Create your Autoresponder Email Promo.", "Write your email:", "Email Autoresponder Promos:", "Autoresponder Email Details:", "Autoresponder E-mail"}},
    {PromoKind::Articles, PromoShape::Text, &Project::Articles, "Article", "articles", "Article",
     "Please provide a valid Article.", "", "Please select a Article to delete.", "Article", "AfArticles", "^^", false,
     "%%TABLE_ARTICLE_INIT%%", "%%TABLE_ARTICLE_END%%", "%%ARTICLE%%", false,
     "ARTICLE", "<a href=\"#articles\" target=\"_self\">Articles</a> | ",
     {"article", "Create your Article.", "Enter your Article:", "Articles:", "Article Details:", "Article"}},
    {PromoKind::PopUps, PromoShape::Text, &Project::PopUps, "PopUp", "pop-up codes", "PopUp", "Please provide a valid PopUp.", "",
     "Please select a PopUp to delete.", "PopUp", "AfPopUps", "^^", false, "%%TABLE_POPUP_INIT%%", "%%TABLE_POPUP_END%%",
     "%%POPUP%%", false, "POPUP", "<a href=\"#pops\" target=\"_self\">PopUp Codes </a> | ",
     {"popUp", "Create your PopUp Code.", "Enter your PopUp Code:", "PopUp Codes:", "PopUp Code Details:", "Pop-up Code"}},
    {PromoKind::SocialPosts, PromoShape::Post, &Project::SocialPosts, "Social Post", "social posts", "Social Post",
     "Please provide a valid Social Post.", "", "Please select a Social Post to delete.", "Social Post",
     "AfSocialPosts", "^^", true, "%%TABLE_SOCIAL_INIT%%", "%%TABLE_SOCIAL_END%%", "%%SOCIAL%%", true,
     "SOCIAL", "<a href=\"#social\" target=\"_self\">Social Posts</a> | ",
     {"socialPost", "Create your Social Post.", "Write your post:", "Social Posts:", "Social Post Details:", "Post"}},
}};

constexpr std::array<PromoKind, kPromoKindTable.size()> KindsOfTable() {
  std::array<PromoKind, kPromoKindTable.size()> kinds{};
  for (std::size_t k = 0; k < kinds.size(); ++k) kinds[k] = kPromoKindTable[k].kind;
  return kinds;
}
// Every kind, in the order of the table (the wizard's and the file's order).
inline constexpr std::array<PromoKind, kPromoKindTable.size()> kPromoKinds = KindsOfTable();

// The order in which the page's repeated blocks are cut from a template:
// a later block is only found after an earlier one, as templates expect.
inline constexpr std::array<PromoKind, 8> kPageBlockOrder = {
    PromoKind::Anchors,    PromoKind::Email,  PromoKind::AutoEmail, PromoKind::Articles,
    PromoKind::Signatures, PromoKind::PopUps, PromoKind::Banners,   PromoKind::SocialPosts};
// The order of the page's menu after the affiliate link's entry.
inline constexpr std::array<PromoKind, kPromoKindTable.size()> kPageMenuOrder = {
    PromoKind::Anchors, PromoKind::Email,    PromoKind::Signatures, PromoKind::PopUps,
    PromoKind::Banners, PromoKind::Articles, PromoKind::PPC,        PromoKind::AutoEmail, PromoKind::SocialPosts};

constexpr const PromoKindInfo& InfoOf(PromoKind kind) { return kPromoKindTable[static_cast<std::size_t>(kind)]; }

inline PromoList& ListOf(Project& project, PromoKind kind) { return project.*InfoOf(kind).items; }
inline const PromoList& ListOf(const Project& project, PromoKind kind) { return project.*InfoOf(kind).items; }

constexpr bool RowsFollowTheEnum() {
  for (std::size_t k = 0; k < kPromoKindTable.size(); ++k)
    if (static_cast<std::size_t>(kPromoKindTable[k].kind) != k) return false;
  return true;
}
static_assert(RowsFollowTheEnum(), "InfoOf finds a kind's row by its number");

}  // namespace velmora
