#include "project/SocialPost.h"

#include "app/Utils.h"
#include "project/PromoKinds.h"

namespace velmora {

namespace {

// The code point at `at` and its length in bytes; a stray byte counts as one.
char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (at + length > text.size()) length = 1;
  if (length == 1) return lead;
  char32_t point = lead & (0x3F >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) point = (point << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  return point;
}

// X weighs most scripts of Europe and the Middle East as 1, others as 2.
std::size_t XWeight(char32_t point) {
  const bool light = point <= 0x10FF || (point >= 0x2000 && point <= 0x200D) ||
                     (point >= 0x2010 && point <= 0x201F) || (point >= 0x2032 && point <= 0x2037);
  return light ? 1 : 2;
}

bool StartsAddress(std::string_view text, std::size_t at) {
  const std::string_view rest = text.substr(at);
  return FindIgnoreCaseAscii(rest.substr(0, 8), "http://") == 0 || FindIgnoreCaseAscii(rest.substr(0, 8), "https://") == 0;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string PostWithLink(std::string_view post, std::string_view link) {
  if (post.find(kAffiliateLink) != std::string_view::npos) return ReplaceAll(post, kAffiliateLink, link);
  std::string text(post);
  if (!link.empty()) {
    if (!text.empty()) text += ' ';
    text += link;
  }
  return text;
}

PostLength MeasurePost(std::string_view post, std::string_view link) {
  const std::string text = PostWithLink(post, link);
  PostLength length;
  for (std::size_t at = 0; at < text.size();) {
    const bool wordStart = at == 0 || IsSpace(text[at - 1]);
    if (wordStart && StartsAddress(text, at)) {
      std::size_t end = at;
      while (end < text.size() && !IsSpace(text[end])) {
        std::size_t bytes = 0;
        CodePointAt(text, end, bytes);
        end += bytes;
        ++length.characters;
      }
      length.onX += kXLinkLength;
      at = end;
      continue;
    }
    std::size_t bytes = 0;
    const char32_t point = CodePointAt(text, at, bytes);
    ++length.characters;
    length.onX += XWeight(point);
    at += bytes;
  }
  return length;
}

}  // namespace velmora
