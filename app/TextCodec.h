#pragma once
// Files and servers hand us bytes in no declared encoding. Bytes that are
// valid UTF-8 are taken as UTF-8; anything else as Windows-1252, the code
// page the older files were written in.

#include <string>
#include <string_view>

namespace velmora {

bool IsValidUtf8(std::string_view bytes);
// Text as the program shows it, encoded as UTF-8.
std::string ToDisplayUtf8(std::string_view bytes);
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace velmora
