#include "project/ProjectEdit.h"

#include <gtest/gtest.h>

#include "tests/mock/FakePorts.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;
using What = ItemEdit::What;

struct Edits : ::testing::Test {
  Project project;
  test::FakeMessages messages;
  PromoBoard board;

  Strings Labels(PromoKind kind) const {
    Strings labels;
    for (const PromoEntry& entry : board.Entries(kind)) labels.push_back(entry.label);
    return labels;
  }
  void Give(PromoKind kind, Strings items) {
    ListOf(project, kind) = std::move(items);
    board.Rebuild(project);
  }
  // Makes the edit and takes it back, checking the list, the entries and where rows go each way.
  void MakeAndTakeBack(const ItemEdit& edit, const Strings& made) {
    const Strings before = ListOf(project, edit.kind);
    const int followed = before.empty() ? -1 : 0;
    EXPECT_EQ(Apply(project, edit), edit.what == What::Remove ? -1 : edit.what == What::Move ? edit.to : edit.row);
    board.Follow(project, edit);
    EXPECT_EQ(ListOf(project, edit.kind), made);
    EXPECT_EQ(Labels(edit.kind), made);
    if (followed == 0 && RowAfter(edit, 0) >= 0) {
      EXPECT_EQ(made[static_cast<std::size_t>(RowAfter(edit, 0))], before[0]);
    }
    const ItemEdit back = Inverse(edit);
    Apply(project, back);
    board.Follow(project, back);
    EXPECT_EQ(ListOf(project, edit.kind), before);
    EXPECT_EQ(Labels(edit.kind), before);
  }
};

}  // namespace

TEST_F(Edits, EachEditIsTakenBackExactlyAndRowsFollowIt) {
  const PromoKind kind = PromoKind::Anchors;
  Give(kind, {"a", "b", "c", "d"});
  MakeAndTakeBack({What::Insert, kind, 0, 0, "new", {}}, {"new", "a", "b", "c", "d"});
  MakeAndTakeBack({What::Insert, kind, 4, 0, "new", {}}, {"a", "b", "c", "d", "new"});
  MakeAndTakeBack({What::Remove, kind, 0, 0, "a", {}}, {"b", "c", "d"});
  MakeAndTakeBack({What::Remove, kind, 2, 0, "c", {}}, {"a", "b", "d"});
  MakeAndTakeBack({What::Replace, kind, 1, 0, "B", "b"}, {"a", "B", "c", "d"});
  MakeAndTakeBack({What::Move, kind, 0, 3, "a", {}}, {"b", "c", "d", "a"});
  MakeAndTakeBack({What::Move, kind, 3, 1, "d", {}}, {"a", "d", "b", "c"});
  // Rows of other items shift around a move as the list does.
  const ItemEdit down{What::Move, kind, 1, 3, "b", {}};
  EXPECT_EQ((std::vector<int>{RowAfter(down, 0), RowAfter(down, 1), RowAfter(down, 2), RowAfter(down, 3)}),
            (std::vector<int>{0, 3, 1, 2}));
}

TEST_F(Edits, AnEditThatNoLongerFitsChangesNothing) {
  Give(PromoKind::Articles, {"one"});
  EXPECT_EQ(Apply(project, {What::Remove, PromoKind::Articles, 3, 0, "x", {}}), -1);
  EXPECT_EQ(Apply(project, {What::Insert, PromoKind::Articles, 5, 0, "x", {}}), -1);
  EXPECT_EQ(Apply(project, {What::Move, PromoKind::Articles, 0, 2, "one", {}}), -1);
  EXPECT_EQ(project.Articles, Strings{"one"});
}

