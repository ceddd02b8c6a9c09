// Host stand-ins for the code-page conversions: the system's single-byte code page (CP_ACP) is Windows-1252.
#include "platform/win32.h"

#include <array>

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the same C1 code points, as
// Windows maps them. Every other byte is the code point of the same value.
constexpr std::array<WCHAR, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool KnownCodePage(UINT codePage) { return codePage == CP_ACP || codePage == 1252; }

WCHAR WideOfByte(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<WCHAR>(b); }

// The byte of a code unit, or -1 when the code page has none (no best-fit mappings).
int ByteOfWide(WCHAR c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<int>(0x80 + i);
  return -1;
}

// The number of units of a counted or (with -1) NUL-terminated input, the terminator included.
template <typename T>
int CountOf(const T* text, int count) {
  if (count != -1) return count;
  int n = 0;
  while (text[n] != 0) ++n;
  return n + 1;
}

}  // namespace

extern "C" {

// As on Windows: -1 takes the input up to and including its NUL; an output size of 0 asks for the size needed; a
// too small output gives 0 and ERROR_INSUFFICIENT_BUFFER. Characters without a byte become the default character
// ("?" unless one is given).
int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideChars, LPSTR bytes, int byteCount,
                               LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;
  if (!KnownCodePage(codePage) || wide == nullptr || wideChars == 0 || wideChars < -1 || byteCount < 0 ||
      (byteCount > 0 && bytes == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int n = CountOf(wide, wideChars);
  if (byteCount == 0) return n;
  if (byteCount < n) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < n; ++i) {
    const int b = ByteOfWide(wide[i]);
    if (b < 0 && usedDefaultChar != nullptr) *usedDefaultChar = TRUE;
    bytes[i] = b >= 0 ? static_cast<char>(b) : (defaultChar != nullptr ? defaultChar[0] : '?');
  }
  return n;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR bytes, int byteCount, LPWSTR wide, int wideChars) {
  if (!KnownCodePage(codePage) || bytes == nullptr || byteCount == 0 || byteCount < -1 || wideChars < 0 ||
      (wideChars > 0 && wide == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int n = CountOf(bytes, byteCount);
  if (wideChars == 0) return n;
  if (wideChars < n) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < n; ++i) wide[i] = WideOfByte(static_cast<unsigned char>(bytes[i]));
  return n;
}

}  // extern "C"
