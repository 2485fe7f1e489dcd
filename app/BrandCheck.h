#pragma once
// What a publisher gets wrong in a brand-settings file, found by reading it
// the way start-up does and noticing what start-up would silently miss.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One line per finding, in file order as far as possible; empty when the
// file reads as its author meant. `programFolder` is where bannerN.dat lie.
std::vector<std::string> CheckBrandText(std::string_view plainText, const std::filesystem::path& programFolder);

}  // namespace velmora
