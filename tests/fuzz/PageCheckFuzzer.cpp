// The page check with a fuzzed project and template: reading the repeated
// rows once per kind finds what reading the whole page finds, a finished
// page read in small slices gives what one reading gives, and no page of
// any bytes stops the check of a finished page, read in slices cut anyway
// where it has no place to cut that reopens alike.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <string>
#include <vector>

#include "app/Utils.h"
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

PromoList Items(FuzzedDataProvider& input) {
  PromoList items(input.ConsumeIntegralInRange<std::size_t>(0, 3));
  for (auto& item : items) item = input.ConsumeRandomLengthString(40);
  return items;
}

// Both readings report each finding once; their order may differ.
std::vector<Finding> InOrder(std::vector<Finding> findings) {
  std::sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.code, a.where.what, a.where.kind, a.where.index, a.message) <
           std::tie(b.code, b.where.what, b.where.kind, b.where.index, b.message);
  });
  return findings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const auto inOne = CheckFinishedPage(bytes, bytes.size() + 1);
  const auto inSlices = CheckFinishedPage(bytes, 1 + (size > 0 ? data[0] % 32 : 0));
  if (inOne != inSlices) {
    for (const auto& [name, findings] : {std::pair{"one", &inOne}, std::pair{"slices", &inSlices}})
      for (const Finding& f : *findings) std::fprintf(stderr, "%s: %s | %s\n", name, f.code.c_str(), f.message.c_str());
  }
  FUZZ_CHECK(inOne == inSlices);
  // Slices cut anyway, where the page has no place that reopens alike: as
  // near one reading as start tags can put the parser back, so the
  // sanitizers alone judge it.
  const std::size_t slice = 1 + (size > 0 ? data[0] % 32 : 0);
  CheckFinishedPage(bytes, slice, slice + (size > 1 ? data[1] % 64 : 0));

  FuzzedDataProvider input(data, size);
  Project project;
  project.Title = input.ConsumeRandomLengthString(24);
  project.URL = input.ConsumeRandomLengthString(40);
  project.ClickBankId = input.ConsumeRandomLengthString(12);
  for (PromoList* list : {&project.Anchors, &project.PPC, &project.Banners, &project.Signatures, &project.Email,
                          &project.AutoEmail, &project.Articles, &project.PopUps}) {
    *list = Items(input);
  }
  const std::string templateText = JoinLines(SplitLines(input.ConsumeRemainingBytesAsString()));
  const std::string page = FillTemplate(templateText, project);
  const auto byRows = InOrder(CheckProjectPage(project, templateText, page));
  const auto whole = InOrder(CheckProjectPage(project, templateText, page, true));
  if (byRows != whole) {
    std::fprintf(stderr, "page: [%s]\nlink: [%s]\n", page.c_str(), project.URL.c_str());
    for (PromoKind kind : kPromoKinds)
      for (const std::string& item : ListOf(project, kind))
        std::fprintf(stderr, "item %d: [%s]\n", static_cast<int>(kind), item.c_str());
    for (const auto& [name, findings] : {std::pair{"rows once", &byRows}, std::pair{"whole page", &whole}})
      for (const Finding& f : *findings)
        std::fprintf(stderr, "%s: %s | %s | %s\n", name, f.code.c_str(), f.Place().c_str(), f.message.c_str());
  }
  FUZZ_CHECK(byRows == whole);
  return 0;
}
