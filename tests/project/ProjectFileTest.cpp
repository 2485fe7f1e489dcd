#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <random>

#include "app/Utils.h"
#include "project/ItemText.h"
#include "project/ProjectEdit.h"
#include "project/PromoLists.h"
#include "publish/PublishTarget.h"
#include "tests/mock/FileSizeLimit.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

void ExpectSameProject(const Project& actual, const Project& expected) {
  EXPECT_EQ(actual.Title, expected.Title);
  EXPECT_EQ(actual.URL, expected.URL);
  EXPECT_EQ(actual.ClickBankId, expected.ClickBankId);
  EXPECT_EQ(actual.Template, expected.Template);
  for (PromoKind kind : kPromoKinds)
    EXPECT_EQ(ListOf(actual, kind), ListOf(expected, kind)) << "list " << static_cast<int>(kind);
  EXPECT_EQ(actual.FileName, expected.FileName);
  EXPECT_EQ(actual.Description, expected.Description);
}

Project FullProject() {
  Project p;
  p.Title = " Spring offer ";
  p.URL = "http://xxxx.vendor.hop.example/";
  p.ClickBankId = "me@example.com";
  p.Template = "Blue Sky";
  p.Anchors = {"Buy Now", "Click here"};
  p.PPC = {"^Save 50%^Fast$$Easy^buy.htm^", "^T^^^"};
  p.Banners = {"file:///tmp/banner.gif"};
  p.Signatures = {"Regards$$Tom", "PS"};
  p.Email = {"Hello$$World$$", "Second mail"};
  p.AutoEmail = {"Day 1$$Welcome"};
  p.Articles = {"An article$$with two lines"};
  p.PopUps = {"<script>alert(1)</script>"};
  p.FileName = "offer.htm";
  return p;
}

std::string Line(const std::string& name, const std::string& value) {
  return "<%%" + name + "%%>" + value + "<%%/" + name + "%%>\r\n";
}

}  // namespace

TEST(ProjectFile, EmptyProjectIsThirteenEmptyTagLinesInOrder) {
  const Lines lines = ProjectLines(Project{});
  EXPECT_EQ(lines, (Lines{"<%%AfTitle%%><%%/AfTitle%%>", "<%%AfURL%%><%%/AfURL%%>",
                          "<%%AfClickBankId%%><%%/AfClickBankId%%>", "<%%AfTemplate%%><%%/AfTemplate%%>",
                          "<%%AfAnchors%%><%%/AfAnchors%%>", "<%%AfPPC%%><%%/AfPPC%%>",
                          "<%%AfBanners%%><%%/AfBanners%%>", "<%%AfSignatures%%><%%/AfSignatures%%>",
                          "<%%AfEmail%%><%%/AfEmail%%>", "<%%AfAutoEmail%%><%%/AfAutoEmail%%>",
                          "<%%AfArticles%%><%%/AfArticles%%>", "<%%AfPopUps%%><%%/AfPopUps%%>",
                          "<%%AfFileName%%><%%/AfFileName%%>"}));
}

TEST(ProjectFile, ListsAreJoinedWithTheirLinesSeparator) {
  Project p;
  p.Signatures = {"Regards$$Tom", "PS"};
  p.PPC = {"^A^body a^link a^", "^B^body b^link b^"};
  p.Anchors = {"only one"};
  const Lines lines = ProjectLines(p);
  EXPECT_EQ(lines[4], "<%%AfAnchors%%>only one<%%/AfAnchors%%>");
  EXPECT_EQ(lines[5], "<%%AfPPC%%>^A^body a^link a^$$^B^body b^link b^<%%/AfPPC%%>");
  EXPECT_EQ(lines[7], "<%%AfSignatures%%>Regards$$Tom^^PS<%%/AfSignatures%%>");
}

