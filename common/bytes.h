// Byte search and number reading over bounded buffers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

namespace tolma {

// First position at which `pattern` occurs in `bytes`; none when the pattern is empty, longer than the bytes or absent.
inline std::optional<size_t> FindBytes(std::span<const unsigned char> bytes, std::span<const unsigned char> pattern) {
  if (pattern.empty() || pattern.size() > bytes.size()) return std::nullopt;
  for (size_t i = 0; i + pattern.size() <= bytes.size(); ++i) {
    size_t k = 0;
    while (k < pattern.size() && bytes[i + k] == pattern[k]) ++k;
    if (k == pattern.size()) return i;
  }
  return std::nullopt;
}

inline std::optional<size_t> FindBytes(std::string_view text, std::string_view pattern) {
  return FindBytes(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()),
                   std::span(reinterpret_cast<const unsigned char*>(pattern.data()), pattern.size()));
}

// Converts the leading decimal number of a bounded text like atoi: leading white space, an optional sign,
// digits; 0 without digits. Values beyond the 32-bit range saturate.
inline int32_t BoundedAtoi(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;  // saturates below
  }
  if (negative) value = -value;
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace tolma
