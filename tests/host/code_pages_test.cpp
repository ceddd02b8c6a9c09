// Tests of the host's code-page conversions: the single-byte code page both ways, sizes and the default character.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace tolma {
namespace {

using Wide = std::basic_string<WCHAR>;

TEST(CodePages, SingleByteCodePageBothWays) {
  struct Case {
    Wide wide;
    std::string bytes;
  };
  const Case cases[] = {
      {u"C:\\cards\\MO.txt", "C:\\cards\\MO.txt"},
      {u"caf\u00e9 \u00ff", "caf\xe9 \xff"},
      {u"\u20ac \u2122 \u0178", "\x80 \x99 \x9f"},
      {u"\u0081\u009d", "\x81\x9d"},  // undefined bytes keep their value
      {Wide(u"\x1b"
            u"A\r\x06",
            4),
       "\x1b"
       "A\r\x06"},
  };
  for (const Case& c : cases) {
    char bytes[64] = {};
    BOOL usedDefault = TRUE;
    const int n = WideCharToMultiByte(CP_ACP, 0, c.wide.data(), static_cast<int>(c.wide.size()), bytes, sizeof bytes,
                                      nullptr, &usedDefault);
    EXPECT_EQ(std::string(bytes, n > 0 ? n : 0), c.bytes);
    EXPECT_FALSE(usedDefault);
    WCHAR wide[64] = {};
    const int m = MultiByteToWideChar(CP_ACP, 0, c.bytes.data(), static_cast<int>(c.bytes.size()), wide, 64);
    EXPECT_EQ(Wide(wide, m > 0 ? m : 0), c.wide);
  }
}

TEST(CodePages, UnmappableCharactersBecomeTheDefaultCharacter) {
  const Wide wide = u"\u0100x\u4e2d";
  char bytes[8] = {};
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), 3, bytes, 8, nullptr, &usedDefault), 3);
  EXPECT_EQ(std::string(bytes, 3), "?x?");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, wide.data(), 3, bytes, 8, "_", nullptr), 3);
  EXPECT_EQ(std::string(bytes, 3), "_x_");
}

TEST(CodePages, SizesTerminatorsAndBadArguments) {
  // -1: up to and including the NUL; size 0: the size needed.
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);
  char bytes[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, bytes, 4, nullptr, nullptr), 4);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", -1, nullptr, 0), 5);
  // Too small an output writes nothing useful and says why.
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", 3, bytes, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
  WCHAR wide[2];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
  // Empty inputs, unknown code pages and missing buffers are refused.
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", 0, bytes, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"abc", 3, bytes, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 3), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 2), 0);
}

}  // namespace
}  // namespace tolma
