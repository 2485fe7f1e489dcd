#pragma once
// Everything the user enters for one affiliate page.

#include <map>
#include <string>
#include <vector>

#include "publish/PublishTarget.h"

namespace velmora {

// Items in order of creation; each item is one line (multi-line input is
// flattened with "$$" before it is stored; project/ItemText.h).
using PromoList = std::vector<std::string>;

struct Project {
  std::string Title;
  std::string URL;          // the affiliate link, "xxxx" marker and all
  std::string ClickBankId;  // the user's affiliate id; only a project load sets it
  std::string Template;     // the listed template name
  PromoList Anchors;
  PromoList PPC;  // "^" title "^" body "^" link "^"
  PromoList Banners;
  PromoList Signatures;
  PromoList Email;
  PromoList AutoEmail;
  PromoList Articles;
  PromoList PopUps;
  std::string FileName;  // output file name
  PromoList SocialPosts;
  std::string Description;  // for search engines; blank: the page makes one from the title
  std::string PageId;  // names the project in the pages it saves, so that it replaces only its own
  std::vector<PublishTarget> PublishTargets;  // where the page is published; never a secret
  std::vector<std::string> IntendedFindings;  // keys of the page check's findings the user means
  // By banner address, so that it follows its banner wherever the list moves
  // it; texts of banners no longer listed are not saved.
  std::map<std::string, std::string> BannerAlts;

  bool operator==(const Project&) const = default;
};

}  // namespace velmora