TEST(ProjectFile, SavedFileHasCrLfAfterEveryLineAndLoadsBackEveryField) {
  test::TempDir dir;
  const Project project = FullProject();
  ASSERT_TRUE(SaveProjectFile(dir / "p.set", project));
  const std::string bytes = dir.Read("p.set");
  EXPECT_EQ(bytes.substr(0, 30), "<%%AfTitle%%> Spring offer <%%");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  std::size_t lines = 0;
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 13u);
  ExpectSameProject(LoadProjectFile(dir / "p.set").value(), project);
}

TEST(ProjectFile, SocialPostsStandAfterTheOlderFieldsSoOlderCopiesReadTheRestUnchanged) {
  Project project = FullProject();
  const Lines older = ProjectLines(project);
  project.SocialPosts = {"Grow more food$$at home", "Second post"};
  const Lines lines = ProjectLines(project);
  ASSERT_EQ(lines.size(), older.size() + 1);
  EXPECT_TRUE(std::equal(older.begin(), older.end(), lines.begin()));
  EXPECT_EQ(lines.back(), "<%%AfSocialPosts%%>Grow more food$$at home^^Second post<%%/AfSocialPosts%%>");
  ExpectSameProject(ParseProject(JoinLines(lines)), project);
  EXPECT_NE(FindProjectTag("keep <%%/AfSocialPosts%%> out"), std::string_view::npos);
}

TEST(ProjectFile, PageDescriptionStandsLastAndOnlyWhenSet) {
  Project project = FullProject();
  project.SocialPosts = {"A post"};
  const Lines older = ProjectLines(project);
  project.Description = "Ads & e-mails for partners";
  const Lines lines = ProjectLines(project);
  ASSERT_EQ(lines.size(), older.size() + 1);
  EXPECT_TRUE(std::equal(older.begin(), older.end(), lines.begin()));
  EXPECT_EQ(lines.back(), "<%%AfDescription%%>Ads & e-mails for partners<%%/AfDescription%%>");
  ExpectSameProject(ParseProject(JoinLines(lines)), project);
  project.Description = "<%%AfDescription%%>";
  EXPECT_NE(SaveProblem(project), std::nullopt);
}

TEST(ProjectFile, PageIdAndPublishingTargetsStandLastAndHoldNoSecret) {
  Project project = FullProject();
  project.SocialPosts = {"Post"};
  const Lines older = ProjectLines(project);
  project.PageId = "0123abcd";
  project.PublishTargets = {ParsePublishAddress("sftp://ann@example.com:2222/var/www/").value(),
                            ParsePublishAddress("ftps://me%40isp@ftp.example.com/~/a^b$$c/").value()};
  project.PublishTargets[0].name = "staging ^$$";
  project.PublishTargets[1].publicAddress = "https://example.com/offer.htm?a=1&b=%20";
  const Lines lines = ProjectLines(project);
  ASSERT_EQ(lines.size(), older.size() + 2);
  EXPECT_TRUE(std::equal(older.begin(), older.end(), lines.begin()));
  EXPECT_EQ(lines[older.size()], "<%%AfPageId%%>0123abcd<%%/AfPageId%%>");
  const Project loaded = ParseProject(JoinLines(lines));
  ExpectSameProject(loaded, project);
  EXPECT_EQ(loaded.PageId, project.PageId);
  EXPECT_EQ(loaded.PublishTargets, project.PublishTargets);
  // A target broken by hand is left out; the others load.
  const std::string broken = ReplaceAll(JoinLines(lines), "sftp%3A%2F%2F", "gopher%3A%2F%2F");
  ASSERT_EQ(ParseProject(broken).PublishTargets.size(), 1u);
  EXPECT_EQ(ParseProject(broken).PublishTargets[0].host, "ftp.example.com");
}

