#include "app/Utils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/mock/FakePorts.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ExtractTagged, FieldsAreReadInFileOrderFromOneShrinkingText) {
  std::string work = "<%%A%%>1<%%/A%%><%%B%%>2<%%/B%%>";
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "1");
  EXPECT_EQ(ExtractTagged("<%%B%%>", "<%%/B%%>", work), "2");

  work = "<%%A%%>1<%%/A%%><%%B%%>2<%%/B%%>";
  EXPECT_EQ(ExtractTagged("<%%B%%>", "<%%/B%%>", work), "2");
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "") << "A stood before B";
}

TEST(ExtractTagged, AsciiLettersMatchInEitherCaseOtherBytesExactly) {
  std::string work = "<%%a%%>x<%%/A%%>";
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "x");
  work = "<%%\xE9%%>x<%%/\xE9%%>";
  EXPECT_EQ(ExtractTagged("<%%\xC9%%>", "<%%/\xC9%%>", work), "") << "non-ASCII letters are not folded";
}

TEST(ExtractTagged, OpenTagWithoutCloseTagGivesEmptyAndMovesPastTheOpenTag) {
  std::string work = "<%%B%%>2<%%/B%%><%%A%%>orphan<%%B%%>3<%%/B%%>";
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "");
  EXPECT_EQ(work, "orphan<%%B%%>3<%%/B%%>");
  EXPECT_EQ(ExtractTagged("<%%B%%>", "<%%/B%%>", work), "3");
}

TEST(ExtractTagged, MissingFieldLeavesWorkingTextAlone) {
  std::string work = "<%%A%%>1<%%/A%%>";
  EXPECT_EQ(ExtractTagged("<%%Z%%>", "<%%/Z%%>", work), "");
  EXPECT_EQ(work, "<%%A%%>1<%%/A%%>");
}

TEST(ExtractTagged, ValuesKeepLineBreaksAndBlanksAndNamesMatchWhole) {
  std::string work = "<%%Welcome10%%>ten<%%/Welcome10%%><%%Welcome1%%> a\r\n b \r\n<%%/Welcome1%%>";
  EXPECT_EQ(ExtractTagged("<%%Welcome1%%>", "<%%/Welcome1%%>", work), " a\r\n b \r\n");
}

TEST(ExtractTagged, SameFieldTwiceYieldsFirstThenSecondOccurrence) {
  std::string work = "<%%A%%>1<%%/A%%><%%A%%>2<%%/A%%>";
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "1");
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "2");
  EXPECT_EQ(ExtractTagged("<%%A%%>", "<%%/A%%>", work), "");
}

TEST(ReplaceTagLine, ReplacesFirstExactMatchOrAppends) {
  Lines lines = {"<%%A%%>1<%%/A%%>", "junk <%%LastNewsId%%>3<%%/LastNewsId%%> junk",
                 "<%%LastNewsId%%>4<%%/LastNewsId%%>"};
  ReplaceTagLine(lines, "LastNewsId", "9");
  EXPECT_THAT(lines, ElementsAre("<%%A%%>1<%%/A%%>", "<%%LastNewsId%%>9<%%/LastNewsId%%>",
                                 "<%%LastNewsId%%>4<%%/LastNewsId%%>"));

  Lines lower = {"<%%lastnewsid%%>7<%%/lastnewsid%%>"};
  ReplaceTagLine(lower, "LastNewsId", "8");
  EXPECT_THAT(lower, ElementsAre("<%%lastnewsid%%>7<%%/lastnewsid%%>", "<%%LastNewsId%%>8<%%/LastNewsId%%>"));

  Lines none;
  ReplaceTagLine(none, "X", "");
  EXPECT_THAT(none, ElementsAre("<%%X%%><%%/X%%>"));
}

TEST(FlattenLines, DropsOneFinalLineBreakAndReplacesTheRest) {
  EXPECT_EQ(FlattenLines("a\r\nb\r\n", "$$"), "a$$b");
  EXPECT_EQ(FlattenLines("a\r\nb\r\n", "^^"), "a^^b");
  EXPECT_EQ(FlattenLines("a\r\n", "$$"), "a");
  EXPECT_EQ(FlattenLines("a\r\n\r\n", "$$"), "a$$");
  EXPECT_EQ(FlattenLines("", "$$"), "");
  EXPECT_EQ(FlattenLines("a\rb\nc", "$$"), "a\rb\nc") << "lone CR and LF stay";
}

