#include "project/SocialPost.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(SocialPost, TheLinkFollowsThePostUnlessThePostPlacesIt) {
  EXPECT_EQ(PostWithLink("Grow more food", "https://x.example/a"), "Grow more food https://x.example/a");
  EXPECT_EQ(PostWithLink("Try %%AFFILIATELINK%% now", "https://x.example/a"), "Try https://x.example/a now");
  EXPECT_EQ(PostWithLink("Grow more food", ""), "Grow more food");
}

TEST(SocialPost, XCountsEveryAddressAs23AndWideCharactersAsTwo) {
  const std::string longLink = "https://vendor.example/" + std::string(100, 'a');
  struct Case {
    std::string post;
    std::size_t characters;
    std::size_t onX;
  } cases[] = {
      {"Hello", 5 + 1 + longLink.size(), 5 + 1 + 23},
      {"See http://a.example and", 24 + 1 + longLink.size(), 4 + 23 + 4 + 1 + 23},
      {"\xE7\x94\xB0\xE5\x9C\x92", 2 + 1 + longLink.size(), 4 + 1 + 23},  // two CJK characters
      {"caf\xC3\xA9", 4 + 1 + longLink.size(), 4 + 1 + 23},
  };
  for (const Case& c : cases) {
    const PostLength length = MeasurePost(c.post, longLink);
    EXPECT_EQ(length.characters, c.characters) << c.post;
    EXPECT_EQ(length.onX, c.onX) << c.post;
  }
}
