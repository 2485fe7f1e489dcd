#include "project/PromoLists.h"

#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "project/ProjectEdit.h"
#include "project/ProjectFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/mock/FakePorts.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

struct Board : ::testing::Test {
  Project project;
  PromoBoard board;
  test::FakeMessages messages;

  // As the window edits: planned, applied, and the entries follow.
  std::optional<ItemEdit> Done(std::optional<ItemEdit> edit) {
    if (edit) {
      Apply(project, *edit);
      board.Follow(project, *edit);
    }
    return edit;
  }
  std::optional<ItemEdit> Create(PromoKind kind, const PromoInput& input) {
    return Done(PlanCreate(project, kind, input, messages));
  }
  std::optional<ItemEdit> Create(PromoKind kind, std::string text) { return Create(kind, PromoInput{std::move(text), {}, {}}); }
  std::optional<ItemEdit> CreatePpc(std::string title, std::string body, std::string link) {
    return Create(PromoKind::PPC, {std::move(title), std::move(body), std::move(link)});
  }
  std::optional<ItemEdit> Update(PromoKind kind, int row, const PromoInput& input) {
    return Done(PlanUpdate(project, kind, row, input, messages));
  }
  std::optional<ItemEdit> Delete(PromoKind kind, int selected) { return Done(PlanDelete(project, kind, selected, messages)); }
  std::optional<ItemEdit> Move(PromoKind kind, int row, int offset) { return Done(PlanMove(project, kind, row, row + offset)); }
  Strings Labels(PromoKind kind) const {
    Strings labels;
    for (const PromoEntry& entry : board.Entries(kind)) labels.push_back(entry.label);
    return labels;
  }
  std::string Warning() const {
    EXPECT_EQ(messages.shown.size(), 1u);
    if (messages.shown.empty()) return {};
    EXPECT_EQ(messages.shown.back().kind, MessageKind::Warning);
    return messages.shown.back().text;
  }
};

}  // namespace

// --- anchors and banners: the items themselves, no two alike ---

class MirroredKind : public Board, public ::testing::WithParamInterface<PromoKind> {};

TEST_P(MirroredKind, RefusesAnEqualItemInAnyLetterCaseButNotOneWithATrailingBlank) {
  const PromoKind kind = GetParam();
  ASSERT_TRUE(Create(kind, "Buy Now"));
  EXPECT_FALSE(Create(kind, "buy now"));
  EXPECT_EQ(Warning(), InfoOf(kind).duplicateMessage);
  messages.shown.clear();
  EXPECT_TRUE(Create(kind, "Buy Now "));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ListOf(project, kind), (Strings{"Buy Now", "Buy Now "}));
  EXPECT_EQ(Labels(kind), ListOf(project, kind));
}

TEST_P(MirroredKind, EmptyFieldIsRefusedButASingleBlankIsAPromo) {
  const PromoKind kind = GetParam();
  Create(kind, "");
  EXPECT_EQ(Warning(), InfoOf(kind).emptyMessage);
  EXPECT_TRUE(ListOf(project, kind).empty());
  messages.shown.clear();
  Create(kind, " ");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ListOf(project, kind), Strings{" "});
}

TEST_P(MirroredKind, DeleteRemovesTheSelectedItemAndKeepsTheOrderOfTheRest) {
  const PromoKind kind = GetParam();
  for (const char* text : {"one", "two", "three"}) Create(kind, text);
  const auto change = Delete(kind, 1);
  EXPECT_TRUE(change);
  EXPECT_EQ(ListOf(project, kind), (Strings{"one", "three"}));
  EXPECT_EQ(Labels(kind), (Strings{"one", "three"}));
  EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(PromoLists, MirroredKind, ::testing::Values(PromoKind::Anchors, PromoKind::Banners),
                         [](const auto& row) { return row.param == PromoKind::Anchors ? "Anchors" : "Banners"; });

// --- the five multi-line kinds ---

struct TextKindCase {
  PromoKind kind;
  const char* name;
  const char* emptyMessage;
};

class TextKind : public Board, public ::testing::WithParamInterface<TextKindCase> {};

TEST_P(TextKind, EmptyBoxOrOnlyLineBreaksAreRefusedWithItsOwnMessageButABlankIsText) {
  // Flattening, labels and the detail view are covered through the window's tests.
  const auto& c = GetParam();
  for (const char* empty : {"", "\r\n", "\r\n\r\n"}) {
    messages.shown.clear();
    Create(c.kind, empty);
    EXPECT_EQ(Warning(), c.emptyMessage);
  }
  EXPECT_TRUE(ListOf(project, c.kind).empty());
  EXPECT_TRUE(board.Entries(c.kind).empty());
  messages.shown.clear();
  Create(c.kind, " \r\n");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ListOf(project, c.kind), Strings{" "});
  EXPECT_EQ(Labels(c.kind), Strings{"(blank)"}) << "an entry of blanks is still seen";
}

