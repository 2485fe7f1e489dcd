#pragma once
// Social posts: short texts a visitor copies into X, LinkedIn, Facebook and
// the like, each carrying the affiliate link.

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// X refuses longer posts; the other networks allow far more.
inline constexpr std::size_t kXPostLimit = 280;
// X counts every web address as this many characters, however long.
inline constexpr std::size_t kXLinkLength = 23;

// The text that is posted: the post with the affiliate link where it names
// "%%AFFILIATELINK%%", else after it, following a space.
std::string PostWithLink(std::string_view post, std::string_view link);

struct PostLength {
  std::size_t characters = 0;  // every character, as most networks count
  std::size_t onX = 0;         // web addresses as 23, wide characters (CJK, emoji) as 2
};
// The length of PostWithLink(post, link).
PostLength MeasurePost(std::string_view post, std::string_view link);

}  // namespace velmora
