#include "generator/PagePreview.h"

#include <gtest/gtest.h>

#include "app/FileIO.h"
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
