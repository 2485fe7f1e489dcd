#include "project/ItemText.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {

const std::string J = "\xE2\x81\xA0";  // a word joiner

struct KeptCase {
  PromoKind kind;
  std::string typed;
  std::string kept;  // in the project
  std::string file;  // in a file with escapes
};

}  // namespace

TEST(ItemText, ReservedCharactersAreKeptSoThatTheItemReadsBackAsTyped) {
  const KeptCase cases[] = {
      // Anchors and banners as typed; the file makes "$" before "$" or at the end, and "<%%", references.
      {PromoKind::Anchors, "Save $$$ now", "Save $$$ now", "Save &#36;&#36;$ now"},
      {PromoKind::Banners, "http://h/a$", "http://h/a$", "http://h/a&#36;"},
      {PromoKind::Anchors, "<%%/AfAnchors%%>", "<%%/AfAnchors%%>", "&#60;%%/AfAnchors%%>"},
      // A reference typed gains a zero, so it tells itself from one made here.
      {PromoKind::Anchors, "&#36; &#094; &#60 &#x24;", "&#36; &#094; &#60 &#x24;", "&#036; &#0094; &#60 &#x24;"},
      {PromoKind::Anchors, "^", "^", "^"},
      // PPC fields: every caret, and "$" where a break could take it, become references.
      {PromoKind::PPC, "^", "^&#94;^^^", "^&#94;^^^"},
      {PromoKind::PPC, "5$", "^5&#36;^^^", "^5&#36;^^^"},
      {PromoKind::PPC, "&#94;", "^&#094;^^^", "^&#094;^^^"},
      // Texts: a word joiner after "$" or "^" doubled or ending a line, and after "<" of "<%%".
      {PromoKind::Email, "Save $$$\r\nTotal 5$\r\n$ off", "Save $" + J + "$" + J + "$" + J + "$$Total 5$" + J + "$$$ off", ""},
      {PromoKind::Signatures, "a^^b^", "a^" + J + "^b^" + J, ""},
      {PromoKind::Articles, "<%%AfTitle%%> &#36;", "<" + J + "%%AfTitle%%> &#36;", ""},
      {PromoKind::SocialPosts, "$" + J + "x", "$" + J + J + "x", ""},
      {PromoKind::PopUps, "", "", ""},
  };
  for (const KeptCase& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::string kept = KeptText(c.kind, c.typed);
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(TypedText(c.kind, kept), c.kind == PromoKind::PPC ? c.typed + "\r\n\r\n" : c.typed);
    const std::string file = c.file.empty() ? c.kept : c.file;
    EXPECT_EQ(EscapedInFile(c.kind, kept), file);
    EXPECT_EQ(FromEscapedFile(c.kind, file), kept);
  }
}

TEST(ItemText, EscapesAreWrittenOnlyWhereAPlainFileWouldNotReadBack) {
  EXPECT_TRUE(NeedsEscapes(PromoKind::Anchors, "a$$b"));
  EXPECT_TRUE(NeedsEscapes(PromoKind::Banners, "ends in $"));
  EXPECT_FALSE(NeedsEscapes(PromoKind::Anchors, "$5 &#36;"));
  EXPECT_TRUE(NeedsEscapes(PromoKind::PPC, KeptText(PromoKind::PPC, "^")));
  EXPECT_FALSE(NeedsEscapes(PromoKind::PPC, KeptText(PromoKind::PPC, "&#36;")));
  EXPECT_TRUE(NeedsEscapes(PromoKind::Email, KeptText(PromoKind::Email, "$$")));
  EXPECT_FALSE(NeedsEscapes(PromoKind::Email, KeptText(PromoKind::Email, "$" + J + " and a\r\nline")));
  // Without escapes the file holds what an older copy would have written, and reads back the same.
  for (const auto& [kind, typed] : {std::pair{PromoKind::PPC, std::string("&#36; &#0094;")},
                                    std::pair{PromoKind::Email, "$" + J + J + "\r\n^" + J}}) {
    const std::string kept = KeptText(kind, typed);
    const std::string plain = PlainInFile(kind, kept);
    EXPECT_EQ(plain, kind == PromoKind::PPC ? "^" + typed + "^^^" : "$" + J + J + "$$^" + J);
    EXPECT_EQ(FromPlainFile(kind, plain), kept);
  }
}

TEST(ItemText, PpcAdsReadFieldByFieldWithMissingFieldsEmpty) {
  const PpcAdText ad = TypedPpcAd(KeptPpcAd({"T^1", "b$\r\n$$\r\n", "l"}));
  EXPECT_EQ(ad.title, "T^1");
  EXPECT_EQ(ad.body, "b$\r\n$$");
  EXPECT_EQ(ad.link, "l");
  EXPECT_EQ(TypedPpcAd("^only").body, "");
}
