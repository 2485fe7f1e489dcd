#include "generator/TemplateCatalogue.h"

#include <gtest/gtest.h>

#include "tests/mock/TempDir.h"

using namespace velmora;
using Names = std::vector<std::string>;

namespace {

struct CatalogueFixture : ::testing::Test {
  test::TempDir program;
  std::filesystem::path folder = program / "Templates";
  void Add(const std::string& name) const { program.Write("Templates/" + name, "<html>" + name + "</html>"); }
};

}  // namespace

TEST_F(CatalogueFixture, ListsTemplatesCaseBlindInOrderWithCapitalisedNames) {
  Add("zeta.tem");
  Add("Alpha.tem");
  Add("beta.tem");
  Add("blue sky.tem");
  Add("1st choice.tem");
  EXPECT_EQ(ListTemplates(folder), (Names{"1st choice", "Alpha", "Beta", "Blue sky", "Zeta"}));
}

TEST_F(CatalogueFixture, LeavesOutOtherFilesFoldersAndHiddenFiles) {
  Add("real.tem");
  Add("notes.txt");
  Add("real.jpg");
  Add(".hidden.tem");
  Add("old.tem/inner.tem");  // a folder named like a template
  Add("real.tem.bak");
  EXPECT_EQ(ListTemplates(folder), (Names{"Real"}));
}

TEST_F(CatalogueFixture, MissingFolderListsNothing) { EXPECT_TRUE(ListTemplates(folder).empty()); }

TEST(TemplateNameOfFile, UpperCasesOnlyAnAsciiFirstLetter) {
  const std::pair<const char*, const char*> cases[] = {
      {"blue.tem", "Blue"}, {"Blue Sky.tem", "Blue Sky"}, {"9lives.tem", "9lives"},
      {"\xe9t\xe9.tem", "\xe9t\xe9"}, {"mIxed.tem", "MIxed"}, {"x.tem", "X"},
  };
  for (const auto& [file, name] : cases) EXPECT_EQ(TemplateNameOfFile(file), name) << file;
}

TEST_F(CatalogueFixture, ListedNameFindsItsFilesWhateverTheirCase) {
  Add("blue.tem");
  Add("blue.jpg");
  Add("GREEN.TEM");
  const auto tem = FindTemplateFile(folder, "Blue", ".tem");
  ASSERT_TRUE(tem);
  EXPECT_EQ(tem->filename(), "blue.tem");
  ASSERT_TRUE(FindTemplateFile(folder, "Blue", ".jpg"));
  EXPECT_EQ(FindTemplateFile(folder, "Blue", ".jpg")->filename(), "blue.jpg");
  ASSERT_TRUE(FindTemplateFile(folder, "Green", ".tem"));
  EXPECT_EQ(FindTemplateFile(folder, "Green", ".tem")->filename(), "GREEN.TEM");
  EXPECT_FALSE(FindTemplateFile(folder, "Green", ".jpg"));
  EXPECT_FALSE(FindTemplateFile(folder, "Red", ".tem"));
}

TEST_F(CatalogueFixture, ExactSpellingWinsOverOtherCases) {
  Add("Blue.tem");
  Add("blue.tem");
  ASSERT_TRUE(FindTemplateFile(folder, "blue", ".tem"));
  EXPECT_EQ(FindTemplateFile(folder, "blue", ".tem")->filename(), "blue.tem");
  EXPECT_EQ(FindTemplateFile(folder, "Blue", ".tem")->filename(), "Blue.tem");
}

TEST_F(CatalogueFixture, NameFromAProjectFileCannotLeaveTheFolder) {
  Add("blue.tem");
  program.Write("secret.tem", "outside");
  EXPECT_FALSE(FindTemplateFile(folder, "../secret", ".tem"));
  EXPECT_FALSE(FindTemplateFile(folder, "..\\secret", ".tem"));
  EXPECT_FALSE(FindTemplateFile(folder, "", ".tem"));
}

TEST_F(CatalogueFixture, ChoosingATemplateSetsItAndShowsOrHidesItsPreview) {
  Add("alpha.tem");
  Add("alpha.jpg");
  Add("beta.tem");
  Project project;
  const auto withPicture = ChooseTemplate(project, {folder}, "Alpha");
  EXPECT_EQ(project.Template, "Alpha");
  ASSERT_TRUE(withPicture.preview);
  EXPECT_EQ(withPicture.preview->filename(), "alpha.jpg");
  EXPECT_FALSE(ChooseTemplate(project, {folder}, "Beta").preview);
  EXPECT_EQ(project.Template, "Beta");
  EXPECT_TRUE(ChooseTemplate(project, {folder}, "Alpha").preview);
}

TEST_F(CatalogueFixture, UserTemplatesListWithTheShippedOnesAndWinOnTheSameName) {
  Add("alpha.tem");
  Add("alpha.jpg");
  Add("beta.tem");
  program.Write("user/ALPHA.tem", "mine");
  program.Write("user/gamma.tem", "mine");
  const std::vector<std::filesystem::path> folders{folder, program / "user"};
  EXPECT_EQ(ListTemplates(folders), (Names{"ALPHA", "Beta", "Gamma"}));
  // The preview belongs to the template that wins: the user's has none.
  Project project;
  EXPECT_FALSE(ChooseTemplate(project, folders, "ALPHA").preview);
  EXPECT_EQ(FindTemplate(folders, "alpha"), program / "user/ALPHA.tem");
  EXPECT_EQ(FindTemplate(folders, "beta"), folder / "beta.tem");
  EXPECT_EQ(ListTemplates({folder, program / "no user folder"}), (Names{"Alpha", "Beta"}));
}

TEST(TemplateAfterLoad, PrefersTheProjectsTemplateThenTheFirstListed) {
  const Names listed{"Alpha", "Beta", "Zeta"};
  EXPECT_EQ(TemplateAfterLoad(listed, "beta"), "Beta");
  EXPECT_EQ(TemplateAfterLoad(listed, "ZETA"), "Zeta");
  EXPECT_EQ(TemplateAfterLoad(listed, "Gamma"), "Alpha");
  EXPECT_EQ(TemplateAfterLoad(listed, ""), "Alpha");
  EXPECT_EQ(TemplateAfterLoad({}, "Beta"), "");
  EXPECT_EQ(FindListedTemplate(listed, "zeta"), std::optional<std::size_t>(2));
  EXPECT_FALSE(FindListedTemplate(listed, "Zet"));
}

TEST(TemplateNotListedWarning, QuotesTheProjectsNameHarmlessly) {
  EXPECT_EQ(TemplateNotListedWarning("Gamma", "Alpha"),
            "The project asks for the template \"Gamma\", which is not installed. The page is shown with the template "
            "\"Alpha\" instead.");
  // A name from someone else's file must not move the terminal or the message about.
  EXPECT_EQ(UnknownTemplateMessage("a\nb\x1b[2J", {"Alpha"}), "No template named \"a?b?[2J\". Installed templates: Alpha.");
  EXPECT_EQ(ShownTemplateName(std::string(100, 'n')), std::string(80, 'n') + "...");
}
