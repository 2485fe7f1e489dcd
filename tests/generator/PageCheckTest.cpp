// The page check: each fault found where it comes from, nothing on a sound
// page, and the same findings whether the rows are read once or all.
#include "generator/PageCheck.h"
#include "project/PromoLists.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "generator/PageGenerator.h"
#include "project/ProjectFile.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

const std::string kTemplate =
    "<!DOCTYPE html><html><head><title>%%TITLE%%</title><meta name=\"description\" content=\"%%DESCRIPTION%%\">"
    "</head><body>\r\n"
    "<p class=\"disclosure\">We may earn a fee.</p>\r\n"
    "<h1>%%TITLE%%</h1><nav>%%MENU%%</nav>\r\n"
    "<a href=\"%%AFFILIATELINK%%%%AFFILIATECODE%%\" rel=\"sponsored\">Buy</a>\r\n"
    "<ul>%%TABLE_LINKTEXT_INIT%%<li><a href=\"%%AFFILIATELINK%%\" rel=\"nofollow sponsored\">%%ANCHORTEXT%%</a></li>"
    "%%TABLE_LINKTEXT_END%%</ul>\r\n"
    "<div>%%TABLE_ARTICLE_INIT%%<article>%%ARTICLE%%</article>%%TABLE_ARTICLE_END%%</div>\r\n"
    "<div>%%TABLE_POPUP_INIT%%<textarea>%%POPUP%%</textarea>%%TABLE_POPUP_END%%</div>\r\n"
    "<div>%%TABLE_BANNER_INIT%%<a href=\"%%AFFILIATELINK%%\" rel=\"sponsored\"><img src=\"%%BANNER%%\" alt=\"Banner\">"
    "</a>%%TABLE_BANNER_END%%</div>\r\n"
    "%%PPCADS%%\r\n</body></html>\r\n";

Project CleanProject() {
  Project p;
  p.Title = "Spring Deals for 5 < 6 & AT&T";
  p.URL = "https://me.vendor.example/";
  p.ClickBankId = "me";
  p.Anchors = {"Buy now", "Tom & Jerry"};
  p.Banners = {"https://cdn.example/b.gif", "/banners/local.gif"};
  p.Articles = {"Read <a href=\"%%AFFILIATELINK%%\" rel=\"sponsored\">this</a>.$$<img src=\"a.png\" alt=\"A\">"};
  p.PopUps = {"<script>alert(1)</script>", "<p>Open paragraph"};
  p.PPC = {"^Save 50%^Fast$$Easy^buy.htm^"};
  return p;
}

using Codes = std::vector<std::pair<std::string, std::string>>;

Codes CodesOf(const std::vector<Finding>& findings) {
  Codes codes;
  for (const auto& f : findings) codes.emplace_back(f.code, PlaceName(f.where));
  return codes;
}

std::vector<std::string> Sorted(const std::vector<Finding>& findings) {
  std::vector<std::string> all;
  for (const auto& f : findings) all.push_back(f.code + "|" + f.Place() + "|" + f.message + "|" + f.key);
  std::sort(all.begin(), all.end());
  return all;
}

// Checks both ways and insists that they agree.
std::vector<Finding> Check(const Project& project, const std::string& templ) {
  const std::string page = FillTemplate(templ, project);
  auto quick = CheckProjectPage(project, templ, page);
  EXPECT_EQ(Sorted(quick), Sorted(CheckProjectPage(project, templ, page, true)));
  return quick;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

}  // namespace

TEST(PageCheck, SoundProjectAndPageGiveNoFindings) { EXPECT_THAT(Check(CleanProject(), kTemplate), IsEmpty()); }

