// Small UTF-16 string helpers for driver data (WCHAR is 16 bits on every platform we build for).
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tolma {

using WString = std::basic_string<WCHAR>;
using WStringView = std::basic_string_view<WCHAR>;

// Length of a NUL-terminated UTF-16 text, looking at no more than `max` units.
inline size_t WideLength(const WCHAR* text, size_t max) {
  size_t n = 0;
  while (n < max && text[n] != 0) ++n;
  return n;
}

// Widens an ASCII text unit by unit.
inline WString WideFromAscii(std::string_view text) {
  WString out;
  out.reserve(text.size());
  for (unsigned char c : text) out.push_back(static_cast<WCHAR>(c));
  return out;
}

// Copies a text into a fixed field of `capacity` units, cutting it to leave room for the NUL; returns false if cut.
inline bool CopyToField(WCHAR* field, size_t capacity, WStringView text) {
  if (capacity == 0) return false;
  const size_t n = text.size() < capacity ? text.size() : capacity - 1;
  for (size_t i = 0; i < n; ++i) field[i] = text[i];
  field[n] = 0;
  return n == text.size();
}

}  // namespace tolma
