#include "generator/PageText.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(BlockRows, RowsHeadAndTailReadAsTheWrittenRows) {
  const PromoList items = {"a$", "$b", "", "c$$d"};
  const BlockRows rows("<%%X%%|%%X%%>", "%%X%%", items, true);
  // "$$" turns into CR LF inside a row only, never across two rows.
  const std::string text = "<a$|a$><$b|$b><|><c\r\nd|c\r\nd>";
  EXPECT_EQ(rows.Text(), text);
  EXPECT_EQ(rows.Size(), text.size());
  EXPECT_EQ(rows.Count(), 4u);
  for (std::size_t bytes : {0u, 1u, 7u, 8u, 15u, 100u}) {
    EXPECT_EQ(rows.Head(bytes), text.substr(0, bytes)) << bytes;
    EXPECT_EQ(rows.Tail(bytes), text.substr(text.size() - std::min(bytes, text.size()))) << bytes;
  }
  const BlockRows plain("[$$]", "%%X%%", items, false);
  EXPECT_EQ(plain.Text(), "[$$][$$][$$][$$]") << "a block without its placeholder repeats as it is";
}

TEST(BlockRows, ScanTellsWhichLaterTextsCannotBeInTheRows) {
  const PromoList items(500, "plain item with 100% juice and %%LINK%%");
  const std::vector<std::string_view> later = {"%%CLOSE%%", "juice and %%LINK"};
  BlockRows rows("<li>%%X%%</li>", "%%X%%", items, false);
  EXPECT_FALSE(rows.Scan(later, "%%LINK%%")) << "the second text is in every row";

  BlockRows clean("<li>%%X%%</li>", "%%X%%", items, false);
  const std::vector<std::string_view> others = {"%%CLOSE%%", "%%LINK%%</ul>"};
  ASSERT_TRUE(clean.Scan(others, "%%LINK%%"));
  EXPECT_TRUE(clean.KnownAbsent("%%CLOSE%%"));
  EXPECT_FALSE(clean.KnownAbsent("%%OTHER%%")) << "only what was looked for is known";
  EXPECT_GE(clean.LastMatches(), 500u);

  BlockRows noPercent("<li>%%X%%</li>", "%%X%%", items, false);
  const std::vector<std::string_view> withoutPercent = {"juice"};
  EXPECT_FALSE(noPercent.Scan(withoutPercent, "%%LINK%%")) << "a text without '%' cannot be looked for this way";
}

TEST(PageText, ReplacementsMeetAcrossRowsAndTextAsInOneLongText) {
  const PromoList items(300, std::string(20, 'y'));
  auto rows = std::make_shared<BlockRows>("%%X%%", "%%X%%", items, false);
  const std::vector<std::string_view> later = {"y%%GO"};
  PageText page("head %%ROWS%%%%GO%% tail %%GO%%", "%%GO%%");
  page.Replace("%%ROWS%%", rows, later);
  // The rows end in "y" and the text after them begins "%%GO", so the later
  // search finds a match that only exists across the two pieces.
  page.Replace("y%%GO", "!");
  EXPECT_EQ(page.Finish("go").value(), "head " + std::string(300 * 20 - 1, 'y') + "!%% tail go");
}

TEST(TextAreaContents, FoundAsTheBrowserEndsThem) {
  using Spans = std::vector<std::pair<std::size_t, std::size_t>>;
  const struct {
    std::string text;
    bool startsInside;
    Spans contents;
  } cases[] = {
      {"<p>a</p>", false, {}},
      {"<textarea>ab</textarea>", false, {{10, 12}}},
      {"<TextArea title='>'>a</TEXTAREA\t>", false, {{20, 21}}},
      {"<textareas>a</textareas>", false, {}},
      {"<textarea>a</textareas>b</textarea>", false, {{10, 24}}},
      {"a</textarea>b<textarea>c", true, {{0, 1}, {23, 24}}},
      {"<textarea rows=2", false, {{16, 16}}},
  };
  for (const auto& c : cases) EXPECT_EQ(TextAreaContents(c.text, c.startsInside), c.contents) << c.text;
}
