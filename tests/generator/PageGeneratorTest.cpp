#include "generator/PageGenerator.h"
#include "generator/PagePreview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string_view>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "project/ItemText.h"
#include "project/PromoLists.h"

#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

// A template using every placeholder, each block framed by its own whitespace.
const std::string kFullTemplate =
    "<title>%%TITLE%%</title>\r\n"
    "<nav>%%MENU%%</nav>\r\n"
    "<a href=\"%%AFFILIATELINK%%\">buy</a> join%%AFFILIATECODE%%\r\n"
    "%%TABLE_LINKTEXT_INIT%%\r\n"
    "  <a href=\"%%AFFILIATELINK%%\">%%ANCHORTEXT%%</a>\r\n"
    "%%TABLE_LINKTEXT_END%%\r\n"
    "%%TABLE_EMAIL_INIT%%<pre>%%EMAIL%%</pre>%%TABLE_EMAIL_END%%\r\n"
    "%%TABLE_AUTORESPONDER_INIT%% <pre>%%AUTOEMAIL%%</pre> %%TABLE_AUTORESPONDER_END%%\r\n"
    "%%TABLE_ARTICLE_INIT%%\t<div>%%ARTICLE%%</div>\t%%TABLE_ARTICLE_END%%\r\n"
    "%%TABLE_SIGNATURE_INIT%%<p>%%SIGNATURE%%</p>%%TABLE_SIGNATURE_END%%\r\n"
    "%%TABLE_POPUP_INIT%%<code>%%POPUP%%</code>%%TABLE_POPUP_END%%\r\n"
    "%%TABLE_BANNER_INIT%%\r\n"
    "<a href=\"%%AFFILIATELINK%%\"><img src=\"%%BANNER%%\"></a>\r\n"
    "%%TABLE_BANNER_END%%\r\n"
    "%%PPCADS%%\r\n";

Project FullProject() {
  Project p;
  p.Title = "Spring offer";
  p.URL = "http://xxxx.vendor.example/";
  p.ClickBankId = "12345";
  p.Anchors = {"Click here", "Best deal"};
  p.Email = {"Hi$$there"};
  p.AutoEmail = {"Day 1", "Day 2$$Bye"};
  p.Articles = {"Read %%AFFILIATELINK%%"};
  p.Signatures = {"Tom$$Boss"};
  p.PopUps = {"<script>x()</script>"};
  p.Banners = {"b1.gif", "b2.gif"};
  p.PPC = {"^Ad^Body$$line^example.com^"};
  return p;
}

std::string Cell(const std::string& title, const std::string& body, const std::string& link) {
  return "<td valign=top bgcolor=#FFFFA0 class=\"style17\"><u><span class=\"style7\">" + title +
         "</span></u><br>" + body + "<br><span class=style24>" + link + "</span></td>";
}
const std::string kTableOpen = "<table width=\"491\" border=\"0\" align=\"center\">";

}  // namespace

TEST(PageGenerator, EmptyProjectRemovesEveryPlaceholderAndKeepsTheFramingWhitespace) {
  EXPECT_EQ(FillTemplate(kFullTemplate, Project{}),
            "<title></title>\r\n"
            "<nav></nav>\r\n"
            "<a href=\"\">buy</a> join\r\n"
            "\r\n"
            "  \r\n"
            "\r\n"
            "\r\n"
            "  \r\n"
            "\t\t\r\n"
            "\r\n"
            "\r\n"
            "\r\n"
            "\r\n"
            "\r\n"
            "\r\n");
}

TEST(PageGenerator, FullProjectFillsEveryBlockInListOrder) {
  const std::string link = "http://xxxx.vendor.example/";
  const std::string expected =
      "<title>Spring offer</title>\r\n"
      "<nav><a href=\"#affiliatelink\">Affiliate Link</a> | <a href=\"#linktext\">Text Link</a> | "
      "<a href=\"#emailcopy\" target=\"_self\">Email Copy</a> | <a href=\"#sig\" target=\"_self\">Signature Ads</a> | "
      "<a href=\"#pops\" target=\"_self\">PopUp Codes </a> | <a href=\"#banners\" target=\"_self\">Banners</a> | "
      "<a href=\"#articles\" target=\"_self\">Articles</a> | <a href=\"#ppcads\"> PPC Ads</a> | "
      "<a href=\"#autoemailcopy\" target=\"_self\"> Autoresponder Emails</a> | </nav>\r\n"
      "<a href=\"" + link + "\">buy</a> join?e=12345\r\n"
      "\r\n"
      "  <a href=\"" + link + "\">Click here</a><a href=\"" + link + "\">Best deal</a>\r\n"
      "\r\n"
      "<pre>Hi\r\nthere</pre>\r\n"
      " <pre>Day 1</pre><pre>Day 2\r\nBye</pre> \r\n"
      "\t<div>Read " + link + "</div>\t\r\n"
      "<p>Tom\r\nBoss</p>\r\n"
      "<code><script>x()</script></code>\r\n"
      "\r\n"
      "<a href=\"" + link + "\"><img src=\"b1.gif\"></a><a href=\"" + link + "\"><img src=\"b2.gif\"></a>\r\n"
      "\r\n" +
      kTableOpen + "<tr>" + Cell("Ad", "Body\r\nline", "example.com") + "</table>\r\n";
  EXPECT_EQ(FillTemplate(kFullTemplate, FullProject()), expected);
}