INSTANTIATE_TEST_SUITE_P(
    PromoLists, TextKind,
    ::testing::Values(
        TextKindCase{PromoKind::Signatures, "Signatures", "Please provide a valid Signature Ad Promo."},
        TextKindCase{PromoKind::Email, "Email", "Please provide a valid Email Ad."},
        TextKindCase{PromoKind::AutoEmail, "AutoEmail", "Please provide a valid Autoresponder Ad."},
        TextKindCase{PromoKind::Articles, "Articles", "Please provide a valid Article."},
        TextKindCase{PromoKind::PopUps, "PopUps", "Please provide a valid PopUp."}),
    [](const auto& row) { return std::string(row.param.name); });

// --- delete without a selection, every kind ---

struct DeleteCase {
  PromoKind kind;
  const char* name;
  const char* message;
};

class DeleteWithoutSelection : public Board, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteWithoutSelection, EmptyListIsSilentOtherwiseTheKindAsksForASelection) {
  const auto& c = GetParam();
  EXPECT_FALSE(Delete(c.kind, -1));
  EXPECT_TRUE(messages.shown.empty()) << "nothing to delete, nothing to say";

  if (c.kind == PromoKind::PPC)
    CreatePpc("T", "", "");
  else
    Create(c.kind, "x");
  EXPECT_FALSE(Delete(c.kind, -1));
  EXPECT_EQ(Warning(), c.message);
  EXPECT_EQ(ListOf(project, c.kind).size(), 1u);
  EXPECT_EQ(board.Entries(c.kind).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    PromoLists, DeleteWithoutSelection,
    ::testing::Values(DeleteCase{PromoKind::Anchors, "Anchors", "Please select a Text Link Promo to delete."},
                      DeleteCase{PromoKind::PPC, "PPC", "Please select a PPC Ad Promo to delete."},
                      DeleteCase{PromoKind::Banners, "Banners", "Please select a Bannert Ad Promo to delete."},
                      DeleteCase{PromoKind::Signatures, "Signatures", "Please select a Signature Ad Promo to delete."},
                      DeleteCase{PromoKind::Email, "Email", "Please select a Email Ad to delete."},
                      DeleteCase{PromoKind::AutoEmail, "AutoEmail", "Please select an Autoresponder Ad to delete."},
                      DeleteCase{PromoKind::Articles, "Articles", "Please select a Article to delete."},
                      DeleteCase{PromoKind::PopUps, "PopUps", "Please select a PopUp to delete."}),
    [](const auto& row) { return std::string(row.param.name); });

// --- PPC ads ---

TEST_F(Board, PpcAdIsStoredAsCaretFieldsAndShownAsTitleBodyLink) {
  CreatePpc("Save 50%", "Fast\r\nEasy", "buy.htm");
  CreatePpc("T", "", "");
  EXPECT_EQ(project.PPC, (Strings{"^Save 50%^Fast$$Easy^buy.htm^", "^T^^^"}));
  EXPECT_EQ(Labels(PromoKind::PPC), (Strings{"Save 50%", "T"}));
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 0), "Save 50%\r\nFast\r\nEasy\r\nbuy.htm");
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 1), "T\r\n\r\n") << "title and two empty lines";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Board, PpcAdNeedsATitleWhateverTheBodyHolds) {
  CreatePpc("", "a body", "a link");
  EXPECT_EQ(Warning(), "Please provide a valid PPC Ad Promo.");
  EXPECT_TRUE(project.PPC.empty());
  EXPECT_TRUE(board.Entries(PromoKind::PPC).empty());
}