TEST(SplitFields, KeepsInnerEmptyFieldsAndDropsTrailingEmptyOne) {
  EXPECT_THAT(SplitFields('^', "a^b"), ElementsAre("a", "b"));
  EXPECT_THAT(SplitFields('^', "a^^b"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitFields('^', "^b"), ElementsAre("", "b"));
  EXPECT_THAT(SplitFields('^', "a^"), ElementsAre("a"));
  EXPECT_THAT(SplitFields('^', "pic.gif^"), ElementsAre("pic.gif"));
  EXPECT_THAT(SplitFields('^', "^T^^^"), ElementsAre("", "T", "", ""));
  EXPECT_THAT(SplitFields('^', ""), IsEmpty());

  std::vector<std::string> reused = {"old"};
  SplitFields('\xAF', "1\xAF" "2", reused);
  EXPECT_THAT(reused, ElementsAre("1", "2"));
  EXPECT_EQ(FieldOrEmpty(reused, 5), "");
}

TEST(DecodeHexEscapes, DecodesEscapesAndRejectsMalformedOnes) {
  EXPECT_EQ(DecodeHexEscapes("A$42C"), "ABC");
  EXPECT_EQ(DecodeHexEscapes("50$25"), "50%");
  EXPECT_EQ(DecodeHexEscapes("$0d$0a"), "\r\n");
  EXPECT_EQ(DecodeHexEscapes("$fF"), "\xFF");
  EXPECT_EQ(DecodeHexEscapes("$00x"), std::string("\0x", 2));
  EXPECT_EQ(DecodeHexEscapes("5$ZZ"), "");
  EXPECT_EQ(DecodeHexEscapes("end$4"), "") << "escape cut short by the end";
  EXPECT_EQ(DecodeHexEscapes("end$"), "");
}

TEST(ReplaceAll, ScansLeftToRightWithoutRescanningInsertedText) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("$$$", "$$", "\r\n"), "\r\n$");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  std::string text = "%%X%% and %%X%%";
  ReplaceAllInPlace(text, "%%X%%", "");
  EXPECT_EQ(text, " and ");
}

TEST(ReplaceAll, InPlaceGivesWhatTheCopyingFormGives) {
  // Growing moves stretches backwards, shrinking forwards; overlapping
  // needles, matches at both ends and a replacement taken from the text
  // itself must all come out as the copying form makes them.
  const struct {
    std::string text, from, to;
  } cases[] = {
      {"%%L%%a%%L%%", "%%L%%", "http://long.example/"}, {"%%L%%a%%L%%", "%%L%%", "x"},
      {"%%L%%a%%L%%", "%%L%%", "12345"},                {"%%L%%%%L%%%%", "%%L%%", "<>"},
      {"aaaa", "aa", "b"},                                {"ab", "zz", "q"},
      {"ab", "ab", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    ReplaceAllInPlace(text, c.from, c.to);
    EXPECT_EQ(text, ReplaceAll(c.text, c.from, c.to)) << c.text << " / " << c.from << " / " << c.to;
  }
  std::string tail = "%%L%%|%%L%%|x";
  EXPECT_EQ(ReplaceAllInPlace(tail, "%%L%%", "long-url", 1), 14u);
  EXPECT_EQ(tail, "%%L%%|long-url|x");
  std::string shrunk = "a%%L%%b%%L%%c";
  EXPECT_EQ(ReplaceAllInPlace(shrunk, "%%L%%", "Z"), 4u);
  EXPECT_EQ(shrunk, "aZbZc");
  std::string none = "abc";
  EXPECT_EQ(ReplaceAllInPlace(none, "x", "y", 2), 2u);
  std::string own = "xAyA";
  ReplaceAllInPlace(own, "A", std::string_view(own).substr(0, 2));
  EXPECT_EQ(own, "xxAyxA");
}

TEST(TextHelpers, TrimCaseAndIntegers) {
  EXPECT_EQ(TrimControl(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimControl("   "), "");
  EXPECT_EQ(ToUpperAscii("abc\xE9"), "ABC\xE9");
  EXPECT_TRUE(EqualsIgnoreCaseAscii("Blue", "bLUE"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii("Blue", "Blues"));
  EXPECT_EQ(ToInt32OrZero("13"), 13);
  EXPECT_EQ(ToInt32OrZero("-5"), -5);
  EXPECT_EQ(ToInt32OrZero(""), 0);
  EXPECT_EQ(ToInt32OrZero("12a"), 0);
  EXPECT_EQ(ToInt32OrZero("2147483648"), 0) << "out of 32-bit range";
  EXPECT_EQ(ToInt32OrZero("-2147483648"), INT32_MIN);
}

TEST(LineFiles, AnyLineEndIsReadAndNulEndsTheText) {
  EXPECT_THAT(SplitLines("a\r\nb\rc\nd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(SplitLines("a\r\n\r\n"), ElementsAre("a", ""));
  EXPECT_THAT(SplitLines("\n"), ElementsAre(""));
  EXPECT_THAT(SplitLines(std::string("ab\0cd\r\nef", 9)), ElementsAre("ab"));
  EXPECT_THAT(SplitLines(""), IsEmpty());
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLines(SplitLines("x\ny")), "x\r\ny\r\n");
}

TEST(OpenInBrowser, UsesTheDesktopDefaultWhereThereIsNoRegistry) {
  test::FakeShell shell;
  OpenInBrowser(shell, "http://example.test/a");
  EXPECT_THAT(shell.openedUrls, ElementsAre("http://example.test/a"));
  EXPECT_THAT(shell.started, IsEmpty());
}

TEST(OpenInBrowser, RegisteredCommandIsCutAfterExeLowerCasedAndUnquoted) {
  test::FakeShell shell;
  shell.registeredCommand = "\"C:\\Program Files\\Fox\\FOX.EXE\" -osint -url \"%1\"";
  OpenInBrowser(shell, "http://x.test/");
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, "c:\\program files\\fox\\fox.exe");
  EXPECT_EQ(shell.started[0].second, "http://x.test/");
  EXPECT_THAT(shell.openedUrls, IsEmpty());
}

TEST(OpenInBrowser, EmptyRegisteredCommandDoesNothing) {
  test::FakeShell shell;
  shell.registeredCommand = "";
  OpenInBrowser(shell, "http://x.test/");
  EXPECT_THAT(shell.started, IsEmpty());
  EXPECT_THAT(shell.openedUrls, IsEmpty());
}
