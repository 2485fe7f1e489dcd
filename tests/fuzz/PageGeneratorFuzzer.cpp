// The page generator with a fuzzed template and project, held against the
// page made by plain whole-page replacements in the documented order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string_view>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "generator/PageText.h"
#include "project/PromoKinds.h"
#include "project/ItemText.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;
using velmora::fuzz::NaiveReplace;

namespace {

// The item as a block shows it at each of its placeholders: escaped with
// its link where the placeholder stands in a text box.
std::string ReferenceRow(const std::string& block, std::string_view placeholder, const std::string& item,
                         bool startsInBox, const std::string& url) {
  const std::vector<bool> boxed = MatchesInTextAreas(block, placeholder, startsInBox);
  std::string boxedItem = EscapeForTextArea(item);
  if (EscapeForTextArea(url) != url) boxedItem = NaiveReplace(boxedItem, "%%AFFILIATELINK%%", EscapeForTextArea(url));
  std::string row;
  std::size_t from = 0;
  for (const bool inBox : boxed) {
    const std::size_t at = block.find(placeholder, from);
    row += block.substr(from, at - from) + (inBox ? boxedItem : item);
    from = at + placeholder.size();
  }
  return row + block.substr(from);
}

std::string ReferencePage(const std::string& givenText, const Project& project) {
  std::string templateText = ApplySections(givenText, project);
  if (FindIgnoreCaseAscii(templateText, "<textarea") != std::string::npos) {
    if (EscapeForTextArea(project.Title) != project.Title)
      templateText = ReplaceInTextAreas(templateText, "%%TITLE%%", EscapeForTextArea(project.Title));
    if (EscapeForTextArea(project.URL) != project.URL)
      templateText = ReplaceInTextAreas(templateText, "%%AFFILIATELINK%%", EscapeForTextArea(project.URL));
  }
  const auto boxes = TextAreaContents(templateText);
  std::string work = templateText;
  std::string blocks[kPageBlockOrder.size()];
  bool inBox[kPageBlockOrder.size()] = {};
  for (std::size_t k = 0; k < kPageBlockOrder.size(); ++k) {
    const PromoKindInfo& block = InfoOf(kPageBlockOrder[k]);
    const std::size_t open = FindIgnoreCaseAscii(work, block.blockOpen);
    const std::size_t at = templateText.size() - work.size() + open;
    for (const auto& box : boxes) inBox[k] = inBox[k] || (open != std::string::npos && box.first <= at && at < box.second);
    blocks[k] = TrimControl(ExtractTagged(block.blockOpen, block.blockClose, work));
  }
  std::string page = templateText;
  page = NaiveReplace(page, "%%TITLE%%", project.Title);
  page = NaiveReplace(page, "%%DESCRIPTION%%", PageDescription(project));
  page = NaiveReplace(page, "%%MENU%%", BuildPageMenu(project));
  page = NaiveReplace(page, "%%AFFILIATECODE%%", project.ClickBankId.empty() ? "" : "?e=" + project.ClickBankId);
  for (std::size_t k = 0; k < kPageBlockOrder.size(); ++k) {
    const PromoKindInfo& block = InfoOf(kPageBlockOrder[k]);
    std::string rows;
    if (block.shape == PromoShape::Post) {
      rows = BuildPostRows(block.fillsLink ? NaiveReplace(blocks[k], "%%AFFILIATELINK%%", project.URL) : blocks[k],
                           ListOf(project, block.kind), project.URL, inBox[k]);
    }
    for (const auto& item : block.shape == PromoShape::Post ? PromoList{} : ListOf(project, block.kind)) {
      std::string row = blocks[k];
      if (block.fillsLink) row = NaiveReplace(row, "%%AFFILIATELINK%%", project.URL);
      // The block's own "$$" are line breaks; a text shows as typed.
      if (block.MultiLine()) row = NaiveReplace(row, "$$", "\r\n");
      row = ReferenceRow(row, block.placeholder, block.MultiLine() ? TypedMultiLine(item) : item, inBox[k], project.URL);
      rows += row;
    }
    page = NaiveReplace(page, blocks[k], rows);
    page = NaiveReplace(page, std::string(block.blockOpen), "");
    page = NaiveReplace(page, std::string(block.blockClose), "");
    page = NaiveReplace(page, std::string(block.placeholder), "");
  }
  page = NaiveReplace(page, "%%BANNER_ALT%%", "");  // no banner has one here
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
  Project project;
  project.Title = input.ConsumeRandomLengthString(24);
  project.URL = input.ConsumeRandomLengthString(40);
  project.ClickBankId = input.ConsumeRandomLengthString(12);
  project.Description = input.ConsumeRandomLengthString(24);
  for (const PromoKind kind : kPromoKinds) ListOf(project, kind) = Items(input);
  // The template as a line file reads it.
  const std::string templateText = JoinLines(SplitLines(input.ConsumeRemainingBytesAsString()));
  const std::string page = FillTemplate(templateText, project);
  FUZZ_CHECK(page == ReferencePage(templateText, project));
  // The page written in parts is the same page, and its line-file form is the whole page's.
  std::string parts;
  std::string lineFile;
  LineFileWriter lines([&lineFile](std::string_view bytes) -> Result<void> {
    lineFile += bytes;
    return {};
  });
  FUZZ_CHECK(WritePage(templateText, project, [&](std::string_view part) {
    parts += part;
    lines.Write(part);
  }, SIZE_MAX));
  FUZZ_CHECK(lines.Finish());
  FUZZ_CHECK(parts == page);
  FUZZ_CHECK(lineFile == JoinLines(SplitLines(page)));
  return 0;
}