TEST_F(Edits, PlansRefuseWhatTheButtonsRefuse) {
  EXPECT_FALSE(PlanDelete(project, PromoKind::Banners, -1, messages));
  EXPECT_TRUE(messages.shown.empty()) << "an empty list is left alone silently";
  Give(PromoKind::Banners, {"a.gif", "b.gif"});
  EXPECT_FALSE(PlanDelete(project, PromoKind::Banners, -1, messages));
  EXPECT_FALSE(PlanUpdate(project, PromoKind::Banners, 2, {"c.gif", {}, {}}, messages));
  EXPECT_FALSE(PlanCreate(project, PromoKind::Banners, {"A.GIF", {}, {}}, messages));
  EXPECT_EQ(messages.Texts(), (Strings{std::string(InfoOf(PromoKind::Banners).selectMessage),
                                       std::string(InfoOf(PromoKind::Banners).selectMessage),
                                       std::string(InfoOf(PromoKind::Banners).duplicateMessage)}));
  EXPECT_FALSE(PlanMove(project, PromoKind::Banners, 0, -1));
  EXPECT_FALSE(PlanMove(project, PromoKind::Banners, 1, 2));
  EXPECT_FALSE(PlanMove(project, PromoKind::Banners, 1, 1));

  const auto update = PlanUpdate(project, PromoKind::Banners, 1, {"B.gif", {}, {}}, messages);
  ASSERT_TRUE(update);
  EXPECT_EQ(*update, (ItemEdit{What::Replace, PromoKind::Banners, 1, 0, "B.gif", "b.gif"}));
  const auto remove = PlanDelete(project, PromoKind::Banners, 0, messages);
  ASSERT_TRUE(remove);
  EXPECT_EQ(*remove, (ItemEdit{What::Remove, PromoKind::Banners, 0, 0, "a.gif", {}}));
  EXPECT_EQ(ItemEditName({*remove}), "Delete Banner");
  EXPECT_EQ(FieldEditName(ProjectField::Title), "Typing in Title");
  EXPECT_EQ(FieldEditName(ProjectField::Template), "Choose Template");
}

TEST_F(Edits, SeveralNewItemsAreCheckedAsIfAddedOneByOne) {
  Give(PromoKind::Banners, {"a.gif"});
  const std::vector<ItemEdit> edits =
      PlanCreateEach(project, PromoKind::Banners, {{"b.gif", {}, {}}, {"A.gif", {}, {}}, {"c.gif", {}, {}}, {"B.GIF", {}, {}}},
                     messages);
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0], (ItemEdit{What::Insert, PromoKind::Banners, 1, 0, "b.gif", {}}));
  EXPECT_EQ(edits[1], (ItemEdit{What::Insert, PromoKind::Banners, 2, 0, "c.gif", {}}));
  EXPECT_EQ(ItemEditName(edits), "Add 2 Banners");
  EXPECT_EQ(messages.Texts(), Strings{"2 of 4 banners were not added.\n\nThis Banner Ad Promo already exists."});
  messages.shown.clear();
  EXPECT_TRUE(PlanCreateEach(project, PromoKind::Banners, {{"", {}, {}}}, messages).empty());
  EXPECT_EQ(messages.Texts(), Strings{std::string(InfoOf(PromoKind::Banners).emptyMessage)});
}

TEST_F(Edits, ABannersAlternativeTextComesAndGoesWithItsEdits) {
  Give(PromoKind::Banners, {"a.gif"});
  const ItemEdit retext = *PlanUpdate(project, PromoKind::Banners, 0, {"a.gif", {}, {}, "Garden hose"}, messages);
  Apply(project, retext);
  EXPECT_EQ(BannerAlt(project, "a.gif"), "Garden hose");
  Apply(project, Inverse(retext));
  EXPECT_EQ(BannerAlt(project, "a.gif"), "") << "a change of the text alone is undone";
  Apply(project, retext);
  const ItemEdit removal = *PlanDelete(project, PromoKind::Banners, 0, messages);
  Apply(project, removal);
  Apply(project, Inverse(removal));
  EXPECT_EQ(BannerAlt(project, "a.gif"), "Garden hose") << "a deleted banner comes back with its text";
}

TEST(PastedLines, BlankLinesAndTheirEdgesAreLeftOut) {
  EXPECT_EQ(ItemLines("Buy now\r\n\r\n  Save today \n\tLast one"), (Strings{"Buy now", "Save today", "Last one"}));
  EXPECT_EQ(ItemLines(" \r\n"), Strings{});
  EXPECT_EQ(OneItemPerLineQuestion(PromoKind::Anchors, 3),
            "The pasted text has 3 lines. Add each line as a new Text Link?\n\nCancel pastes them as one line.");
}
