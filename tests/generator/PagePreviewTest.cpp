#include "generator/PagePreview.h"

#include <gtest/gtest.h>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

TEST(PagePreview, IsTheGeneratedPageOrSaysWhyThereIsNone) {
  test::TempDir dir;
  std::filesystem::create_directories(std::filesystem::path(dir.folder()) / "Templates");
  ASSERT_TRUE(
      WriteFileAtomic(std::filesystem::path(dir.folder()) / "Templates" / "plain.tem", "<title>%%TITLE%%</title>\r\n"));
  const std::vector<std::filesystem::path> folders{std::filesystem::path(dir.folder()) / "Templates"};
  Project project;
  project.Title = "Tom & <Jerry>";

  EXPECT_EQ(PreviewPage(project, "Plain", folders), GeneratePage(project, "Plain", folders).value());
  const std::string missing = PreviewPage(project, "Gone <b>", folders);
  EXPECT_NE(missing.find("The template &quot;Gone &lt;b&gt;&quot; is missing"), std::string::npos) << missing;
  EXPECT_NE(PreviewPage(project, "", folders).find("Choose a template"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir.folder()) / "Output")) << "nothing is written";
  // A page over the limit "Generate Code" keeps is not made for the preview either.
  ASSERT_TRUE(WriteFileAtomic(std::filesystem::path(dir.folder()) / "Templates" / "huge.tem",
                              "%%TABLE_LINKTEXT_INIT%%" + std::string(std::size_t{1} << 20, 'x') +
                                  "%%TABLE_LINKTEXT_END%%\r\n"));
  Project many;
  many.Anchors.assign(65, "a");
  EXPECT_NE(PreviewPage(many, "Huge", folders).find("larger than 64 MB"), std::string::npos);

  const PreviewToCheck toCheck = PreviewPageToCheck(project, "Plain", folders);
  EXPECT_EQ(toCheck.page, PreviewPage(project, "Plain", folders));
  EXPECT_EQ(toCheck.templateText, "<title>%%TITLE%%</title>\r\n");
  EXPECT_FALSE(PreviewPageToCheck(project, "Gone", folders).templateText) << "no page, nothing to check";
}

namespace {

std::vector<std::filesystem::path> ShippedTemplates() {
  return {std::filesystem::path(VELMORA_SOURCE_DIR) / "templates"};
}

Project Promos() {
  Project project;
  project.Title = "Grow Food";
  project.URL = "http://xxxx.vendor.example/";
  project.Anchors = {"Grow vegetables", "Twice as fast"};
  project.Email = {"Subject: Offer$$Hi,$$%%AFFILIATELINK%%"};
  project.PPC = {"^Grow Food^At home^www.example.com^"};
  return project;
}

std::string Marked(const Project& project, const std::string& templateName = "Aurora") {
  return PreviewPageToCheck(project, templateName, ShippedTemplates(), PreviewMark()).page;
}

}  // namespace

// The marks are comments between parts of the markup: taken out, the page is
// the one "Generate Code" saves, byte for byte, for every shipped template.
TEST(PagePreview, MarkedPageIsTheSavedPageWithCommentsBetweenItsParts) {
  for (const char* name : {"Aurora", "Midnight", "Sunrise"}) {
    const std::string marked = Marked(Promos(), name);
    EXPECT_NE(marked.find(MarkComment(PreviewMark())), std::string::npos) << name;
    EXPECT_EQ(Unmarked(marked, PreviewMark()), GeneratePage(Promos(), name, ShippedTemplates()).value()) << name;
  }
  EXPECT_EQ(MarkChangingParts("<title>%%TITLE%%</title><h1 title=\"%%TITLE%%\">%%TITLE%% <b>%%TITLE%%</b></h1>"
                              "<textarea>%%TITLE%%</textarea><br alt=\"%%TITLE%%\">",
                              "m"),
            "<!--m--><title>%%TITLE%%</title><!--m--><h1 title=\"%%TITLE%%\">%%TITLE%% <b>%%TITLE%%</b></h1><!--m-->"
            "<textarea>%%TITLE%%</textarea><!--m--><br alt=\"%%TITLE%%\"><!--m-->")
      << "the whole element where the value is in a tag or a text element; one within another goes with it";
  EXPECT_NE(PreviewMark(), "") << "a name no page can know";

  // The generator fills a block's text wherever it stands; marks in the block
  // would keep the copy outside it from matching, so that page goes unmarked.
  const std::string repeated = "%%TABLE_LINKTEXT_INIT%%<p>%%ANCHORTEXT%%</p>%%TABLE_LINKTEXT_END%%<p>%%ANCHORTEXT%%</p>";
  const std::string saved = FillPage(repeated, Promos()).value();
  EXPECT_EQ(MarkedPage(repeated, Promos(), "m").value(), saved);
  EXPECT_NE(Unmarked(FillPage(MarkChangingParts(repeated, "m"), Promos()).value(), "m"), saved)
      << "marked, the copy outside the block is left unfilled";
}

// A change is shown by the parts it touches: the title where it stands, one
// promo's row, a row added; the whole page where the frame changed or a part
// would read otherwise on its own.
TEST(PagePreview, PlanShowsOnlyThePartsAChangeTouches) {
  const std::string& mark = PreviewMark();
  const Project before = Promos();
  const std::string shown = Marked(before);

  Project retitled = before;
  retitled.Title = "Grow More";
  const auto title = PlanPreviewChanges(shown, Marked(retitled), mark);
  ASSERT_TRUE(title);
  EXPECT_EQ(title->marks, CountOf(shown, MarkComment(mark)));
  // The description made from the title, the title element, the heading and the footer.
  ASSERT_EQ(title->changes.size(), 4u);
  EXPECT_NE(title->changes[0].html.find("affiliates of Grow More"), std::string::npos);
  EXPECT_EQ(title->changes[1].html, "<title>Grow More</title>");
  EXPECT_EQ(title->changes[2].html, "Grow More");
  EXPECT_EQ(title->changes[3].html, "Grow More");

  Project edited = before;
  edited.Anchors[1] = "Three times as fast";
  const auto item = PlanPreviewChanges(shown, Marked(edited), mark);
  ASSERT_TRUE(item);
  ASSERT_EQ(item->changes.size(), 2u) << "the row's link and its text box";
  for (const PreviewChange& change : item->changes)
    EXPECT_NE(change.html.find("Three times as fast"), std::string::npos) << change.html;

  Project added = before;
  added.Anchors.push_back("Fresh all year");
  const auto row = PlanPreviewChanges(shown, Marked(added), mark);
  ASSERT_TRUE(row);
  ASSERT_EQ(row->changes.size(), 1u);
  EXPECT_NE(row->changes[0].html.find("Fresh all year"), std::string::npos);
  EXPECT_EQ(CountOf(row->changes[0].html, "Fresh all year"), 2u);

  Project unclosed = before;
  unclosed.Anchors[0] = "Grow <b>vegetables";
  EXPECT_FALSE(PlanPreviewChanges(shown, Marked(unclosed), mark)) << "an element left open reaches past its row";
  EXPECT_FALSE(PlanPreviewChanges(shown, Marked(before, "Midnight"), mark)) << "another template";
  EXPECT_FALSE(PlanPreviewChanges(shown, shown, {})) << "a page without marks";
  EXPECT_TRUE(PlanPreviewChanges(shown, shown, mark)->changes.empty());
}
