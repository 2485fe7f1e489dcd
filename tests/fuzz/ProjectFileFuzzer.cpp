// The project file reader on any bytes. What a load gives, saved and loaded
// again, must come back as it was saved.
#include <cstdint>

#include "app/Utils.h"
#include "project/ProjectFile.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

bool Same(const TAffManager& a, const TAffManager& b) {
  return a.Title == b.Title && a.URL == b.URL && a.ClickBankId == b.ClickBankId && a.Template == b.Template &&
         a.Anchors == b.Anchors && a.PPC == b.PPC && a.Banners == b.Banners && a.Signatures == b.Signatures &&
         a.Email == b.Email && a.AutoEmail == b.AutoEmail && a.Articles == b.Articles && a.PopUps == b.PopUps &&
         a.FileName == b.FileName;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TAffManager loaded = ParseProject(fuzz::Bytes(data, size));
  // A hand-edited file may lose what a save cannot express (an empty last
  // item, say); after one save the project must be stable.
  const TAffManager saved = ParseProject(JoinLines(ProjectLines(loaded)));
  const TAffManager savedAgain = ParseProject(JoinLines(ProjectLines(saved)));
  FUZZ_CHECK(Same(saved, savedAgain));
  return 0;
}