TEST(PageCheck, EachFaultIsFoundWhereItComesFrom) {
  struct Case {
    const char* fault;
    std::function<void(Project&, std::string&)> make;
    std::string code;
    std::string place;
  };
  const Case cases[] = {
      {"link without a scheme", [](Project& p, std::string&) { p.URL = "not a url"; }, "link-invalid",
       "Affiliate link"},
      {"no link yet", [](Project& p, std::string&) { p.URL = " "; }, "link-invalid", "Affiliate link"},
      {"banner over http", [](Project& p, std::string&) { p.Banners[1] = "http://cdn.example/c.gif"; },
       "picture-insecure", "Banner 2"},
      {"template picture over http",
       [](Project&, std::string& t) { t = Replaced(t, "<h1>", "<img src=\"HTTP://x/logo.png\" alt=\"L\"><h1>"); },
       "picture-insecure", "Template"},
      {"browsed banner", [](Project& p, std::string&) { p.Banners.push_back("file://C:/Pics/top.gif"); },
       "local-file", "Banner 3"},
      {"article linking a home file",
       [](Project& p, std::string&) { p.Articles.push_back("<a href=\"~/offer.htm\">offer</a>"); },
       "local-file", "Article 2"},
      {"template link without rel",
       [](Project&, std::string& t) { t = Replaced(t, " rel=\"sponsored\">Buy", ">Buy"); },
       "missing-sponsored", "Template"},
      {"rows without sponsored",
       [](Project&, std::string& t) { t = Replaced(t, "rel=\"nofollow sponsored\"", "rel=\"nofollow\""); },
       "missing-sponsored", "Template"},
      {"article linking the product plainly",
       [](Project& p, std::string&) { p.Articles[0] = "See <a href='%%AFFILIATELINK%%?x=1'>here</a>"; },
       "missing-sponsored", "Article 1"},
      {"rows without alt", [](Project&, std::string& t) { t = Replaced(t, " alt=\"Banner\"", " alt=\" \""); },
       "missing-alt", "Template"},
      {"article picture without alt",
       [](Project& p, std::string&) { p.Articles[0] = "<img src=\"https://x.example/a.png\">"; }, "missing-alt",
       "Article 1"},
      {"no disclosure", [](Project&, std::string& t) { t = Replaced(t, " class=\"disclosure\"", ""); },
       "no-disclosure", "Page"},
      {"markup in the title", [](Project& p, std::string&) { p.Title = "Summer & <Deals>"; }, "markup-in-text",
       "Title"},
      {"unfinished character reference in an anchor",
       [](Project& p, std::string&) { p.Anchors[1] = "&copy deals"; }, "markup-in-text", "Text Link 2"},
      {"markup in a PPC body", [](Project& p, std::string&) { p.PPC[0] = "^Save^Easy & <cheap>^x^"; },
       "markup-in-text", "PPC Ad 1"},
      {"pop-up with an open textarea", [](Project& p, std::string&) { p.PopUps.push_back("<textarea>x"); },
       "unclosed-markup", "PopUp 3"},
      {"no description", [](Project&, std::string& t) { t = Replaced(t, " content=\"%%DESCRIPTION%%\"", ""); },
       "no-description", "Page"},
      {"article with an unfinished comment", [](Project& p, std::string&) { p.Articles.push_back("a <!-- b"); },
       "unclosed-markup", "Article 2"},
      {"misspelt placeholder", [](Project&, std::string& t) { t = Replaced(t, "</nav>", "%%TITEL%%</nav>"); },
       "placeholder-left", "Template"},
      {"placeholder typed into an article", [](Project& p, std::string&) { p.Articles.push_back("Hi %%NAME%%"); },
       "placeholder-left", "Article 2"},
  };
  for (const auto& c : cases) {
    Project project = CleanProject();
    std::string templ = kTemplate;
    c.make(project, templ);
    EXPECT_THAT(CodesOf(Check(project, templ)), ElementsAre(Pair(c.code, c.place))) << c.fault;
  }
}

TEST(PageCheck, PromoTextThatDisclosesIsEnoughWithoutADisclosureElement) {
  Project project = CleanProject();
  project.Articles.push_back("<p>As an Affiliate I earn a Commission.</p>");
  EXPECT_THAT(Check(project, Replaced(kTemplate, " class=\"disclosure\"", "")), IsEmpty());
}

TEST(PageCheck, EachPopUpIsJudgedOnItsOwnAmongSimilarOnes) {
  Project project = CleanProject();
  project.PopUps = {"<script>go(1)</script>", "<script>go(2)</script>", "<script>go(3)</scr",
                    "<script>go(4)</script>", "<div>note 5</div>",     "<div>note 6",
                    "<table><tr><td>7</td></tr>", "<ul><li>8</ul>",      "<b>9</b",
                    "<textarea>x</textarea>", "<textareb>x</textarea>"};
  EXPECT_THAT(CodesOf(Check(project, kTemplate)),
              ElementsAre(Pair("unclosed-markup", "PopUp 3"), Pair("unclosed-markup", "PopUp 6"),
                          Pair("unclosed-markup", "PopUp 7"), Pair("unclosed-markup", "PopUp 9"),
                          Pair("unclosed-markup", "PopUp 11")));
}

