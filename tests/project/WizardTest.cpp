#include "project/Wizard.h"

#include <gtest/gtest.h>

#include "project/Project.h"
#include "tests/mock/FakePorts.h"

using namespace velmora;

namespace {

struct FirstPageCase {
  const char* name;
  std::string title;
  std::string url;
  std::vector<std::string> expectedMessages;
  int expectedPage;
};

class FirstPageCheck : public ::testing::TestWithParam<FirstPageCase> {};

}  // namespace

TEST_P(FirstPageCheck, NextOnTheFirstPage) {
  const auto& c = GetParam();
  Wizard wizard;
  test::FakeMessages messages;
  EXPECT_EQ(wizard.Next(c.title, c.url, messages), c.expectedPage != 0);
  EXPECT_EQ(wizard.PageIndex(), c.expectedPage);
  EXPECT_EQ(messages.Texts(), c.expectedMessages);
  for (const auto& shown : messages.shown) EXPECT_EQ(shown.kind, MessageKind::Warning);
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, FirstPageCheck,
    ::testing::Values(
        FirstPageCase{"BothEmptyShowsOnlyTheTitleMessage", "", "", {"Please provide a valid title for your page."}, 0},
        FirstPageCase{"TitleOfBlanksCountsAsEmpty", "   ", "http://x", {"Please provide a valid title for your page."}, 0},
        FirstPageCase{"TitleOfControlCharactersCountsAsEmpty", "\t\r\n", "http://x",
                      {"Please provide a valid title for your page."}, 0},
        FirstPageCase{"LinkOfBlanksCountsAsEmpty", "My page", " \t ", {"Please provide a valid affiliate url."}, 0},
        FirstPageCase{"LinkWithoutMarkerOrSchemePasses", "My page", "example", {}, 1},
        FirstPageCase{"PaddedTextsPass", " My page ", "  http://xxxx.vendor.hop.example/  ", {}, 1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Wizard, ButtonsFollowThePage) {
  Wizard wizard;
  EXPECT_FALSE(wizard.BackEnabled());
  EXPECT_TRUE(wizard.NextEnabled());
  EXPECT_FALSE(wizard.Back()) << "Back on the first page does nothing";
  EXPECT_EQ(wizard.PageIndex(), 0);

  ASSERT_TRUE(wizard.ShowPage(5));
  EXPECT_TRUE(wizard.BackEnabled());
  EXPECT_TRUE(wizard.NextEnabled());
  EXPECT_TRUE(wizard.Back());
  EXPECT_EQ(wizard.PageIndex(), 4);

  const int last = Wizard::kPageCount - 1;
  ASSERT_TRUE(wizard.ShowPage(last));
  EXPECT_TRUE(wizard.BackEnabled());
  EXPECT_FALSE(wizard.NextEnabled());
  test::FakeMessages messages;
  EXPECT_FALSE(wizard.Next("", "", messages)) << "there is no page after the last";
  EXPECT_EQ(wizard.PageIndex(), last);
}

TEST(Wizard, ShowingTheCurrentPageOrOneOutsideTheWizardIsIgnored) {
  Wizard wizard;
  ASSERT_TRUE(wizard.ShowPage(3));
  EXPECT_FALSE(wizard.ShowPage(3));
  EXPECT_FALSE(wizard.ShowPage(-1));
  EXPECT_FALSE(wizard.ShowPage(Wizard::kPageCount));
  EXPECT_EQ(wizard.PageIndex(), 3);
}

TEST(Wizard, AStepPickedFromTheListLeavesTheFirstPageOnlyAsNextWould) {
  Wizard wizard;
  test::FakeMessages messages;
  EXPECT_FALSE(wizard.GoTo(5, "", "http://x", messages));
  EXPECT_EQ(wizard.PageIndex(), 0);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Please provide a valid title for your page."});
  ASSERT_TRUE(wizard.GoTo(Wizard::kPageCount - 1, "My page", "http://x", messages));
  EXPECT_TRUE(wizard.GoTo(0, "", "", messages)) << "going back to the first page needs nothing";
  EXPECT_FALSE(wizard.GoTo(Wizard::kPageCount, "My page", "http://x", messages));
}

TEST(Wizard, StepsAreNamedWithTheirItemCounts) {
  Project project;
  project.Banners = {"a.png", "b.png"};
  EXPECT_EQ(StepCaption(0, project), "Title and link");
  EXPECT_EQ(StepCaption(1, project), "Template");
  EXPECT_EQ(StepCaption(2, project), "Text links (0)");
  EXPECT_EQ(StepCaption(4, project), "Banners (2)");
  EXPECT_EQ(StepCaption(Wizard::kPageCount - 1, project), "Finish");
}