TEST(ProjectFile, FindingsMarkedAsIntendedStandLastOnOneLine) {
  Project project = FullProject();
  project.PageId = "0123abcd";
  const Lines older = ProjectLines(project);
  project.IntendedFindings = {"missing-alt/AfBanners/00ff00ff00ff00ff", "placeholder-left/link/0123456789abcdef/2"};
  const Lines lines = ProjectLines(project);
  ASSERT_EQ(lines.size(), older.size() + 1);
  EXPECT_TRUE(std::equal(older.begin(), older.end(), lines.begin()));
  EXPECT_EQ(lines.back(), "<%%AfIntendedFindings%%>missing-alt/AfBanners/00ff00ff00ff00ff "
                          "placeholder-left/link/0123456789abcdef/2<%%/AfIntendedFindings%%>");
  EXPECT_EQ(ParseProject(JoinLines(lines)).IntendedFindings, project.IntendedFindings);
  // Edited by hand: blanks and repeats come to nothing.
  const std::string edited = JoinLines(older) + "<%%AfIntendedFindings%%>  a/b/c  a/b/c d<%%/AfIntendedFindings%%>\r\n";
  EXPECT_EQ(ParseProject(edited).IntendedFindings, (std::vector<std::string>{"a/b/c", "d"}));
}

TEST(ProjectFile, MultiLinePpcBodiesSurviveSaveAndLoadInOnePiece) {
  test::TempDir dir;
  Project project;
  PromoBoard board;
  struct Discard : MessagePort {
    void ShowMessage(MessageKind, const std::string&) override {}
    bool AskOkCancel(MessageKind, const std::string&, DefaultButton) override { return true; }
  } discard;
  // Bodies that put "$$" (or a "$" next to it) where the ads' separator also goes.
  const std::vector<PromoInput> ads = {
      {"Title", "one\r\ntwo\r\nthree", "buy.htm"}, {"Empty lines", "\r\n\r\nmiddle\r\n\r\n\r\n", ""},
      {"Dollar", "costs 5$\r\n$$ off", "x$$y"},     {"Cut $$ title", "\r\nlast", "l"},
      {"Plain", "single line", "http://p"}};
  for (const auto& ad : ads) Apply(project, PlanCreate(project, PromoKind::PPC, ad, discard).value());
  ASSERT_EQ(project.PPC.size(), ads.size());
  ASSERT_TRUE(SaveProjectFile(dir / "p.set", project));
  const Project loaded = LoadProjectFile(dir / "p.set").value();
  EXPECT_EQ(loaded.PPC, project.PPC);
  board.Rebuild(loaded);
  EXPECT_EQ(board.Show(loaded, PromoKind::PPC, 0), "Title\r\none\r\ntwo\r\nthree\r\nbuy.htm");
}

TEST(ProjectFile, SingleLinePpcFilesReadAsTheyAlwaysDid) {
  // Older files may hold ads with extra carets or too few; each "$$" piece
  // that cannot be part of a multi-line ad stays an item of its own.
  const std::string text = Line("AfPPC", "^A^b^c^d^$$^OnlyTitle$$^B^x^y^$$junk$$^C^1^2^$$^D^e^");
  EXPECT_EQ(ParseProject(text).PPC, (Strings{"^A^b^c^d^", "^OnlyTitle", "^B^x^y^", "junk", "^C^1^2^", "^D^e^"}));
}

TEST(ProjectFile, ItemsSplitAtTheirSeparatorWithoutATrailingEmptyItem) {
  const std::string text = Line("AfAnchors", "a$$$$b$$") + Line("AfBanners", "") +
                           Line("AfSignatures", "s$$1^^s2^^") + Line("AfEmail", "^^");
  const Project p = ParseProject(text);
  EXPECT_EQ(p.Anchors, (Strings{"a", "", "b"}));
  EXPECT_TRUE(p.Banners.empty());
  EXPECT_EQ(p.Signatures, (Strings{"s$$1", "s2"})) << "the item's own line breaks stay as $$";
  EXPECT_EQ(p.Email, Strings{""});

  // Half separators, runs of three, and line breaks typed into the file by hand.
  const std::pair<std::string, Strings> anchors[] = {
      {"a$$$b", {"a", "$b"}},    {"$a$", {"$a$"}},          {"a$$$", {"a", "$"}},
      {"a\r\nb$$c", {"a", "b", "c"}}, {"a\nb\rc", {"a", "b", "c"}}, {"\r\n$$", {"", ""}},
  };
  for (const auto& [value, items] : anchors)
    EXPECT_EQ(ParseProject(Line("AfAnchors", value)).Anchors, items) << ::testing::PrintToString(value);
}

