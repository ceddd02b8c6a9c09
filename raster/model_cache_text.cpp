// The entries of the model and ribbon cache, read from the bytes of its file.
#include "raster/model_cache.h"

#include "common/bytes.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tolma {
namespace {

// The value after `key`: up to the first CR or zero byte, at most `limit` bytes; none when the key is absent.
std::optional<std::string_view> EntryValue(std::span<const uint8_t> file, std::string_view key, size_t limit) {
  const auto at = FindBytes(file, std::span(reinterpret_cast<const uint8_t*>(key.data()), key.size()));
  if (!at) return std::nullopt;
  const size_t start = *at + key.size();
  size_t end = start;
  while (end < file.size() && end - start < limit && file[end] != '\r' && file[end] != 0) ++end;
  return std::string_view(reinterpret_cast<const char*>(file.data()) + start, end - start);
}

}  // namespace

std::string_view RibbonCache::ModelText() const {
  return std::string_view(model.data(),
                          static_cast<size_t>(std::find(model.begin(), model.end(), '\0') - model.begin()));
}

void ParseRibbonCache(std::span<const uint8_t> file, RibbonCache& out) {
  if (auto ribbon = EntryValue(file, "Ribbon=", kCacheRibbonChars)) out.ribbonCode = BoundedAtoi(*ribbon);
  if (auto model = EntryValue(file, "Model=", kCacheModelChars); model && !model->empty()) {
    out.model.fill('\0');
    std::memcpy(out.model.data(), model->data(), model->size());
  }
}

}  // namespace tolma
