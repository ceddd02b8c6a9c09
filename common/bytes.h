// Byte search over bounded buffers.
#pragma once

#include <cstddef>
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

}  // namespace tolma