TEST_F(Board, CaretsInPpcFieldsStayInTheirFields) {
  CreatePpc("50^off", "x^y\r\n^", "l^");
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(project.PPC.size(), 1u);
  EXPECT_EQ(SplitFields('^', project.PPC[0]).size(), 4u);
  const auto edit = board.EditInput(project, PromoKind::PPC, 0);
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->text, "50^off");
  EXPECT_EQ(edit->body, "x^y\r\n^");
  EXPECT_EQ(edit->link, "l^");
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 0), "50^off\r\nx^y\r\n^\r\nl^");
}

TEST_F(Board, DamagedPpcItemShowsItsMissingFieldsAsEmpty) {
  project.PPC = {"^Only a title", "no carets at all"};
  board.Rebuild(project);
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 0), "Only a title\r\n\r\n");
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 1), "\r\n\r\n");
}

// --- labels, delete and reload ---

TEST_F(Board, LabelsStayWithTheirItemsThroughADeleteAndALoad) {
  CreatePpc("first", "", "");
  CreatePpc("second", "", "");
  const auto removed = Delete(PromoKind::PPC, 0);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->row, 0);
  CreatePpc("third", "", "");
  EXPECT_EQ(Labels(PromoKind::PPC), (Strings{"second", "third"}));
  EXPECT_EQ(board.Show(project, PromoKind::PPC, 1), "third\r\n\r\n") << "entry k stands for item k";

  const std::vector<PromoEntry> before = board.Entries(PromoKind::PPC);
  board.Rebuild(project);
  EXPECT_EQ(board.Entries(PromoKind::PPC), before);
}

TEST_F(Board, RebuildShowsEveryListAfterALoad) {
  project.Anchors = {"a", "b"};
  project.Banners = {"http://x/b.gif"};
  project.Signatures = {"s1", "s2", "s3", "s4"};
  project.Articles = {"one article"};
  board.Rebuild(project);
  EXPECT_EQ(Labels(PromoKind::Anchors), project.Anchors);
  EXPECT_EQ(board.Entries(PromoKind::Banners), (std::vector<PromoEntry>{{"b.gif", "http://x/b.gif"}}));
  EXPECT_EQ(Labels(PromoKind::Signatures), project.Signatures);
  EXPECT_EQ(board.Entries(PromoKind::Articles), (std::vector<PromoEntry>{{"one article", ""}}));
  EXPECT_TRUE(board.Entries(PromoKind::PopUps).empty());
}

TEST_F(Board, ShowAnswersPerKind) {
  Create(PromoKind::Anchors, "anchor");
  Create(PromoKind::Banners, "http://host/banner.gif");
  Create(PromoKind::Email, "mail");
  EXPECT_EQ(board.Show(project, PromoKind::Anchors, 0), std::nullopt) << "anchors have no view";
  EXPECT_EQ(board.Show(project, PromoKind::Banners, 0), "http://host/banner.gif");
  EXPECT_EQ(board.Show(project, PromoKind::Email, -1), std::nullopt) << "no selection: the view is left alone";
  EXPECT_EQ(board.Show(project, PromoKind::Email, 3), "") << "a missing item leaves the view empty";
}

// --- what an entry reads ---

struct LabelCase {
  PromoKind kind;
  std::string item;
  std::string label;
};

