// The model and ribbon cache: the installed ribbon code and the printer's model text, read from "DomaRibmod.ini".
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tolma {

inline constexpr size_t kCacheRibbonChars = 12;
inline constexpr size_t kCacheModelChars = 32;

struct RibbonCache {
  int32_t ribbonCode = 0;                      // 0 when the file or the entry is missing
  std::array<char, kCacheModelChars> model{};  // not terminated when the value fills all 32 bytes

  // The model text, bounded by its buffer.
  std::string_view ModelText() const;
};

// Reads the two entries from the bytes of a cache file: each key is found at its first occurrence anywhere,
// its value runs to the first CR or zero byte, at most 12 (ribbon) or 32 (model) characters.
void ParseRibbonCache(std::span<const uint8_t> file, RibbonCache& out);

// Fills `out` from the cache file in the user's local application-data folder; leaves it as it is when the
// folder service, the folder, the file or an entry is missing.
void ReadRibbonCache(RibbonCache& out);

}  // namespace tolma