TEST(PageCheck, FollowingTheAdviceRemovesTheFinding) {
  const std::string scriptRows = Replaced(
      kTemplate, "%%PPCADS%%", "%%TABLE_SIGNATURE_INIT%%<script>show('%%SIGNATURE%%')</script>%%TABLE_SIGNATURE_END%%");
  struct Case {
    const char* code;
    std::string templ;
    std::function<void(Project&, const char*)> set;
    const char* fault;
    const char* advised;
  };
  const Case cases[] = {
      {"markup-in-text", kTemplate, [](Project& p, const char* t) { p.Anchors[1] = t; }, "Tom & <Jerry> hose",
       "Tom &amp; &lt;Jerry> hose"},
      {"markup-in-text", kTemplate, [](Project& p, const char* t) { p.Title = t; }, "5 <b>$</b> & up",
       "5 &lt;b>&#36;&lt;/b> &amp; up"},
      {"box-escape", scriptRows, [](Project& p, const char* t) { p.Signatures = {t}; }, "a</Script>b",
       "a<\\/Script>b"},
      {"missing-sponsored", kTemplate, [](Project& p, const char* t) { p.Articles[0] = t; },
       "<a href=\"%%AFFILIATELINK%%\">x</a>", "<a href=\"%%AFFILIATELINK%%\" rel=\"sponsored\">x</a>"},
      {"missing-alt", kTemplate, [](Project& p, const char* t) { p.Articles[0] = t; }, "<img src=\"a.png\">",
       "<img src=\"a.png\" alt=\"A\">"},
      {"no-disclosure", Replaced(kTemplate, " class=\"disclosure\"", ""),
       [](Project& p, const char* t) { p.Articles[0] = t; }, "<p>We may earn a fee.</p>",
       "<p>As an affiliate we earn a commission.</p>"},
  };
  for (const auto& c : cases) {
    Project project = CleanProject();
    c.set(project, c.fault);
    EXPECT_THAT(CodesOf(Check(project, c.templ)), ElementsAre(Pair(c.code, ::testing::_))) << c.fault;
    c.set(project, c.advised);
    EXPECT_THAT(Sorted(Check(project, c.templ)), IsEmpty()) << c.advised;
  }
}

TEST(PageCheck, BoxEscapeSaysWhatEndsTheBoxAndWhatToWrite) {
  Project project = CleanProject();
  project.Signatures = {"</script><b>steal</b>"};
  const auto findings = Check(project, Replaced(kTemplate, "%%PPCADS%%",
                                      "%%TABLE_SIGNATURE_INIT%%<script>s('%%SIGNATURE%%')</script>%%TABLE_SIGNATURE_END%%"));
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].code, "box-escape");
  EXPECT_EQ(findings[0].where, (FindingPlace{FindingPlace::What::Promo, PromoKind::Signatures, 0}));
  EXPECT_EQ(findings[0].message,
            "The text holds \"</script\", which ends the <script> the template shows it in, "
            "so what follows becomes live markup or script on the visitors' page. Write "
            "<\\/script instead, which reads the same there.");
}

TEST(PageCheck, TextThatWouldEndATextareaStaysInsideIt) {
  // The generator escapes what a <textarea> shows, so no box is escaped there.
  Project project = CleanProject();
  project.PopUps = {"</textarea><b id=leak>LEAK</b>", "x</TEXTAREA ><script>go()</script>"};
  EXPECT_THAT(CodesOf(Check(project, kTemplate)), IsEmpty());
}

TEST(PageCheck, NoDescriptionSaysWhereOneComesFrom) {
  const auto findings = CheckFinishedPage("<p class=disclosure>We may earn a fee.</p><meta name=description content=' '>");
  EXPECT_THAT(findings, ElementsAre(Finding{"no-description", {FindingPlace::What::Page},
                                            "The page has no description for search engines, which show it under the "
                                            "page's link: give the template a <meta name=\"description\" "
                                            "content=\"%%DESCRIPTION%%\">, which shows the project's page description."}));
  for (const char* meta : {"<META CONTENT=\"Words\" NAME=Description>", "<meta name='description' content='Words'/>"})
    EXPECT_THAT(CheckFinishedPage(std::string("<p class=disclosure>We may earn a fee.</p>") + meta), IsEmpty()) << meta;
}