TEST(PromoLists, EntriesReadAsWhatTellsTheirItemsApart) {
  const std::string longLine(100, 'a');
  std::string accents;
  for (int i = 0; i < 90; ++i) accents += "\xC3\xA9";
  const std::vector<LabelCase> cases = {
      {PromoKind::Anchors, "Buy the Pro hose", "Buy the Pro hose"},
      {PromoKind::PPC, "^Save 50%^Fast$$Easy^buy.htm^", "Save 50%"},
      {PromoKind::PPC, "^ ^Body line$$two^l^", "Body line"},
      {PromoKind::Banners, "https://cdn.example/ads/summer%20sale.gif?v=2#top", "summer sale.gif"},
      {PromoKind::Banners, "file:///C:/Pics/top.gif", "top.gif"},
      {PromoKind::Banners, "C:\\Pics\\side.png", "side.png"},
      {PromoKind::Banners, "https://x.example/%FF.gif", "%FF.gif"},
      {PromoKind::Banners, "https://cdn.example/ads/", "https://cdn.example/ads/"},
      {PromoKind::Banners, "data:image/png;base64,iVBO/w==", "data:image/png;base64,iVBO/w=="},
      {PromoKind::Signatures, "$$  $$  Regards, Tom  $$www.example", "Regards, Tom"},
      {PromoKind::PopUps, "<script>$$open()$$</script>", "<script>"},
      {PromoKind::SocialPosts, "New post!$$#garden", "New post!"},
      {PromoKind::Email, " $$ ", "(blank)"},
      {PromoKind::Articles, longLine, std::string(80, 'a') + "..."},
      {PromoKind::Articles, accents, accents.substr(0, 160) + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(ItemLabel(c.kind, c.item), c.label) << c.item;
}

// --- Browse ---

TEST(PromoLists, BrowsedPictureBecomesAFileUrl) {
  EXPECT_EQ(BrowsedPictureAddress("C:\\Pics\\top.gif"), "file:///C:/Pics/top.gif");
  EXPECT_EQ(BrowsedPictureAddress("/home/me/ad one.jpg"), "file:///home/me/ad%20one.jpg");
  EXPECT_EQ(BrowsedPictureAddress("/p/caf\xC3\xA9 #1?%.png"), "file:///p/caf%C3%A9%20%231%3F%25.png");
  EXPECT_EQ(BrowsedPictureAddress("/p/a-b_c~(1).gif"), "file:///p/a-b_c~(1).gif");
}

// --- items the project file could not give back ---

TEST_F(Board, AnyTextIsAcceptedComesBackFromTheProjectFileAndEditsAsTyped) {
  // The file's own marks, references and word joiners typed as text.
  const std::vector<std::string> tricky = {"Save $$$ on the Pro hose", "$5 off", "a $ b", "^start", "x^y", "a$$b",
                                           "a^^b", "end$", "end^", "$", "^", "$$$", "&#36;", "&#036; &#94;",
                                           "$\xE2\x81\xA0$", "one\r\ntwo$\r\n$three", "\r\n\r\nblank lines\r\n\r\n",
                                           "<%%AfTitle%%>", "<%%/AfBanners%%><%%/AfPPC%%>", " "};
  for (PromoKind kind : kPromoKinds) {
    for (const auto& text : tricky) {
      // One-line fields (anchor, banner, PPC title and link) never hold a line break.
      const bool oneLine = text.find('\n') == std::string::npos;
      if (kind == PromoKind::PPC)
        Create(kind, {"T" + (oneLine ? text : "x"), text, oneLine ? text : "l"});
      else if (oneLine || !InfoOf(kind).Mirrored())
        Create(kind, text);
    }
  }
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
  std::string file;
  for (const auto& line : ProjectLines(project)) file += line + "\r\n";
  const Project loaded = ParseProject(file);
  PromoBoard reloaded;
  reloaded.Rebuild(loaded);
  for (PromoKind kind : kPromoKinds) {
    SCOPED_TRACE(InfoOf(kind).noun);
    ASSERT_EQ(ListOf(loaded, kind), ListOf(project, kind));
    for (std::size_t i = 0; i < ListOf(loaded, kind).size(); ++i) {
      const PromoInput typed = *board.EditInput(project, kind, static_cast<int>(i));
      EXPECT_EQ(BuildPromoItem(kind, typed), ListOf(project, kind)[i]);
    }
  }
  EXPECT_EQ(reloaded.EditInput(loaded, PromoKind::Email, 15)->text, "one\r\ntwo$\r\n$three");
  EXPECT_EQ(reloaded.EditInput(loaded, PromoKind::Email, 16)->text, "\r\n\r\nblank lines\r\n\r\n");
  EXPECT_EQ(reloaded.EditInput(loaded, PromoKind::Anchors, 0)->text, "Save $$$ on the Pro hose");
  EXPECT_EQ(reloaded.EditInput(loaded, PromoKind::PPC, 12)->link, "&#36;");
}

// --- editing in place and reordering ---

struct EditCase {
  PromoKind kind;
  const char* name;
  PromoInput input;
  PromoInput changed;
  std::string storedAfter;
};

class EditKind : public Board, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditKind, EditGivesBackTheInputsAndUpdateReplacesOnlyThatItem) {
  const auto& c = GetParam();
  Create(c.kind, {"first", "", ""});
  Create(c.kind, c.input);
  Create(c.kind, {"last", "", ""});
  const std::optional<PromoInput> edit = board.EditInput(project, c.kind, 1);
  ASSERT_TRUE(edit);
  EXPECT_EQ(BuildPromoItem(c.kind, *edit), ListOf(project, c.kind)[1]) << "editing unchanged keeps the item";

  const auto change = Update(c.kind, 1, c.changed);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->row, 1);
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(ListOf(project, c.kind).size(), 3u);
  EXPECT_EQ(ListOf(project, c.kind)[1], c.storedAfter);
  EXPECT_EQ(board.Entries(c.kind)[1].label, ItemLabel(c.kind, c.storedAfter)) << "the entry names the new item";

  // The checks of "Create Ad" hold for an update too.
  EXPECT_FALSE(Update(c.kind, 1, {"", "body", "link"}));
  EXPECT_EQ(Warning(), InfoOf(c.kind).emptyMessage);
  EXPECT_EQ(ListOf(project, c.kind)[1], c.storedAfter);
  messages.shown.clear();
  EXPECT_FALSE(Update(c.kind, 7, c.changed));
  EXPECT_EQ(Warning(), InfoOf(c.kind).selectMessage);
}

