#pragma once
// The page "Generate Code" would make now, for the live preview: nothing is
// written and nothing is asked, so it can run after every keystroke.
//
// So that a keystroke need not show the whole page again, the preview's page
// holds marks (comments of a name of the preview's own) around every part a
// change to the project can touch: each placeholder's value where it stands
// as markup, the whole element where it stands in a tag or in an element
// whose content is text (a title, a text box), and each row of a block. Two
// pages made with the same marks differ only between marks, and only those
// parts need showing anew.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "generator/PageCheck.h"
#include "project/Project.h"

namespace velmora {

// The generated page, or a short page that says why there is none (no
// template chosen, template missing or unreadable).
std::string PreviewPage(const Project& project, const std::string& templateName,
                        const std::vector<std::filesystem::path>& templateFolders);

// That page and the template it was made from, read once, for a page check
// run elsewhere (the window runs it off its own thread). No template where
// there is no page. With a `mark`, the page holds it (see above): Unmarked()
// then gives the page as saved.
struct PreviewToCheck {
  std::string page;
  std::optional<std::string> templateText;
};
PreviewToCheck PreviewPageToCheck(const Project& project, const std::string& templateName,
                                  const std::vector<std::filesystem::path>& templateFolders,
                                  std::string_view mark = {});

// A name for marks, new for every run of the program, so that no page can
// hold one by chance or by design.
const std::string& PreviewMark();
// The comment `mark` stands for in a page.
std::string MarkComment(std::string_view mark);
// The template with the marks put in.
std::string MarkChangingParts(std::string_view templateText, std::string_view mark);
// The page FillPage makes, with the marks in it where the marked page is
// that same page once they are taken out; else without them.
Result<std::string> MarkedPage(std::string_view templateText, const Project& project, std::string_view mark);
// The page with the marks taken out.
std::string Unmarked(std::string_view page, std::string_view mark);

// One part to show anew: what stands between the shown page's marks `after`
// and `before` (counted from 0) becomes `html`, which may hold marks of its own.
struct PreviewChange {
  std::size_t after;
  std::size_t before;
  std::string html;
  bool operator==(const PreviewChange&) const = default;
};
struct PreviewChanges {
  std::size_t marks = 0;  // how many the shown page holds
  std::vector<PreviewChange> changes;
};
// What turns the shown page into `next`, part by part; nothing where only
// the whole page will do: the page outside the marks changed, or a changed
// part is markup that could read otherwise on its own than in the whole
// page (an element left open, or one that belongs to the page's frame).
std::optional<PreviewChanges> PlanPreviewChanges(std::string_view shown, std::string_view next,
                                                 std::string_view mark);

}  // namespace velmora