TEST(PageGenerator, SingleValuePlaceholders) {
  struct Case {
    const char* name;
    std::string templ;
    Project project;
    std::string page;
  };
  Project withId;
  withId.ClickBankId = "12345";
  withId.URL = "http://xxxx.hop.example.net/?a=1&b=2";
  Project selfReferring;
  selfReferring.Title = "a%%TITLE%%b";
  Project linkAndSignatures;
  linkAndSignatures.URL = "x";
  linkAndSignatures.Signatures = {"one", "two"};
  const Case cases[] = {
      {"id becomes ?e= plus id, link keeps its xxxx", "%%AFFILIATECODE%%|%%AFFILIATELINK%%", withId,
       "?e=12345|http://xxxx.hop.example.net/?a=1&b=2\r\n"},
      {"inserted title is not searched again", "%%TITLE%%", selfReferring, "a%%TITLE%%b\r\n"},
      {"menu with a link and signatures only", "%%MENU%%", linkAndSignatures,
       "<a href=\"#affiliatelink\">Affiliate Link</a> | <a href=\"#sig\" target=\"_self\">Signature Ads</a> | \r\n"},
      {"placeholders are case-sensitive", "%%title%% %%Menu%% %%ppcads%%", withId,
       "%%title%% %%Menu%% %%ppcads%%\r\n"},
      {"lone item placeholders outside blocks vanish", "[%%EMAIL%%][%%BANNER%%][%%ANCHORTEXT%%]", FullProject(),
       "[][][]\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillTemplate(c.templ + "\r\n", c.project), c.page) << c.name;
}

TEST(PageGenerator, ThreeAnchorsInAOneLineBlockGiveThreeLinksWithoutBreaks) {
  Project p;
  p.URL = "L";
  p.Anchors = {"a", "b$$c", "d"};
  EXPECT_EQ(FillTemplate("%%TABLE_LINKTEXT_INIT%%<a href=\"%%AFFILIATELINK%%\">%%ANCHORTEXT%%</a>"
                         "%%TABLE_LINKTEXT_END%%\r\n",
                         p),
            "<a href=\"L\">a</a><a href=\"L\">b$$c</a><a href=\"L\">d</a>\r\n");
}

TEST(PageGenerator, DoubleDollarBecomesALineBreakInTheWholeRowOfTextBlocks) {
  Project p;
  p.Email = {"Hi$$there"};
  p.Banners = {"x$$y.gif"};
  EXPECT_EQ(FillTemplate("%%TABLE_EMAIL_INIT%%<p>$$%%EMAIL%%</p>%%TABLE_EMAIL_END%%\r\n"
                         "%%TABLE_BANNER_INIT%%[%%BANNER%%$$]%%TABLE_BANNER_END%%\r\n",
                         p),
            "<p>\r\nHi\r\nthere</p>\r\n[x$$y.gif$$]\r\n");
}

TEST(PageGenerator, TextsHoldingTheFilesMarksAreShownAsTyped) {
  Project p;
  p.Email = {KeptText(PromoKind::Email, "Save $$$\r\nTotal 5$\r\n<%%AfEmail%%> ^^")};
  p.PPC = {KeptPpcAd({"50^off", "Only 5$\r\n$$ more", "a^b"})};
  p.SocialPosts = {KeptText(PromoKind::SocialPosts, "$$ off")};
  EXPECT_EQ(FillTemplate("%%TABLE_EMAIL_INIT%%<p>%%EMAIL%%</p><textarea>%%EMAIL%%</textarea>%%TABLE_EMAIL_END%%\r\n"
                         "%%TABLE_SOCIAL_INIT%%[%%SOCIAL%%]%%TABLE_SOCIAL_END%%\r\n",
                         p),
            "<p>Save $$$\r\nTotal 5$\r\n<%%AfEmail%%> ^^</p>"
            "<textarea>Save $$$\r\nTotal 5$\r\n&lt;%%AfEmail%%> ^^</textarea>\r\n[$$ off]\r\n");
  EXPECT_EQ(BuildPpcTable(p.PPC), kTableOpen + "<tr>" + Cell("50^off", "Only 5$\r\n$$ more", "a^b") + "</table>");
}

TEST(PageGenerator, BannersTakeTheirOwnAlternativeTextEscapedForTheAttribute) {
  Project p;
  p.Banners = {"a.gif", "b.gif"};
  SetBannerAlt(p, "a.gif", "Tom & \"Jerry\" <3");
  EXPECT_EQ(FillTemplate("%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\" alt=\"%%BANNER_ALT%%\">"
                         "<textarea><img alt=\"%%BANNER_ALT%%\"></textarea>%%TABLE_BANNER_END%%%%BANNER_ALT%%\r\n",
                         p),
            "<img src=\"a.gif\" alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\">"
            "<textarea><img alt=\"Tom &amp;amp; &amp;quot;Jerry&amp;quot; &amp;lt;3\"></textarea>"
            "<img src=\"b.gif\" alt=\"\"><textarea><img alt=\"\"></textarea>\r\n");
}

TEST(PageGenerator, PromoTextsGetTheAffiliateLinkButNotTheTitle) {
  Project p;
  p.Title = "T";
  p.URL = "U";
  p.Signatures = {"%%AFFILIATELINK%% and %%TITLE%%"};
  p.PPC = {"^%%AFFILIATELINK%%^b^l^"};
  const std::string page = FillTemplate(
      "%%TABLE_SIGNATURE_INIT%%<p>%%SIGNATURE%%</p>%%TABLE_SIGNATURE_END%%\r\n%%PPCADS%%\r\n", p);
  EXPECT_EQ(page, "<p>U and %%TITLE%%</p>\r\n" + kTableOpen + "<tr>" + Cell("U", "b", "l") + "</table>\r\n");
}

TEST(PageGenerator, SocialPostsCarryTheLinkAndShareLinksGetBothPercentEncoded) {
  Project p;
  p.URL = "http://v.example/?a=1&b=2";
  p.SocialPosts = {"Grow 50% more$$food", "At %%AFFILIATELINK%% now"};
  EXPECT_EQ(FillTemplate("%%TABLE_SOCIAL_INIT%%<p>%%SOCIAL%%</p><a href=\"https://x.example/intent?text="
                         "%%SOCIAL_ENCODED%%&u=%%AFFILIATELINK_ENCODED%%\">X</a>%%TABLE_SOCIAL_END%%\r\n",
                         p),
            "<p>Grow 50% more\r\nfood http://v.example/?a=1&b=2</p><a href=\"https://x.example/intent?text="
            "Grow%2050%25%20more%0D%0Afood%20http%3A%2F%2Fv.example%2F%3Fa%3D1%26b%3D2&u="
            "http%3A%2F%2Fv.example%2F%3Fa%3D1%26b%3D2\">X</a>"
            "<p>At http://v.example/?a=1&b=2 now</p><a href=\"https://x.example/intent?text="
            "At%20http%3A%2F%2Fv.example%2F%3Fa%3D1%26b%3D2%20now&u="
            "http%3A%2F%2Fv.example%2F%3Fa%3D1%26b%3D2\">X</a>\r\n");
  EXPECT_EQ(BuildPageMenu(p), "<a href=\"#affiliatelink\">Affiliate Link</a> | "
                              "<a href=\"#social\" target=\"_self\">Social Posts</a> | ");
}

TEST(PageGenerator, ASectionGoesWholeWhenItsKindHasNoItems) {
  Project p;
  p.Email = {"Hi"};
  EXPECT_EQ(FillTemplate("a%%SECTION_EMAIL_BEGIN%%<h2>Mail</h2>%%TABLE_EMAIL_INIT%%<p>%%EMAIL%%</p>%%TABLE_EMAIL_END%%"
                         "%%SECTION_EMAIL_END%%b%%SECTION_PPC_BEGIN%%<h2>PPC</h2>%%PPCADS%%%%SECTION_PPC_END%%c"
                         "%%SECTION_SOCIAL_BEGIN%%d\r\n",
                         p),
            "a<h2>Mail</h2><p>Hi</p>bcd\r\n");
}

TEST(PageGenerator, BlocksThatCannotBeFoundStayOnceWithoutTheirMarkers) {
  struct Case {
    const char* name;
    std::string templ;
    std::string page;
  };
  const Case cases[] = {
      {"block holding the title", "%%TABLE_EMAIL_INIT%%<h2>%%TITLE%%</h2>%%EMAIL%%%%TABLE_EMAIL_END%%",
       "<h2>T</h2>"},
      {"block holding the menu", "%%TABLE_EMAIL_INIT%%<nav>%%MENU%%</nav>%%EMAIL%%%%TABLE_EMAIL_END%%",
       "<nav><a href=\"#linktext\">Text Link</a> | <a href=\"#emailcopy\" target=\"_self\">Email Copy</a> | </nav>"},
      {"block holding the affiliate code", "%%TABLE_EMAIL_INIT%%%%AFFILIATECODE%%%%EMAIL%%%%TABLE_EMAIL_END%%", ""},
      {"e-mail block before the link-text block",
       "%%TABLE_EMAIL_INIT%%<e>%%EMAIL%%</e>%%TABLE_EMAIL_END%%"
       "%%TABLE_LINKTEXT_INIT%%<l>%%ANCHORTEXT%%</l>%%TABLE_LINKTEXT_END%%",
       "<e></e><l>a</l>"},
      {"closing marker missing", "%%TABLE_EMAIL_INIT%%<e>%%EMAIL%%</e>", "<e></e>"},
      {"opening marker missing", "<e>%%EMAIL%%</e>%%TABLE_EMAIL_END%%", "<e></e>"},
      {"markers out of order", "%%TABLE_EMAIL_END%%<e>%%EMAIL%%</e>%%TABLE_EMAIL_INIT%%", "<e></e>"},
      {"block of blanks only", "%%TABLE_EMAIL_INIT%% \t %%TABLE_EMAIL_END%%", " \t "},
  };
  Project p;
  p.Title = "T";
  p.Anchors = {"a"};
  p.Email = {"mail1", "mail2"};
  for (const auto& c : cases) EXPECT_EQ(FillTemplate(c.templ + "\r\n", p), c.page + "\r\n") << c.name;
}

TEST(PageGenerator, LowerCaseMarkersAreFoundButStayInThePage) {
  Project p;
  p.Email = {"m1", "m2"};
  EXPECT_EQ(FillTemplate("%%table_email_init%%<e>%%EMAIL%%</e>%%table_email_end%%\r\n", p),
            "%%table_email_init%%<e>m1</e><e>m2</e>%%table_email_end%%\r\n");
}

TEST(PageGenerator, TheBlocksTextElsewhereInThePageIsReplacedToo) {
  Project p;
  p.PopUps = {"x", "y"};
  EXPECT_EQ(FillTemplate("<i>%%POPUP%%</i>|%%TABLE_POPUP_INIT%%\r\n<i>%%POPUP%%</i>\r\n%%TABLE_POPUP_END%%\r\n", p),
            "<i>x</i><i>y</i>|\r\n<i>x</i><i>y</i>\r\n\r\n");
}

TEST(PageGenerator, ValuesInATextBoxAreEscapedSoTheBoxShowsThemAsTyped) {
  Project project;
  project.Title = "Tom & Jerry";
  project.URL = "http://x.example/?a=1&copy=2";
  project.PopUps = {"</textarea><b id=leak>LEAK</b> &amp; %%AFFILIATELINK%%"};
  project.Anchors = {"A & <b>B</b>"};
  project.SocialPosts = {"Me & you"};
  const std::string page = FillTemplate(
      "<title>%%TITLE%%</title><textarea>%%TITLE%% %%AFFILIATELINK%%</textarea>\r\n"
      "%%TABLE_LINKTEXT_INIT%%<a href=\"%%AFFILIATELINK%%\">%%ANCHORTEXT%%</a>"
      "<TEXTAREA rows=\"2\" title=\"a>b\">%%ANCHORTEXT%% %%AFFILIATELINK%%</textarea >%%TABLE_LINKTEXT_END%%\r\n"
      "%%TABLE_POPUP_INIT%%<div>%%POPUP%%</div><textarea>%%POPUP%%</textarea>%%TABLE_POPUP_END%%\r\n"
      "%%TABLE_SOCIAL_INIT%%<p>%%SOCIAL%%</p><textarea>%%SOCIAL%%</textarea>%%TABLE_SOCIAL_END%%\r\n",
      project);
  const std::string boxedLink = "http://x.example/?a=1&amp;copy=2";
  EXPECT_EQ(page,
            "<title>Tom & Jerry</title><textarea>Tom &amp; Jerry " + boxedLink + "</textarea>\r\n"
            "<a href=\"" + project.URL + "\">A & <b>B</b></a>"
            "<TEXTAREA rows=\"2\" title=\"a>b\">A &amp; &lt;b>B&lt;/b> " + boxedLink + "</textarea >\r\n"
            "<div></textarea><b id=leak>LEAK</b> &amp; " + project.URL + "</div>"
            "<textarea>&lt;/textarea>&lt;b id=leak>LEAK&lt;/b> &amp;amp; " + boxedLink + "</textarea>\r\n"
            "<p>Me & you " + project.URL + "</p><textarea>Me &amp; you " + boxedLink + "</textarea>\r\n");
}

TEST(PageGenerator, DescriptionIsPlainTextForItsAttributeAndMadeFromTheTitleWhenBlank) {
  Project project;
  project.Title = "Tom & Jerry";
  EXPECT_EQ(FillTemplate("<meta name=\"description\" content=\"%%DESCRIPTION%%\">", project),
            "<meta name=\"description\" content=\"Ready-made promotional material for affiliates of Tom &amp; Jerry: "
            "copy it, paste it and start earning.\">");
  project.Description = " Say \"hi\" <now>\r\n& later ";
  EXPECT_EQ(PageDescription(project), "Say &quot;hi&quot; &lt;now&gt;  &amp; later");
  EXPECT_EQ(PageDescription(Project{}),
            "Ready-made promotional material for affiliates: copy it, paste it and start earning.");
}

TEST(PageGenerator, PpcTableHoldsTwoAdsPerRow) {
  const std::string a = Cell("A", "a", "la");
  const std::string b = Cell("B", "b1\r\nb2", "lb");
  const std::string c = Cell("C", "c", "lc");
  EXPECT_EQ(BuildPpcTable({}), "");
  EXPECT_EQ(BuildPpcTable({"^A^a^la^"}), kTableOpen + "<tr>" + a + "</table>");
  EXPECT_EQ(BuildPpcTable({"^A^a^la^", "^B^b1$$b2^lb^"}),
            kTableOpen + "<tr>" + a + "<td>&nbsp;</td>" + b + "</tr></table>");
  EXPECT_EQ(BuildPpcTable({"^A^a^la^", "^B^b1$$b2^lb^", "^C^c^lc^"}),
            kTableOpen + "<tr>" + a + "<td>&nbsp;</td>" + b + "</tr><tr>" + c + "</table>");
}

TEST(PageGenerator, PpcAdsWithMissingFieldsGiveEmptyFields) {
  const std::pair<std::string, std::string> cases[] = {
      {"", Cell("", "", "")},
      {"^Only title", Cell("Only title", "", "")},
      {"^T^body", Cell("T", "body", "")},
      {"no carets", Cell("", "", "")},
      {"^T^^link^extra^", Cell("T", "", "link")},
  };
  for (const auto& [ad, cell] : cases) EXPECT_EQ(BuildPpcTable({ad}), kTableOpen + "<tr>" + cell + "</table>") << ad;
}

TEST(PageGenerator, MenuIsEmptyWithoutLinkAndItems) { EXPECT_EQ(BuildPageMenu(Project{}), ""); }

TEST(GeneratePage, ReadsTheTemplateAsALineFileMatchingTheNameWithoutRegardToCase) {
  test::TempDir program;
  program.Write("Templates/plain.tem", "<p>%%TITLE%%</p>\n<br>\r<hr>");
  Project p;
  p.Title = "Hello";
  const auto page = GeneratePage(p, "Plain", {program / "Templates"});
  ASSERT_TRUE(page);
  EXPECT_EQ(*page, "<p>Hello</p>\r\n<br>\r\n<hr>\r\n");
}

TEST(GeneratePage, UserTemplateShadowsTheShippedOneOfTheSameName) {
  test::TempDir dirs;
  dirs.Write("shipped/plain.tem", "shipped");
  dirs.Write("user/Plain.tem", "user");
  const auto page = GeneratePage(Project{}, "plain", {dirs / "shipped", dirs / "user"});
  ASSERT_TRUE(page);
  EXPECT_EQ(*page, "user\r\n");
}

TEST(GeneratePage, MissingTemplateGivesNoPageAndSaysWhichThereAre) {
  test::TempDir program;
  program.Write("Templates/plain.tem", "x");
  program.Write("Templates/blue.tem", "x");
  program.Write("passwd", "secret");
  const auto other = GeneratePage(Project{}, "Other", {program / "Templates"});
  ASSERT_FALSE(other);
  EXPECT_EQ(other.error().kind, ErrorKind::NotFound);
  EXPECT_EQ(other.error().message, "No template named \"Other\". Installed templates: Blue, Plain.");
  // Names from someone else's project that would reach outside the folder.
  for (const std::string name : {"", "..", "../passwd", "../../../etc/passwd", "/etc/passwd"}) {
    const auto page = GeneratePage(Project{}, name, {program / "Templates"});
    ASSERT_FALSE(page) << name;
    EXPECT_EQ(page.error().kind, ErrorKind::NotFound) << name;
  }
  const auto none = GeneratePage(Project{}, "plain", {program / "nowhere/Templates"});
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().message, "No template named \"plain\". Installed templates: none.");
}

TEST(GeneratePage, TemplateOverFourMegabytesIsRefusedUnread) {
  test::TempDir program;
  program.Write("Templates/big.tem", std::string(kMaxTemplateBytes + 1, 'x'));
  program.Write("Templates/full.tem", std::string(kMaxTemplateBytes, 'x'));
  const auto big = GeneratePage(Project{}, "Big", {program / "Templates"});
  ASSERT_FALSE(big);
  EXPECT_EQ(big.error().kind, ErrorKind::TooLarge);
  EXPECT_EQ(big.error().message, "The template \"Big\" is larger than 4 MB, the most a template may be; it is not used.");
  EXPECT_NE(PreviewPage(Project{}, "Big", {program / "Templates"}).find("larger than 4 MB"), std::string::npos)
      << "the preview says so too";
  EXPECT_TRUE(GeneratePage(Project{}, "Full", {program / "Templates"}));
  EXPECT_EQ(PageFileTooLargeMessage("/p/page.htm"),
            "The page /p/page.htm is larger than 64 MB, the most a page may be; it is not read.");
}

TEST(GeneratePage, TemplateWithTooManyPlaceholdersIsRefusedBeforeItIsFilled) {
  test::TempDir program;
  std::string most;
  for (std::size_t i = 0; i < kMaxTemplatePlaceholders; ++i) most += i % 2 ? "%%MENU%%" : "%%X%%";
  program.Write("Templates/most.tem", most);
  program.Write("Templates/menus.tem", most + "%%MENU%%");
  const auto menus = GeneratePage(Project{}, "Menus", {program / "Templates"});
  ASSERT_FALSE(menus);
  EXPECT_EQ(menus.error().kind, ErrorKind::TooLarge);
  EXPECT_EQ(menus.error().message,
            "The template \"Menus\" holds more than 4096 placeholders, the most a template may hold; it is not used.");
  EXPECT_TRUE(GeneratePage(Project{}, "Most", {program / "Templates"}));
}

TEST(FillPage, PageOverTheLimitIsRefusedSayingWhatMakesItLarge) {
  Project p;
  p.Title = std::string(100, 't');
  p.URL = "http://" + std::string(100, 'u');
  p.Anchors.assign(50, "anchor");
  struct Case {
    std::string name;
    std::string templ;
    std::string cause;
  };
  const std::string block = "%%TABLE_LINKTEXT_INIT%%" + std::string(1000, 'b') + "%%ANCHORTEXT%%%%TABLE_LINKTEXT_END%%";
  std::string titles;
  std::string links;
  std::string menus;
  for (int i = 0; i < 200; ++i) titles += "%%TITLE%%", links += "%%AFFILIATELINK%%", menus += "%%MENU%%";
  const Case cases[] = {
      {"a block repeated for every item", block, "block of text links"},
      {"the title repeated", titles, "repeats the title"},
      {"the menu repeated", menus, "repeats the menu"},
      {"the affiliate link repeated", links, "repeats the affiliate link"},
      {"links inside a block", "%%TABLE_LINKTEXT_INIT%%" + links + "%%TABLE_LINKTEXT_END%%", "affiliate link"},
  };
  for (const auto& c : cases) {
    const auto page = FillPage(c.templ, p, 10000);
    ASSERT_FALSE(page) << c.name;
    EXPECT_EQ(page.error().kind, ErrorKind::TooLarge) << c.name;
    EXPECT_NE(page.error().message.find("The page would be larger than 10000 bytes;"), std::string::npos) << c.name;
    EXPECT_NE(page.error().message.find(c.cause), std::string::npos) << c.name << ": " << page.error().message;
    EXPECT_GT(FillTemplate(c.templ, p).size(), 10000u) << c.name << ": refused rightly";
  }
  // A table of ads larger than the limit only matters where the page shows it.
  p.PPC.assign(100, "^" + std::string(200, 'a') + "^b^c");
  EXPECT_FALSE(FillPage("<p>%%PPCADS%%</p>", p, 10000));
  EXPECT_TRUE(FillPage("<p>no ads</p>", p, 10000));
}

TEST(FillPage, LimitIsThePagesOwnSize) {
  Project p;
  p.Title = "A title";
  p.URL = "http://example.com/a-long-enough-link";
  const std::string templ = "<h1>%%TITLE%%</h1><a href=\"%%AFFILIATELINK%%\">%%TITLE%%</a>\r\n";
  const std::string page = FillTemplate(templ, p);
  EXPECT_EQ(FillPage(templ, p, page.size()).value(), page);
  EXPECT_FALSE(FillPage(templ, p, page.size() - 1));
}

TEST(FillPage, HostilePagesAreRefusedAtTheDefaultLimitWithoutBeingMade) {
  // A 1 MB block for 65 items, and 100,000 markers: either would pass 64 MB.
  Project p;
  p.Anchors.assign(65, "a");
  const auto rows = FillPage("%%TABLE_LINKTEXT_INIT%%" + std::string(1 << 20, 'b') + "%%ANCHORTEXT%%%%TABLE_LINKTEXT_END%%", p);
  ASSERT_FALSE(rows);
  EXPECT_EQ(rows.error().message,
            "The page would be larger than 64 MB; the template's block of text links is written once for each of the "
            "65 text links. Choose another template, or make the project's items fewer or shorter.");
  p.Title.assign(1000, 't');
  std::string markers;
  for (int i = 0; i < 100000; ++i) markers += "%%TITLE%%";
  EXPECT_FALSE(FillPage(markers, p));
}

namespace {

// The generator's steps done the plain way, one whole-page replacement after
// another, to hold the faster page building to exactly the same result.
std::string ReferencePage(const std::string& templ, const Project& p) {
  std::string page = templ;
  std::string work = templ;
  page = ReplaceAll(page, "%%TITLE%%", p.Title);
  page = ReplaceAll(page, "%%MENU%%", BuildPageMenu(p));
  page = ReplaceAll(page, "%%AFFILIATECODE%%", p.ClickBankId.empty() ? "" : "?e=" + p.ClickBankId);
  struct Kind {
    std::string name;
    const PromoList* items;
    std::string placeholder;
    bool link;
  };
  const Kind kinds[] = {{"LINKTEXT", &p.Anchors, "%%ANCHORTEXT%%", true},
                        {"EMAIL", &p.Email, "%%EMAIL%%", false},
                        {"AUTORESPONDER", &p.AutoEmail, "%%AUTOEMAIL%%", false},
                        {"ARTICLE", &p.Articles, "%%ARTICLE%%", false},
                        {"SIGNATURE", &p.Signatures, "%%SIGNATURE%%", false},
                        {"POPUP", &p.PopUps, "%%POPUP%%", false},
                        {"BANNER", &p.Banners, "%%BANNER%%", true}};
  for (const auto& kind : kinds) {
    const std::string open = "%%TABLE_" + kind.name + "_INIT%%";
    const std::string close = "%%TABLE_" + kind.name + "_END%%";
    const std::string block = TrimControl(ExtractTagged(open, close, work));
    std::string rows;
    for (const auto& item : *kind.items) {
      std::string row = block;
      if (kind.link) row = ReplaceAll(row, "%%AFFILIATELINK%%", p.URL);
      // The block's own "$$" are line breaks; a text shows as typed.
      if (!kind.link) row = ReplaceAll(row, "$$", "\r\n");
      row = ReplaceAll(row, kind.placeholder, kind.link ? item : TypedMultiLine(item));
      rows += row;
    }
    page = ReplaceAll(page, block, rows);
    for (const auto& remove : {open, close, kind.placeholder}) page = ReplaceAll(page, remove, "");
  }
  page = ReplaceAll(page, "%%BANNER_ALT%%", "");  // no banner has one here
  page = ReplaceAll(page, "%%PPCADS%%", BuildPpcTable(p.PPC));
  return ReplaceAll(page, "%%AFFILIATELINK%%", p.URL);
}

// Draws random texts from token lists.
class RandomText {
public:
  explicit RandomText(unsigned seed) : pick_(seed) {}
  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(pick_); }
  std::string Of(const std::vector<std::string>& tokens, std::size_t count) {
    std::string t;
    for (std::size_t i = 0; i < count; ++i) t += tokens[Below(tokens.size())];
    return t;
  }

private:
  std::mt19937 pick_;
};

// Random projects made of `itemTokens` filled into templates from
// `makeTemplate`, each page held to the plain whole-page replacement.
void ExpectSameAsReference(const std::function<std::string(RandomText&)>& makeTemplate,
                           const std::vector<std::string>& itemTokens, unsigned seed, int rounds) {
  RandomText random(seed);
  auto choose = [&](std::size_t n) { return random.Below(n); };
  auto text = [&](const std::vector<std::string>& tokens, std::size_t count) { return random.Of(tokens, count); };
  for (int round = 0; round < rounds; ++round) {
    Project p;
    p.Title = text(itemTokens, choose(2));
    p.URL = choose(3) == 0 ? "" : "http://xxxx.example/" + text(itemTokens, choose(2));
    for (PromoList* list : {&p.Anchors, &p.Email, &p.PopUps, &p.Banners, &p.PPC}) {
      // Sometimes hundreds of short items, so that rows go past one another.
      const std::size_t count = choose(5) == 0 ? 100 + choose(400) : choose(4);
      for (std::size_t i = 0; i < count; ++i) {
        std::string item = text(itemTokens, choose(4));
        if (choose(6) == 0) item += std::string(5000, 'y') + text(itemTokens, 2);  // rows large enough to stand alone
        list->push_back(item);
      }
    }
    const std::string templ = makeTemplate(random);
    const std::string page = ReferencePage(templ, p);
    ASSERT_EQ(FillTemplate(templ, p), page) << "round " << round << ": " << templ;
    std::string streamed;
    const auto written = WritePage(templ, p, [&](std::string_view part) { streamed += part; });
    ASSERT_TRUE(written) << "round " << round;
    ASSERT_EQ(streamed, page) << "round " << round << ": " << templ;
    EXPECT_EQ(*written, page.size());
    // However the page is put together, no page over the limit comes out, not even in part.
    if (!page.empty()) {
      ASSERT_FALSE(FillPage(templ, p, page.size() - 1)) << "round " << round << ": " << templ;
      std::string refused;
      ASSERT_FALSE(WritePage(templ, p, [&](std::string_view part) { refused += part; }, page.size() - 1));
      ASSERT_EQ(refused, "") << "round " << round;
    }
  }
}

// Pieces that, joined in odd orders, make markers and placeholders appear
// only once other text has been removed, across rows and block borders.
const std::vector<std::string> kTangledTokens = {
    "%%TABLE_LINKTEXT_INIT%%", "%%TABLE_LINKTEXT_END%%", "%%TABLE_EMAIL_INIT%%", "%%TABLE_EMAIL_END%%",
    "%%TABLE_POPUP_INIT%%", "%%TABLE_POPUP_END%%", "%%TABLE_BANNER_INIT%%", "%%TABLE_BANNER_END%%",
    "%%ANCHORTEXT%%", "%%EMAIL%%", "%%POPUP%%", "%%BANNER%%", "%%AFFILIATELINK%%", "%%PPCADS%%", "%%TITLE%%",
    "%%TABLE_", "_INIT%%", "_END%%", "EMAIL", "%%", "%", "$", "$$", "\r\n", " ", "<b>", "x"};

}  // namespace