TEST(ProjectFile, TagsAreFoundInAnyLetterCase) {
  const Project p = ParseProject("<%%aftitle%%>Hello<%%/AFTITLE%%>\r\n<%%AfUrl%%>u<%%/afurl%%>\r\n");
  EXPECT_EQ(p.Title, "Hello");
  EXPECT_EQ(p.URL, "u");
}

TEST(ProjectFile, FieldsAreOnlyFoundInTheirOrder) {
  const Project full = FullProject();
  Lines reversed = ProjectLines(full);
  std::reverse(reversed.begin(), reversed.end());
  Project expected;
  expected.Title = full.Title;
  ExpectSameProject(ParseProject(JoinLines(reversed)), expected);

  Project onlyTitle;
  onlyTitle.Title = "Hello";
  ExpectSameProject(ParseProject("<%%AfTitle%%>Hello<%%/AfTitle%%>"), onlyTitle);
}

TEST(ProjectFile, MissingCloseTagEmptiesOnlyThatField) {
  const std::string text = "<%%AfTitle%%>no end\r\n" + Line("AfURL", "u") + Line("AfPopUps", "p1^^p2") +
                           "<%%AfFileName%%>cut off";
  const Project p = ParseProject(text);
  EXPECT_EQ(p.Title, "");
  EXPECT_EQ(p.URL, "u");
  EXPECT_EQ(p.PopUps, (Strings{"p1", "p2"}));
  EXPECT_EQ(p.FileName, "");
}

TEST(ProjectFile, ReadingStopsAtANulByteAndAcceptsAnyLineEnds) {
  const std::string text = Line("AfTitle", "t") + "<%%AfURL%%>u<%%/AfURL%%>\n<%%AfTemplate%%>x<%%/AfTemplate%%>\r" +
                           std::string("\0", 1) + Line("AfFileName", "after nul");
  const Project p = ParseProject(text);
  EXPECT_EQ(p.URL, "u");
  EXPECT_EQ(p.Template, "x");
  EXPECT_EQ(p.FileName, "") << "nothing after the NUL is read";
}

TEST(ProjectFile, BinaryJunkLoadsWithoutHarm) {
  std::mt19937 generator(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 50; ++round) {
    std::string junk = JoinLines(ProjectLines(FullProject()));
    // Overwrite bytes at random places, NUL excluded so the whole text is read.
    for (int i = 0; i < 40; ++i) {
      std::uniform_int_distribution<std::size_t> at(0, junk.size() - 1);
      junk[at(generator)] = static_cast<char>(1 + byte(generator) % 255);
    }
    const Project p = ParseProject(junk);
    PromoBoard board;
    board.Rebuild(p);
    for (std::size_t i = 0; i < p.PPC.size(); ++i) board.Show(p, PromoKind::PPC, static_cast<int>(i));
  }
}

TEST(ProjectFile, FiftyMegabyteFileLoads) {
  test::TempDir dir;
  std::string big(50u << 20, 'x');
  big += Line("AfTitle", "found") + Line("AfAnchors", "a$$b");
  dir.Write("big.set", big);
  const Project p = LoadProjectFile(dir / "big.set").value();
  EXPECT_EQ(p.Title, "found");
  EXPECT_EQ(p.Anchors, (Strings{"a", "b"}));
}

TEST(ProjectFile, FileThatCannotBeReadIsRefused) {
  test::TempDir dir;
  EXPECT_EQ(LoadProjectFile(dir / "vanished.set").error().kind, ErrorKind::NotFound);
  std::filesystem::create_directory(dir / "folder.set");
  EXPECT_EQ(LoadProjectFile(dir / "folder.set").error().reason, "it is a folder");
}

