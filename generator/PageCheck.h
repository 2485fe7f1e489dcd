#pragma once
// What would break or mislead on a published page: a check of the project
// and of the page made from it. It only reports; the page is made as always.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "project/Project.h"
#include "project/PromoLists.h"

namespace velmora {

// Where a finding comes from, so the window can take the user there.
struct FindingPlace {
  enum class What { Page, Template, Title, AffiliateLink, Promo };
  What what = What::Page;
  PromoKind kind = PromoKind::Anchors;  // with Promo
  std::size_t index = 0;                // with Promo: the item, from 0

  bool operator==(const FindingPlace&) const = default;
};

// "Banner \"top.gif\"", "PPC Ad \"Summer sale\"" for an item labelled so (see
// ItemLabel); "Banner 3" where the label is not known; "Title",
// "Affiliate link", "Template", "Page".
std::string PlaceName(const FindingPlace& place, std::string_view itemLabel = {});

struct Finding {
  std::string code;  // "link-invalid", "missing-alt", ...
  FindingPlace where;
  std::string message;
  std::string item{};  // with Promo: the item's label, as its list shows it
  // Names the finding across edits elsewhere, moves included: its code,
  // its place and what stands there, never a position.
  std::string key{};
  bool intended = false;  // marked so by the user: listed, not counted
  std::string Place() const { return PlaceName(where, item); }

  bool operator==(const Finding&) const = default;
};

// Labels the findings' items as `project` shows them, keys the findings and
// marks those the project keeps as intended. CheckProjectPage does this
// with the project it checks; a caller that checked a copy made to travel
// (picture addresses changed) names them again from the project as typed.
void NameFindings(const Project& project, std::vector<Finding>& findings);
// Marks as intended the findings whose keys stand in `intended`, and no others.
void MarkIntended(std::vector<Finding>& findings, const std::vector<std::string>& intended);
// Puts `key` into the project's intended findings, or takes it out.
void SetIntended(Project& project, const std::string& key, bool intended);
// The findings not marked as intended.
std::size_t CountToLookAt(const std::vector<Finding>& findings);
// Where the item a finding names stands among `entries` now: its own row
// while the entry there still reads as the item, else the first entry that
// does, else its own row.
std::size_t FindingRow(const Finding& finding, const std::vector<PromoEntry>& entries);

// The project and the page it made from `templateText` (the page as
// FillTemplate returned it). Findings come in a stable order, each once.
// The page's repeated rows are read once per kind, with the items checked
// where they stand; `readWholePage` reads every row instead (slower, and
// the findings are the same).
std::vector<Finding> CheckProjectPage(const Project& project, std::string_view templateText,
                                      std::string_view page, bool readWholePage = false);

// A finished page on its own: only what the page shows can be checked, so
// the codes that need the project (its link, its items) are left out.
std::vector<Finding> CheckFinishedPage(std::string_view page);
// The same, the page read in slices of about `sliceBytes` (a large page is
// read in slices to bound the memory its tree takes): the findings do not
// depend on the size. Where the page has few places to cut that reopen
// alike, a slice is cut anyway once it would pass `mostSliceBytes` (0: the
// most the check takes, 512 KB or four slices), and findings after it may
// then differ from one reading's.
std::vector<Finding> CheckFinishedPage(std::string_view page, std::size_t sliceBytes, std::size_t mostSliceBytes = 0);

// The rules the check applies to one address or text, for the callers that
// have just that.
bool IsWebAddress(std::string_view address);        // absolute http(s) with a host
bool IsInsecurePicture(std::string_view address);   // "http:" rather than "https:"
bool IsLocalFileAddress(std::string_view address);  // file:, C:\, C:/ or ~/

}  // namespace velmora