TEST(PageGenerator, LargeAndTangledPagesComeOutAsWholePageReplacementWouldMakeThem) {
  const auto tangled = [](RandomText& random) { return random.Of(kTangledTokens, 4 + random.Below(40)); };
  ExpectSameAsReference(tangled, kTangledTokens, 20240611, 1500);
}

TEST(PageGenerator, ManyPlainRowsComeOutAsWholePageReplacementWouldMakeThem) {
  // Templates and items much like real ones: blocks in their order around
  // plain text and links to fill in, with now and then a stray '%', '$' or
  // half a marker that may meet its other half in the next row or in the
  // block around it.
  const std::vector<std::string> plain = {"x", "x", "x", " ", " ", "<b>", "$", "$$", "\r\n", "%", "%%",
                                          "%%AFFILIATELINK%%", "%%AFFILIATE", "LINK%%", "_END%%", "%%TABLE_"};
  const auto realistic = [&](RandomText& random) {
    std::string page = random.Of(plain, random.Below(4));
    for (const std::string kind : {"LINKTEXT", "EMAIL", "POPUP", "BANNER"}) {
      const std::string placeholder = kind == "LINKTEXT" ? "%%ANCHORTEXT%%" : "%%" + kind + "%%";
      page += "%%TABLE_" + kind + "_INIT%%" + random.Of(plain, random.Below(3)) + placeholder +
              random.Of(plain, random.Below(3)) + "%%TABLE_" + kind + "_END%%" + random.Of(plain, random.Below(3));
      if (random.Below(4) == 0) page += random.Of(kTangledTokens, 1);
    }
    return page + "%%PPCADS%%" + random.Of(plain, random.Below(3));
  };
  ExpectSameAsReference(realistic, plain, 20261208, 1500);
}

