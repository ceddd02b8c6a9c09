// Host stand-ins for the code page conversions. The host's ANSI code page is UTF-8 (as a Windows system set to
// "Use Unicode UTF-8 for worldwide language support" has it), so CP_ACP and CP_UTF8 convert alike.
#include "platform/host/state.h"

#include <string>

#ifndef TOLMA_HOST_ON_WINDOWS

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool KnownCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

// The UTF-8 bytes of a UTF-16 text; an unpaired surrogate becomes U+FFFD, as Windows converts it.
std::string EncodeUtf8(const WCHAR* text, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// The UTF-16 units of UTF-8 bytes; each byte of an ill-formed sequence becomes U+FFFD.
std::basic_string<WCHAR> DecodeUtf8(const char* bytes, size_t count) {
  std::basic_string<WCHAR> out;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < count;) {
    const unsigned char lead = b[i];
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      c = lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2;
      c = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3;
      c = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      length = 4;
      c = lead & 0x07;
      minimum = 0x10000;
    }
    bool wellFormed = length != 0 && i + length <= count;
    for (size_t k = 1; wellFormed && k < length; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) wellFormed = false;
      c = (c << 6) | (b[i + k] & 0x3F);
    }
    if (wellFormed && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))) wellFormed = false;
    if (!wellFormed) {
      out.push_back(static_cast<WCHAR>(kReplacement));
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<WCHAR>(c));
    }
    i += length;
  }
  return out;
}

// Copies a converted text into the caller's buffer, or gives the size needed when the buffer's size is 0.
template <typename Text, typename Unit>
int Deliver(const Text& text, Unit* out, int outSize) {
  const auto needed = static_cast<int>(text.size());
  if (outSize == 0) return needed;
  if (out == nullptr || outSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < needed; ++i) out[i] = static_cast<Unit>(text[static_cast<size_t>(i)]);
  return needed;
}

}  // namespace

extern "C" {

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideChars, LPSTR out, int outBytes,
                               LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  // UTF-8 takes neither flags nor a default character.
  if (!KnownCodePage(codePage) || flags != 0 || defaultChar != nullptr || usedDefaultChar != nullptr ||
      wide == nullptr || wideChars == 0 || wideChars < -1 || outBytes < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // A length of -1 converts up to and including the terminating zero.
  const size_t units = wideChars == -1 ? std::char_traits<WCHAR>::length(wide) + 1 : static_cast<size_t>(wideChars);
  return Deliver(EncodeUtf8(wide, units), out, outBytes);
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes, int byteCount, LPWSTR out, int outChars) {
  if (!KnownCodePage(codePage) || flags != 0 || bytes == nullptr || byteCount == 0 || byteCount < -1 || outChars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t count = byteCount == -1 ? std::char_traits<char>::length(bytes) + 1 : static_cast<size_t>(byteCount);
  return Deliver(DecodeUtf8(bytes, count), out, outChars);
}

}  // extern "C"

#endif  // TOLMA_HOST_ON_WINDOWS
