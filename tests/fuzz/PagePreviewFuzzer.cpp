// The live preview's marks with a fuzzed template and two titles: the page
// shown is the page as saved once its marks are taken out, and the changes
// planned between the two pages turn the first into the second.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "generator/PageGenerator.h"
#include "generator/PagePreview.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace velmora;

namespace {

constexpr std::string_view kMark = "velmora-fuzz";

// `shown` with each change put in, as the preview's script does in the page.
std::string Applied(const std::string& shown, const PreviewChanges& plan) {
  const std::string comment = MarkComment(kMark);
  std::vector<std::string> parts;  // part i lies between marks i - 1 and i
  std::size_t from = 0;
  for (std::size_t at = shown.find(comment); at != std::string::npos; at = shown.find(comment, from)) {
    parts.push_back(shown.substr(from, at - from));
    from = at + comment.size();
  }
  parts.push_back(shown.substr(from));
  FUZZ_CHECK(parts.size() == plan.marks + 1);
  for (auto change = plan.changes.rbegin(); change != plan.changes.rend(); ++change) {
    FUZZ_CHECK(change->after < change->before && change->before < parts.size());
    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(change->after) + 1,
                parts.begin() + static_cast<std::ptrdiff_t>(change->before) + 1);
    parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(change->after) + 1, change->html);
  }
  std::string page;
  for (std::size_t i = 0; i < parts.size(); ++i) page += (i ? comment : "") + parts[i];
  return page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Project project;
  project.URL = "http://x.example/";
  project.Title = input.ConsumeRandomLengthString(64);
  const std::string retitled = input.ConsumeRandomLengthString(64);
  project.Anchors = {input.ConsumeRandomLengthString(64)};
  const std::string templateText = input.ConsumeRemainingBytesAsString();
  // The real mark is new for every run: no template or project can hold it.
  for (std::string_view text : {templateText, project.Title, retitled, project.Anchors[0]})
    if (text.find(kMark) != std::string_view::npos) return 0;

  const auto plain = FillPage(templateText, project);
  const auto shown = MarkedPage(templateText, project, kMark);
  if (!plain || !shown || plain->find(kMark) != std::string::npos) return 0;  // nor make it of two pieces
  FUZZ_CHECK(Unmarked(*shown, kMark) == *plain);

  Project next = project;
  next.Title = retitled;
  const auto nextPage = MarkedPage(templateText, next, kMark);
  if (!nextPage) return 0;
  if (const auto plan = PlanPreviewChanges(*shown, *nextPage, kMark)) FUZZ_CHECK(Applied(*shown, *plan) == *nextPage);
  return 0;
}