TEST(PageCheck, SocialPostsOnTheShippedTemplatesAreCheckedWhereTheyStand) {
  const auto folder = std::filesystem::path(VELMORA_SOURCE_DIR) / "templates";
  Project project = LoadProjectFile(folder / "sample" / "sample.set").value();
  project.SocialPosts = {"Grow twice as much food$$on your balcony", "50% off & more"};
  project.URL = "http://me.greenthumb.hop.example.net/";
  const std::string templ = JoinLines(ReadLineFile(folder / "aurora.tem").value());
  EXPECT_THAT(CodesOf(Check(project, templ)), IsEmpty());
  project.SocialPosts.push_back("Done</TEXTAREA> here");
  EXPECT_THAT(CodesOf(Check(project, templ)), IsEmpty()) << "shown escaped in its box";
}

TEST(PageCheck, FinishedPageIsCheckedForWhatItShowsOnly) {
  Project project = CleanProject();
  project.URL = "not a url";
  project.Title = "<b>Bold";
  project.Banners[0] = "http://cdn.example/b.gif";
  const auto findings = CheckFinishedPage(FillTemplate(Replaced(kTemplate, "</nav>", "%%X%%</nav>"), project));
  EXPECT_THAT(CodesOf(findings), ElementsAre(Pair("picture-insecure", "Page"), Pair("placeholder-left", "Page")));
  EXPECT_THAT(CheckFinishedPage(FillTemplate(kTemplate, CleanProject())), IsEmpty());
}

TEST(PageCheck, ShippedTemplatesWithTheSampleFindOnlyTheMarkerInItsLink) {
  const auto folder = std::filesystem::path(VELMORA_SOURCE_DIR) / "templates";
  const Project sample = LoadProjectFile(folder / "sample" / "sample.set").value();
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".tem") continue;
    const std::string templ = JoinLines(ReadLineFile(entry.path()).value());
    const std::string page = FillTemplate(templ, sample);
    // The sample shows vendors' links as they come, "xxxx" and all.
    EXPECT_THAT(CodesOf(Check(sample, templ)), ElementsAre(Pair("placeholder-left", "Affiliate link"))) << entry.path();
    EXPECT_THAT(CodesOf(CheckFinishedPage(page)), IsEmpty()) << entry.path();
    ++checked;
  }
  EXPECT_GE(checked, 3);
}

