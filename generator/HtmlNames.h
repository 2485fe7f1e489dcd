#pragma once
// What HTML says of some elements by their names, for the code that reads
// markup without a full parse. Names in lower case.

#include <string_view>

namespace velmora {

// Elements with no content and no end tag.
bool IsVoidElementName(std::string_view name);
// Elements whose content runs to their own end tag as text, markup or not.
bool IsRawTextElementName(std::string_view name);

}  // namespace velmora