TEST(ProjectFile, FailedSaveLeavesThePreviousFileAsItWas) {
  // A file-size limit makes the write fail for any user, root included.
  test::TempDir dir;
  dir.Write("p.set", "previous");
  {
    test::FileSizeLimit limit(64);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(SaveProjectFile(dir / "p.set", FullProject()).error().kind, ErrorKind::Unwritable);
  }
  EXPECT_EQ(dir.Read("p.set"), "previous");
}

TEST(ProjectFile, FilesThatAreNotProjectsAreRefusedNamingTheFile) {
  test::TempDir dir;
  const std::string nul(1, '\0');
  const std::pair<const char*, std::string> refused[] = {
      {"random.set", "\x89PNG\r\n\x1a\n" + nul + "junk <%%AfTitle%%>x<%%/AfTitle%%>"},
      {"text.set", "just some notes\r\n<%%Other%%>x<%%/Other%%>\r\n"},
      {"empty.set", ""},
  };
  for (const auto& [name, bytes] : refused) {
    dir.Write(name, bytes);
    const auto loaded = LoadProjectFile(dir / name);
    ASSERT_FALSE(loaded) << name << " loaded";
    EXPECT_EQ(loaded.error().kind, ErrorKind::Invalid);
    EXPECT_EQ(loaded.error().message, "Cannot load the file \"" + (dir / name).string() + "\": it is not a project file");
  }
  dir.Write("partial.set", "notes first\r\n" + Line("afurl", "u") + nul + "tail");
  EXPECT_EQ(LoadProjectFile(dir / "partial.set").value().URL, "u") << "one tag is enough";
}

TEST(ProjectFile, Windows1252ValuesAreConvertedAndUtf8IsKeptByteForByte) {
  test::TempDir dir;
  dir.Write("old.set", Line("AfTitle", "Caf\xe9 \x80" "5") + Line("AfURL", "caf\xc3\xa9") +
                           Line("AfSignatures", "na\xefve^^caf\xc3\xa9") + Line("AfFileName", "r\xe9sum\xe9.htm"));
  const Project p = LoadProjectFile(dir / "old.set").value();
  EXPECT_EQ(p.Title, "Caf\xc3\xa9 \xe2\x82\xac" "5");
  EXPECT_EQ(p.URL, "caf\xc3\xa9");
  EXPECT_EQ(p.Signatures, (Strings{"na\xc3\xafve", "caf\xc3\xa9"})) << "each item on its own";
  EXPECT_EQ(p.FileName, "r\xc3\xa9sum\xc3\xa9.htm");
}

TEST(ProjectFile, OneLineValuesLoseTheirLineBreaksAndTagsInValuesStopASave) {
  EXPECT_EQ(ParseProject("<%%AfTitle%%>two\r\nlines<%%/AfTitle%%>").Title, "two lines");
  Project p;
  p.Title = "cut <%%/AfTitle%%> here";
  ASSERT_TRUE(SaveProblem(p));
  EXPECT_EQ(*SaveProblem(p), "The page title can't contain <%%/AfTitle%%>: project files use it to mark their fields.");
  p.Title = "fine";
  p.Email = {KeptText(PromoKind::Email, "x<%%AfEmail%%>")};
  EXPECT_FALSE(SaveProblem(p)) << "items keep any text";
}

// --- items holding the file's own marks ---

