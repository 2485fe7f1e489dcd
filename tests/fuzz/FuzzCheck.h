#pragma once
// A property that failed is a finding like a crash: libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace velmora::fuzz {

inline std::string_view Bytes(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A plain replacement of every occurrence, left to right, written apart from
// the program's own so that the two can be held against each other.
inline std::string NaiveReplace(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text.compare(at, from.size(), from) == 0) {
      out += to;
      at += from.size();
    } else {
      out += text[at++];
    }
  }
  return out;
}

}  // namespace velmora::fuzz
