// Tests of the host's code page conversions (its ANSI code page is UTF-8): sizes, terminators, small buffers and
// ill-formed input.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace tolma {
namespace {

using Wide = std::basic_string<WCHAR>;

std::string ToBytes(const Wide& text, int units) {
  const int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(needed), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), units, out.data(), needed, nullptr, nullptr), needed);
  return out;
}

Wide ToWide(const std::string& bytes, int count) {
  const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, nullptr, 0);
  Wide out(static_cast<size_t>(needed), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, out.data(), needed), needed);
  return out;
}

TEST(CodePages, TextsConvertBothWays) {
  struct Case {
    Wide wide;
    std::string bytes;
  };
  const Case cases[] = {
      {u"C:\\fw\\q47x.bin", "C:\\fw\\q47x.bin"},
      {u"Jos\u00e9", "Jos\xC3\xA9"},
      {u"\u20AC", "\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},  // a surrogate pair
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToBytes(c.wide, static_cast<int>(c.wide.size())), c.bytes);
    EXPECT_EQ(ToWide(c.bytes, static_cast<int>(c.bytes.size())), c.wide);
  }
}

TEST(CodePages, LengthMinusOneIncludesTheTerminator) {
  EXPECT_EQ(ToBytes(u"ab", -1), std::string("ab\0", 3));
  EXPECT_EQ(ToWide("ab", -1), Wide(u"ab\0", 3));
}

TEST(CodePages, ASmallBufferGetsNothing) {
  char out[4] = {'x', 'x', 'x', 'x'};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abcde", 5, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
  EXPECT_EQ(std::string(out, 4), "xxxx");
  WCHAR wide[2] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
}

TEST(CodePages, IllFormedInputBecomesTheReplacementCharacter) {
  const Wide loneSurrogate = {u'a', static_cast<WCHAR>(0xD800), u'b'};
  EXPECT_EQ(ToBytes(loneSurrogate, 3),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(ToWide("a\xFF"
                   "b",
                   3),
            Wide(u"a\uFFFDb"));
  EXPECT_EQ(ToWide("\xC3", 1), Wide(u"\uFFFD")) << "a sequence cut short";
  EXPECT_EQ(ToWide("\xC0\x80", 2), Wide(u"\uFFFD\uFFFD")) << "an overlong form";
}

TEST(CodePages, UnsupportedArgumentsAreRefused) {
  BOOL usedDefault = FALSE;
  char out[8];
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"a", 1, out, 8, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", 1, out, 8, nullptr, &usedDefault), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", 0, out, 8, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

}  // namespace
}  // namespace tolma
