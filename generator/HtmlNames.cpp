#include "generator/HtmlNames.h"

#include <unordered_set>

namespace velmora {

bool IsVoidElementName(std::string_view name) {
  static const std::unordered_set<std::string_view> names = {
      "area", "base", "basefont", "bgsound", "br",    "col",   "embed", "frame", "hr",   "image",
      "img",  "input", "keygen",  "link",    "meta", "param", "source", "track", "wbr"};
  return names.count(name) > 0;
}

bool IsRawTextElementName(std::string_view name) {
  static const std::unordered_set<std::string_view> names = {"script",  "style",   "textarea", "title",   "xmp",
                                                             "iframe",  "noembed", "noframes", "noscript"};
  return names.count(name) > 0;
}

}  // namespace velmora