TEST(PageGenerator, ALaterBlockSpelledByTwoRowsMeetingIsFilledToo) {
  // The e-mail block has its only '%' in its middle, and here three anchor
  // rows spell it: the end of one, the whole next one, the start of a third.
  const std::string templ =
      "%%TABLE_LINKTEXT_INIT%%[%%ANCHORTEXT%%]%%TABLE_LINKTEXT_END%%\r\n"
      "%%TABLE_EMAIL_INIT%%a][b%c][d%%TABLE_EMAIL_END%%\r\n";
  Project p;
  p.Anchors.assign(300, std::string(40, 'y'));
  p.Anchors[150] = "a";
  p.Anchors[151] = "b%c";
  p.Anchors[152] = "d";
  p.Email = {"1", "2"};
  const std::string page = FillTemplate(templ, p);
  EXPECT_EQ(page, ReferencePage(templ, p));
  EXPECT_NE(page.find("y][a][b%c][da][b%c][d][y"), std::string::npos);
}

TEST(WritePage, ALargePageComesOutInPartsThatMakeTheWholePage) {
  // Links in every row, of odd lengths, so that some stand across the parts' borders.
  Project p;
  p.URL = "http://xxxx.example/";
  for (int i = 0; i < 60000; ++i) p.Anchors.push_back(std::string(static_cast<std::size_t>(i % 7), 'a') + "%%AFFILIATELINK%%");
  const std::string templ = "<p>%%TABLE_LINKTEXT_INIT%%[%%ANCHORTEXT%%|%%AFFILIATELINK%%]%%TABLE_LINKTEXT_END%%</p>\r\n";
  const std::string page = FillTemplate(templ, p);
  std::string streamed;
  std::size_t largest = 0;
  ASSERT_TRUE(WritePage(templ, p, [&](std::string_view part) {
    streamed += part;
    largest = std::max(largest, part.size());
  }));
  EXPECT_EQ(streamed, page);
  EXPECT_LT(largest, page.size() / 4) << "the page was held whole";
}
