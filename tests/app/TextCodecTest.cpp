#include "app/TextCodec.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(TextCodec, ValidUtf8IsKeptAndOtherBytesAreWindows1252) {
  EXPECT_EQ(ToDisplayUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(ToDisplayUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(ToDisplayUtf8("\x80 \x99"), "\xE2\x82\xAC \xE2\x84\xA2");
  EXPECT_EQ(ToDisplayUtf8("\xAF"), "\xC2\xAF");
}

TEST(TextCodec, RejectsMalformedUtf8) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}
