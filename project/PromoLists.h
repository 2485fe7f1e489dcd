#pragma once
// The promo kinds' wizard pages and the one algorithm they
// share: create, delete and show, with each kind's messages. The board also
// keeps the list-box entries, so that "entry k stands for item k" holds in
// one place; the window only copies them into its list boxes.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Ports.h"
#include "project/Project.h"
#include "project/PromoKinds.h"

namespace velmora {

struct ItemEdit;

// What the user typed on a promo page. `text` is the one input of a kind,
// or the title of a PPC ad; multi-line input comes with CR LF line breaks.
struct PromoInput {
  std::string text;
  std::string body;  // PPC only
  std::string link;  // PPC only
  std::string alt = {};  // banners only: the picture's alternative text
};

// The stored form of one promo: PPC ads as "^title^body^link^", multi-line
// texts flattened with "$$", anchors and banners as typed (see
// project/ItemText.h for the characters the form reserves). One-line inputs
// (anchor, banner, PPC title and link) have each line break made a space.
std::string BuildPromoItem(PromoKind kind, const PromoInput& input);

// Why the input cannot become an item of `list` (the warning to show), or
// nothing. Creating and replacing items both ask this; `ignoreIndex` is the
// item being replaced, which the duplicate check leaves out.
std::optional<std::string> CheckPromo(PromoKind kind, const PromoInput& input, const PromoList& list,
                                      int ignoreIndex = -1);

// What an item's entry in its list reads: the anchor text, the PPC ad's
// title, the banner's file name (its whole address when it names no file),
// or the first line of a text with words in it. Titles and first lines are
// cut after kLabelCharacters characters, marked by "...".
std::string ItemLabel(PromoKind kind, std::string_view item);
inline constexpr std::size_t kLabelCharacters = 80;

// One entry of a list box: its label and, for a banner, the address of the
// picture it shows beside it.
struct PromoEntry {
  std::string label;
  std::string picture;

  bool operator==(const PromoEntry&) const = default;
};

class PromoBoard {
public:
  PromoBoard() = default;

  const std::vector<PromoEntry>& Entries(PromoKind kind) const { return entries_[Index(kind)]; }

  // The detail view's text for a click on entry `selected` (CR LF line
  // breaks), the banner's address for the preview, or nothing to change.
  std::optional<std::string> Show(const Project& project, PromoKind kind, int selected) const;

  // "Edit Ad": the inputs that build item `row` again (CR LF line breaks).
  std::optional<PromoInput> EditInput(const Project& project, PromoKind kind, int row) const;

  // After a load: every entry labelled from its item.
  void Rebuild(const Project& project);
  // The entries follow an edit just made to the project's list (project/ProjectEdit).
  void Follow(const Project& project, const ItemEdit& edit);

private:
  static std::size_t Index(PromoKind kind) { return static_cast<std::size_t>(kind); }
  void Rebuild(const Project& project, PromoKind kind);

  std::array<std::vector<PromoEntry>, kPromoKinds.size()> entries_;
};

// A banner's alternative text, by its address; empty when it has none.
// Setting an empty text removes it.
std::string BannerAlt(const Project& project, const std::string& address);
void SetBannerAlt(Project& project, const std::string& address, std::string_view alt);

// The address "Browse" puts into the banner field for a picture file chosen
// at `path` (native separators), as a file URL a browser can follow:
// C:\Pics\top.gif gives file:///C:/Pics/top.gif, /home/a b.gif file:///home/a%20b.gif.
std::string BrowsedPictureAddress(std::string_view path);

}  // namespace velmora