TEST(PageCheck, AddressRules) {
  struct Row {
    const char* address;
    bool web, insecure, local;
  };
  const Row rows[] = {
      {"https://xxxx.vendor.example/", true, false, false},
      {" HTTP://user@host:8080/p?q#f ", true, true, false},
      {"http://xxxx", true, true, false},
      {"http:///path", false, true, false},
      {"http://host:port/", false, true, false},
      {"http://exa mple.com/", false, true, false},
      {"www.example.com", false, false, false},
      {"not a url", false, false, false},
      {"", false, false, false},
      {"file:///home/me/a.gif", false, false, true},
      {"C:\\Pics\\a.gif", false, false, true},
      {"c:/Pics/a.gif", false, false, true},
      {"~/a.gif", false, false, true},
      {"/banners/a.gif", false, false, false},
      {"banners/a.gif", false, false, false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(IsWebAddress(r.address), r.web) << r.address;
    EXPECT_EQ(IsInsecurePicture(r.address), r.insecure) << r.address;
    EXPECT_EQ(IsLocalFileAddress(r.address), r.local) << r.address;
  }
}

TEST(PageCheck, PagesBeyondTheParsersBoundsKeepEveryFinding) {
  // Deeper nesting and more attributes than the parser is given as they are.
  std::string page = "<meta name=description content=d><p class=disclosure>We earn a fee.</p>";
  for (int i = 0; i < 400; ++i) page += "<div><b class=c" + std::to_string(i) + ">";
  page += "<img src=\"http://x.example/a.gif\">";
  page += "<a";
  for (int i = 0; i < 200; ++i) page += " data-" + std::to_string(i) + "=v";
  page += " href=\"file:///home/me/offer.htm\">x</a>";
  EXPECT_THAT(CodesOf(CheckFinishedPage(page)),
              ElementsAre(Pair("picture-insecure", "Page"), Pair("missing-alt", "Page"), Pair("local-file", "Page")));
}

TEST(PageCheck, PageReadInSlicesFindsWhatOneReadingFinds) {
  std::string filler;
  for (int i = 0; i < 40; ++i) filler += "<span>row " + std::to_string(i) + "</span><i class=k>x</i>\n";
  const std::string pages[] = {
      // A disclosure whose words stand far apart in one block.
      "<!DOCTYPE html><body><main><div>We are an affiliate" + filler + "and earn a commission.</div>" + filler +
          "<a href=\"file:///x\">x</a></main>",
      // Its words in two blocks: no disclosure.
      "<body><div>affiliate</div>" + filler + "<div>commission</div><img src=\"http://p.example/a.gif\" alt=a>",
      // A later body tag adds the class that discloses; one it already has stays.
      "<body id=top><b class=q>" + filler + "<a href=\"~/offer.htm\">x</a></b>" + filler +
          "<body id=disclosure><img src=a.gif>",
      "<body>" + filler + "<body class=disclosure>",
      // A formatting element's end tag moves the block inside it.
      "<a href=\"file:///x\"><a><s class=c0>&amp;commission affiliate<ul class=c1><dt class=c0>" + filler + "</s>",
      // Elements that do not reopen alike, and formatting the parser reopens.
      "<body><table><tr><td>" + filler + "</table><p><b><i>" + filler + "</p>affiliate commission" + filler +
          "<svg><a href=\"c:/x\">" + filler + "</svg><form><div>" + filler + "</div></form>" + filler,
  };
  for (const std::string& page : pages) {
    const auto inOne = CheckFinishedPage(page, page.size() + 1);
    EXPECT_FALSE(inOne.empty() && page.find("file:") != std::string::npos);
    for (std::size_t slice : {1, 40, 300}) EXPECT_EQ(CheckFinishedPage(page, slice), inOne) << slice << ": " << page;
  }
  const auto noDescription = Pair("no-description", "Page");  // none of them has one
  EXPECT_THAT(CodesOf(CheckFinishedPage(pages[0], 40)), ElementsAre(Pair("local-file", "Page"), noDescription));
  EXPECT_THAT(CodesOf(CheckFinishedPage(pages[1], 40)),
              ElementsAre(Pair("picture-insecure", "Page"), Pair("no-disclosure", "Page"), noDescription));
  EXPECT_THAT(CodesOf(CheckFinishedPage(pages[3], 40)), ElementsAre(noDescription));
}

TEST(PageCheck, ItemOfALargePageIsFoundWhereItStands) {
  // Past the first slice of the page, read whole.
  Project project = CleanProject();
  project.Anchors.assign(6000, "Grow more food");
  project.Anchors[5000] = "<a href=\"file:///home/me/x.htm\">Grow</a>";
  const std::string page = FillTemplate(kTemplate, project);
  ASSERT_GT(page.size(), 512u * 1024);
  EXPECT_THAT(CodesOf(CheckProjectPage(project, kTemplate, page, true)),
              ElementsAre(Pair("markup-in-text", "Text Link 5001"), Pair("local-file", "Text Link 5001")));
}

TEST(PageCheck, ItemEndingInAnOpenTagIsReadWithWhatItTakesIn) {
  // The row's "</a>" becomes the picture's address.
  Project project = CleanProject();
  project.Anchors[1] = "Tom &amp; Jerry <img src=";
  EXPECT_THAT(CodesOf(Check(project, kTemplate)),
              ::testing::Contains(Pair("missing-alt", "Text Link 2")));
}

TEST(PageCheck, RowAttributesTakenFromItemsAreReadWithEachItem) {
  const std::string anchorRow = "<li><a href=\"%%AFFILIATELINK%%\" rel=\"nofollow sponsored\">%%ANCHORTEXT%%</a></li>";
  struct Case {
    const char* what;
    std::string row;
    PromoList anchors;
    Codes codes;
  };
  const Case cases[] = {
      {"alt from an empty item", "<li><img src=\"https://x.example/a.png\" alt=\"%%ANCHORTEXT%%\"></li>", {"Buy", " "},
       {{"missing-alt", "Template"}}},
      {"rel from items that all ask for sponsored",
       "<li><a href=\"%%AFFILIATELINK%%\" rel=\"%%ANCHORTEXT%%\">x</a></li>",
       {"sponsored", "nofollow sponsored"}, {}},
  };
  for (const auto& c : cases) {
    Project project = CleanProject();
    project.Anchors = c.anchors;
    EXPECT_EQ(CodesOf(Check(project, Replaced(kTemplate, anchorRow, c.row))), c.codes) << c.what;
  }
}

TEST(PageCheck, BannersWithoutTheirOwnAlternativeTextAreNamedWhereTheTemplateShowsIt) {
  const std::string templ = Replaced(kTemplate, "alt=\"Banner\"", "alt=\"%%BANNER_ALT%%\"");
  Project project = CleanProject();
  SetBannerAlt(project, project.Banners[0], "Spring sale");
  const auto missingAlt = [&](bool wholePage) {
    Codes codes;
    for (const auto& code : CodesOf(CheckProjectPage(project, templ, FillTemplate(templ, project), wholePage)))
      if (code.first == "missing-alt") codes.push_back(code);
    return codes;
  };
  for (bool wholePage : {false, true}) {
    EXPECT_EQ(missingAlt(wholePage), (Codes{{"missing-alt", "Banner 2"}})) << wholePage;
  }
  SetBannerAlt(project, project.Banners[1], "Local offer");
  EXPECT_TRUE(missingAlt(false).empty());
  EXPECT_TRUE(missingAlt(true).empty());
}

TEST(PageCheck, TemplateElementHidesItsText) {
  // Its contents are never shown: they neither disclose, nor may an item leave one open.
  const std::string page = "<meta name=description content=d><template><p>We earn an affiliate commission.</p></template>";
  EXPECT_THAT(CodesOf(CheckFinishedPage(page)), ElementsAre(Pair("no-disclosure", "Page")));
  Project project = CleanProject();
  project.Articles.push_back("<template>Hidden");
  EXPECT_THAT(CodesOf(Check(project, kTemplate)), ElementsAre(Pair("unclosed-markup", "Article 2")));
}

TEST(PageCheck, PageWithoutPlacesThatReopenAlikeIsCutAnywayAndReadAlike) {
  // Slices cut inside these are reopened by the start tags of what is open.
  const auto rows = [](const std::string& row) {
    std::string made;
    for (int i = 0; i < 60; ++i) made += ReplaceAll(row, "N", std::to_string(i));
    return made;
  };
  const std::string cell = "<a href=\"file:///N\">x</a><img alt=a src=\"http://p.example/N.gif\">";
  const std::string pages[] = {
      "<table>" + rows("<tr><td>" + cell + "</td></tr>\n") + "</table><p class=disclosure>x</p>",
      // The disclosures at the ends are not read: the parser drops or hides them.
      "<form><div>" + rows("<p>" + cell + "</p>") + "<form class=disclosure></form></div></form>",
      "<b><div>" + rows("<p>" + cell + "</p>") + "</div></b>",
      "<pre>\n" + rows("<i>" + cell + "</i>\n") + "</pre>",
      "<select>" + rows("<option>N</option>") + "<p class=disclosure>x</p></select><img src=a.gif>",
      "<template>" + rows("<p>" + cell + "</p>") + "affiliate commission</template>",
  };
  for (const std::string& page : pages) {
    const auto inOne = CheckFinishedPage(page, page.size() + 1);
    EXPECT_FALSE(inOne.empty());
    EXPECT_EQ(CheckFinishedPage(page, 64, 256), inOne) << page;
  }
}

TEST(PageCheck, FindingsPastAThousandOfACodeAreCounted) {
  std::string page = "<meta name=description content=d><p class=disclosure>x</p>";
  for (int i = 0; i < 1003; ++i) page += "<img alt=a src=\"http://p.example/" + std::to_string(i) + ".gif\">";
  const auto findings = CheckFinishedPage(page);
  ASSERT_EQ(findings.size(), 1001u);
  EXPECT_EQ(findings[999].message.find("\"http://p.example/999.gif\""), 12u);
  EXPECT_EQ(findings.back(), (Finding{"picture-insecure", {}, "3 more findings of this kind are not listed."}));
}

TEST(PageCheck, FirstRowTakenInByTheTemplateIsReadInTheWholePage) {
  // The "</" before the block makes a comment of the first row's picture only.
  Project project = CleanProject();
  project.Banners = {"https://cdn.example/1.gif", "https://cdn.example/2.gif", "https://cdn.example/3.gif"};
  const std::string templ = "<meta name=description content=d><p class=disclosure>We may earn a fee.</p>"
                            "</%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\">"
                            "%%TABLE_BANNER_END%%";
  EXPECT_THAT(CodesOf(Check(project, templ)), ElementsAre(Pair("missing-alt", "Template")));
}

TEST(PageCheck, MarkerLeftInTheAffiliateLinkIsFound) {
  for (const char* link : {"http://xxxx.vendor.hop.example.net/", "http://www.paydotcom.example/r/12345/XXXX"}) {
    Project project = CleanProject();
    project.URL = link;
    const auto findings = Check(project, kTemplate);
    ASSERT_EQ(findings.size(), 1u) << link;
    EXPECT_EQ(findings[0].code, "placeholder-left");
    EXPECT_EQ(findings[0].Place(), "Affiliate link");
    EXPECT_EQ(findings[0].message,
              "The affiliate link still holds \"xxxx\" where an affiliate ID belongs, so the page's links earn you "
              "nothing. Put your ID in its place, or mark this as intended if the page asks its readers to put in "
              "theirs.");
  }
}

TEST(PageCheck, FindingsNameTheirItemsAsTheirListsDo) {
  Project project = CleanProject();
  project.Banners[1] = "http://cdn.example/ads/summer%20sale.gif";
  project.PPC[0] = "^Save 50%^Easy & <cheap>^x^";
  const auto findings = Check(project, kTemplate);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0].Place(), "PPC Ad \"Save 50%\"");
  EXPECT_EQ(findings[1].Place(), "Banner \"summer sale.gif\"");
}

