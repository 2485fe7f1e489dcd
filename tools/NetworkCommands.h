#pragma once
// The commands that reach the network run in a helper program beside
// velmora-tool, so that the page commands never load the libraries they
// need. velmora-tool lists them and hands them over with their arguments.

namespace velmora::tool {

inline constexpr const char* kNewsUsage = "velmora-tool news list|latest|details ID [--program-folder DIR]";
inline constexpr const char* kUpdateCheckUsage = "velmora-tool update-check [--program-folder DIR] [--base-url URL]";

}  // namespace velmora::tool
