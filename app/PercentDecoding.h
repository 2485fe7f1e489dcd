#pragma once
// "%20"-style escapes of addresses, read back.

#include <string>
#include <string_view>

namespace velmora {

// The value of a hexadecimal digit, or -1.
int HexDigitValue(char c);

// `text` with each "%" and two hexadecimal digits replaced by that byte; a
// "%" not followed by two such digits is kept as it is.
std::string PercentDecoded(std::string_view text);

}  // namespace velmora