TEST(PageCheck, MarkAsIntendedHoldsThroughEditsElsewhereButNotOfItsItem) {
  Project project = CleanProject();
  project.Banners = {"http://cdn.example/a.gif", "https://cdn.example/b.gif", "http://cdn.example/c.gif"};
  project.Articles = {"<img src=\"1.png\"> and <img src=\"2.png\">"};
  const auto on = [](const std::vector<Finding>& findings, const std::string& item) {
    std::vector<Finding> found;
    for (const Finding& f : findings)
      if (f.item.rfind(item, 0) == 0) found.push_back(f);
    return found;
  };
  auto findings = Check(project, kTemplate);
  ASSERT_EQ(findings.size(), 4u);
  const auto article = on(findings, "<img");
  ASSERT_EQ(article.size(), 2u);
  EXPECT_EQ(article[0].key.rfind("missing-alt/AfArticles/", 0), 0u) << article[0].key;
  EXPECT_NE(article[0].key, article[1].key) << "two of one code in one item stay apart";
  ASSERT_EQ(on(findings, "c.gif").size(), 1u);
  const std::string key = on(findings, "c.gif")[0].key;
  SetIntended(project, key, true);
  SetIntended(project, key, true);
  EXPECT_EQ(project.IntendedFindings, std::vector<std::string>{key});

  // Moved, and the page changed around it: the same finding, still intended.
  std::swap(project.Banners[0], project.Banners[2]);
  project.Title = "Autumn Deals";
  project.Anchors.push_back("More");
  findings = Check(project, kTemplate);
  ASSERT_EQ(on(findings, "c.gif").size(), 1u);
  EXPECT_EQ(on(findings, "c.gif")[0].where.index, 0u);
  EXPECT_TRUE(on(findings, "c.gif")[0].intended);
  EXPECT_EQ(CountToLookAt(findings), 3u);

  // The banner itself edited: a new finding, to be looked at.
  project.Banners[0] = "http://cdn.example/c2.gif";
  EXPECT_EQ(CountToLookAt(Check(project, kTemplate)), 4u);
  project.Banners[0] = "http://cdn.example/c.gif";
  SetIntended(project, key, false);
  EXPECT_TRUE(project.IntendedFindings.empty());
  EXPECT_EQ(CountToLookAt(Check(project, kTemplate)), 4u);
}

TEST(PageCheck, FindingLeadsToItsItemWhereverItMoved) {
  Finding finding{"missing-alt", {FindingPlace::What::Promo, PromoKind::Banners, 1}, "m"};
  finding.item = "b.gif";
  const std::vector<PromoEntry> asChecked = {{"a.gif", "x/a.gif"}, {"b.gif", "x/b.gif"}};
  const std::vector<PromoEntry> moved = {{"b.gif", "x/b.gif"}, {"a.gif", "x/a.gif"}};
  EXPECT_EQ(FindingRow(finding, asChecked), 1u);
  EXPECT_EQ(FindingRow(finding, moved), 0u);
  EXPECT_EQ(FindingRow(finding, {{"c.gif", "x/c.gif"}}), 1u) << "gone: its place, as last seen";
}
