// The page generator with a fuzzed template and project, held against the
// page made by plain whole-page replacements in the documented order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;
using velmora::fuzz::NaiveReplace;

namespace {

struct Block {
  const char* open;
  const char* close;
  PromoList TAffManager::*items;
  const char* placeholder;
  bool fillsLink;
  bool expandsBreaks;
};

const Block kBlocks[] = {
    {"%%TABLE_LINKTEXT_INIT%%", "%%TABLE_LINKTEXT_END%%", &TAffManager::Anchors, "%%ANCHORTEXT%%", true, false},
    {"%%TABLE_EMAIL_INIT%%", "%%TABLE_EMAIL_END%%", &TAffManager::Email, "%%EMAIL%%", false, true},
    {"%%TABLE_AUTORESPONDER_INIT%%", "%%TABLE_AUTORESPONDER_END%%", &TAffManager::AutoEmail, "%%AUTOEMAIL%%", false,
     true},
    {"%%TABLE_ARTICLE_INIT%%", "%%TABLE_ARTICLE_END%%", &TAffManager::Articles, "%%ARTICLE%%", false, true},
    {"%%TABLE_SIGNATURE_INIT%%", "%%TABLE_SIGNATURE_END%%", &TAffManager::Signatures, "%%SIGNATURE%%", false, true},
    {"%%TABLE_POPUP_INIT%%", "%%TABLE_POPUP_END%%", &TAffManager::PopUps, "%%POPUP%%", false, true},
    {"%%TABLE_BANNER_INIT%%", "%%TABLE_BANNER_END%%", &TAffManager::Banners, "%%BANNER%%", true, false},
};

std::string ReferencePage(const std::string& templateText, const TAffManager& project) {
  std::string work = templateText;
  std::string blocks[std::size(kBlocks)];
  for (std::size_t k = 0; k < std::size(kBlocks); ++k) {
    blocks[k] = TrimControl(ExtractTagged(kBlocks[k].open, kBlocks[k].close, work));
  }
  std::string page = templateText;
  page = NaiveReplace(page, "%%TITLE%%", project.Title);
  page = NaiveReplace(page, "%%MENU%%", BuildPageMenu(project));
  page = NaiveReplace(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? "" : "?e=" + project.ClickBankId);
  for (std::size_t k = 0; k < std::size(kBlocks); ++k) {
    const Block& block = kBlocks[k];
    std::string rows;
    for (const auto& item : project.*block.items) {
      std::string row = blocks[k];
      if (block.fillsLink) row = NaiveReplace(row, "%%AFFILIATELINK%%", project.URL);
      row = NaiveReplace(row, block.placeholder, item);
      if (block.expandsBreaks) row = NaiveReplace(row, "$$", "\r\n");
      rows += row;
    }
    page = NaiveReplace(page, blocks[k], rows);
    page = NaiveReplace(page, block.open, "");
    page = NaiveReplace(page, block.close, "");
    page = NaiveReplace(page, block.placeholder, "");
  }
  page = NaiveReplace(page, "%%PPCADS%%", BuildPpcTable(project.PPC));
  return NaiveReplace(page, "%%AFFILIATELINK%%", project.URL);
}

PromoList Items(FuzzedDataProvider& input) {
  PromoList items(input.ConsumeIntegralInRange<std::size_t>(0, 3));
  for (auto& item : items) item = input.ConsumeRandomLengthString(40);
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  TAffManager project;
  project.Title = input.ConsumeRandomLengthString(24);
  project.URL = input.ConsumeRandomLengthString(40);
  project.ClickBankId = input.ConsumeRandomLengthString(12);
  for (PromoList* list : {&project.Anchors, &project.PPC, &project.Banners, &project.Signatures, &project.Email,
                          &project.AutoEmail, &project.Articles, &project.PopUps}) {
    *list = Items(input);
  }
  // The template as a line file reads it.
  const std::string templateText = JoinLines(SplitLines(input.ConsumeRemainingBytesAsString()));
  FUZZ_CHECK(FillTemplate(templateText, project) == ReferencePage(templateText, project));
  return 0;
}
