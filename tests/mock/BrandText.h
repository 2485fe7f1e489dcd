#pragma once
// A brand-settings text as a publisher writes it: one tag line per field, in order.

#include <string>
#include <utility>
#include <vector>

#include "app/Utils.h"

namespace velmora::test {

using Field = std::pair<std::string, std::string>;

inline std::string BrandText(const std::vector<Field>& fields) {
  Lines lines;
  for (const auto& [name, value] : fields) lines.push_back(TagLine(name, value));
  return JoinLines(lines);
}

}  // namespace velmora::test