TEST(ProjectFile, ItemsHoldingTheFilesMarksReadBackAndOlderCopiesSplitThemAlike) {
  const std::string J = "\xE2\x81\xA0";
  Project p;
  p.Anchors = {"Save $$$", "50% off$"};
  p.PPC = {KeptPpcAd({"a^b", "c$$", "d"}), KeptPpcAd({"e", "", ""})};
  p.Email = {KeptText(PromoKind::Email, "Total: 5$\r\n$$ off"), KeptText(PromoKind::Email, "PS")};
  p.Signatures = {KeptText(PromoKind::Signatures, "x^^y"), KeptText(PromoKind::Signatures, "ends^")};
  const Lines lines = ProjectLines(p);
  EXPECT_EQ(lines[4], "<%%AfAnchors%%>Save &#36;&#36;&#36;$$50% off&#36;<%%/AfAnchors%%>");
  EXPECT_EQ(lines[5], "<%%AfPPC%%>^a&#94;b^c&#36;&#36;^d^$$^e^^^<%%/AfPPC%%>");
  EXPECT_EQ(lines[7], "<%%AfSignatures%%>x^" + J + "^y^^ends^" + J + "<%%/AfSignatures%%>");
  EXPECT_EQ(lines[8], "<%%AfEmail%%>Total: 5$" + J + "$$$" + J + "$ off^^PS<%%/AfEmail%%>");
  EXPECT_EQ(lines.back(), "<%%AfEscapes%%>1<%%/AfEscapes%%>");
  ExpectSameProject(ParseProject(JoinLines(lines)), p);

  // An older copy splits the lists at their separators and shows the items
  // as HTML (references read) or in text boxes (word joiners unseen).
  EXPECT_EQ(CountOf(lines[4], "$$"), 1u) << "two anchors";
  EXPECT_EQ(ReplaceAll(ReplaceAll("Total: 5$" + J + "$$$" + J + "$ off", "$$", "\r\n"), J, ""), "Total: 5$\r\n$$ off");
}

TEST(ProjectFile, TypedReferencesAndJoinersInOlderFilesStayText) {
  const std::string J = "\xE2\x81\xA0";
  const std::string older = Line("AfAnchors", "&#36;") + Line("AfPPC", "^&#94;^b^l^") + Line("AfEmail", "$" + J + "x");
  const Project p = ParseProject(older);
  EXPECT_EQ(p.Anchors, Strings{"&#36;"});
  EXPECT_EQ(TypedPpcAd(p.PPC[0]).title, "&#94;");
  EXPECT_EQ(TypedText(PromoKind::Email, p.Email[0]), "$" + J + "x");
  EXPECT_EQ(JoinLines(ProjectLines(p)).find("AfEscapes"), std::string::npos) << "saved as an older copy would";
  const Project escaped = ParseProject(older + Line("AfEscapes", "1"));
  EXPECT_EQ(escaped.Anchors, Strings{"$"});
  EXPECT_EQ(TypedPpcAd(escaped.PPC[0]).title, "^");
  EXPECT_EQ(TypedText(PromoKind::Email, escaped.Email[0]), "$x");
}

TEST(ProjectFile, BannerAltTextsStandAfterTheKnownTagsOnePerBanner) {
  Project p;
  p.Banners = {"http://h/a.gif", "http://h/b.gif", "http://h/c.gif"};
  SetBannerAlt(p, "http://h/a.gif", "Costs 5$");
  SetBannerAlt(p, "http://h/c.gif", "<%%AfTitle%%>");
  SetBannerAlt(p, "http://h/gone.gif", "not listed");
  const Lines lines = ProjectLines(p);
  EXPECT_EQ(lines[13], "<%%AfBannerAlts%%>Costs 5&#36;$$$$&#60;%%AfTitle%%><%%/AfBannerAlts%%>");
  EXPECT_EQ(lines.size(), 14u) << "no escapes mark: the alternative texts are always escaped";
  const Project loaded = ParseProject(JoinLines(lines));
  EXPECT_EQ(loaded.BannerAlts, (std::map<std::string, std::string>{{"http://h/a.gif", "Costs 5$"},
                                                                     {"http://h/c.gif", "<%%AfTitle%%>"}}));
  p.BannerAlts.clear();
  EXPECT_EQ(ProjectLines(p).size(), 13u) << "written only when a banner has one";
}