INSTANTIATE_TEST_SUITE_P(
    PromoLists, EditKind,
    ::testing::Values(EditCase{PromoKind::Anchors, "Anchors", {"Buy", {}, {}}, {"Buy now", {}, {}}, "Buy now"},
                      EditCase{PromoKind::PPC, "PPC", {"Save", "Fast\r\nEasy", "a.htm"}, {"Save 50%", "Fast", ""},
                               "^Save 50%^Fast^^"},
                      EditCase{PromoKind::Banners, "Banners", {"http://h/a.gif", {}, {}}, {"http://h/b.gif", {}, {}},
                               "http://h/b.gif"},
                      EditCase{PromoKind::Signatures, "Signatures", {"one\r\ntwo", {}, {}}, {"three\r\n", {}, {}},
                               "three"},
                      EditCase{PromoKind::Email, "Email", {"Hi\r\nthere", {}, {}}, {"Hello\r\nthere", {}, {}},
                               "Hello$$there"},
                      EditCase{PromoKind::AutoEmail, "AutoEmail", {"Day 1", {}, {}}, {"Day 2", {}, {}}, "Day 2"},
                      EditCase{PromoKind::Articles, "Articles", {"A\r\n\r\nB", {}, {}}, {"C", {}, {}}, "C"},
                      EditCase{PromoKind::PopUps, "PopUps", {"<b>x</b>", {}, {}}, {"<i>y</i>", {}, {}}, "<i>y</i>"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Board, UpdateRefusesAnotherItemsTextButNotANewSpellingOfItsOwn) {
  Create(PromoKind::Anchors, "Buy Now");
  Create(PromoKind::Anchors, "Order");
  EXPECT_FALSE(Update(PromoKind::Anchors, 1, {"buy now", {}, {}}));
  EXPECT_EQ(Warning(), "This Text Link Promo already exists.");
  messages.shown.clear();
  EXPECT_TRUE(Update(PromoKind::Anchors, 0, {"BUY NOW", {}, {}}));
  EXPECT_FALSE(Update(PromoKind::PPC, 0, {"a", "b", "c"}));
  EXPECT_EQ(project.Anchors, (Strings{"BUY NOW", "Order"}));
}

TEST_F(Board, MoveCarriesItemAndLabelAndStopsAtTheEnds) {
  for (const char* title : {"one", "two", "three"}) CreatePpc(title, "", "");
  const auto down = Move(PromoKind::PPC, 0, +1);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->row, 0);
  EXPECT_EQ(down->to, 1);
  EXPECT_EQ(project.PPC, (Strings{"^two^^^", "^one^^^", "^three^^^"}));
  EXPECT_EQ(Labels(PromoKind::PPC), (Strings{"two", "one", "three"}));
  for (auto [row, offset] : std::vector<std::pair<int, int>>{{0, -1}, {2, +1}, {-1, +1}, {5, -1}, {1, 0}})
    EXPECT_FALSE(Move(PromoKind::PPC, row, offset)) << row << offset;
  EXPECT_EQ(project.PPC, (Strings{"^two^^^", "^one^^^", "^three^^^"}));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Board, OrderAfterMovesIsTheOrderOfThePageAndOfTheProjectFile) {
  for (const char* text : {"alpha", "beta", "gamma"}) Create(PromoKind::Anchors, text);
  Move(PromoKind::Anchors, 2, -1);
  Move(PromoKind::Anchors, 1, -1);
  ASSERT_EQ(project.Anchors, (Strings{"gamma", "alpha", "beta"}));
  EXPECT_EQ(FillTemplate("%%TABLE_LINKTEXT_INIT%%[%%ANCHORTEXT%%]%%TABLE_LINKTEXT_END%%\r\n", project),
            "[gamma][alpha][beta]\r\n");
  std::string file;
  for (const auto& line : ProjectLines(project)) file += line + "\r\n";
  EXPECT_EQ(ParseProject(file).Anchors, project.Anchors);
}

// --- banners' alternative texts ---

TEST_F(Board, BannerAltTextFollowsItsBannerThroughEditUpdateAndDelete) {
  Create(PromoKind::Banners, {"http://h/a.gif", {}, {}, "A red hose"});
  Create(PromoKind::Banners, {"http://h/b.gif", {}, {}, ""});
  EXPECT_EQ(board.EditInput(project, PromoKind::Banners, 0)->alt, "A red hose");
  EXPECT_EQ(board.EditInput(project, PromoKind::Banners, 1)->alt, "");
  Move(PromoKind::Banners, 1, -1);
  EXPECT_EQ(board.EditInput(project, PromoKind::Banners, 1)->alt, "A red hose") << "it moves with its banner";
  Update(PromoKind::Banners, 1, {"http://h/c.gif", {}, {}, "A green\r\nhose"});
  EXPECT_EQ(BannerAlt(project, "http://h/c.gif"), "A green hose");
  Update(PromoKind::Banners, 1, {"http://h/c.gif", {}, {}, ""});
  EXPECT_EQ(BannerAlt(project, "http://h/c.gif"), "") << "emptied";
  EXPECT_TRUE(messages.shown.empty());
}

TEST(CheckPromo, DuplicateCheckLeavesOutTheItemBeingReplaced) {
  const PromoList anchors = {"One", "Two"};
  EXPECT_TRUE(CheckPromo(PromoKind::Anchors, {"two", {}, {}}, anchors));
  EXPECT_FALSE(CheckPromo(PromoKind::Anchors, {"two", {}, {}}, anchors, 1));
  EXPECT_TRUE(CheckPromo(PromoKind::Anchors, {"one", {}, {}}, anchors, 1));
}

TEST_F(Board, LineBreaksInOneLineInputsBecomeOneSpace) {
  Create(PromoKind::Anchors, "Buy\r\nnow");
  Create(PromoKind::Banners, "http://a/\nb.gif");
  CreatePpc("Big\r\nsale", "body\r\nlines", "buy\r.htm");
  EXPECT_EQ(project.Anchors, Strings{"Buy now"});
  EXPECT_EQ(project.Banners, Strings{"http://a/ b.gif"});
  EXPECT_EQ(project.PPC, Strings{"^Big sale^body$$lines^buy .htm^"});
  EXPECT_FALSE(Create(PromoKind::Anchors, "buy NOW")) << "compared as stored";
}
