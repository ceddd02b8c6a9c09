// DomaUI's string table in code, from the same definition as the Windows resource script.
#include "ui/resources/strings.h"

#include <algorithm>
#include <iterator>

#ifndef _WIN32
#include "platform/host/user/dialog_host.h"
#include "ui/resources/compiled_resources.h"
#endif

namespace tolma::ui {
namespace {

#define TOLMA_STRING(id, text) {id, TOLMA_WIDE(text)},
constexpr StringResource kStrings[] = {
#include "ui/resources/string_table.inc"
};
#undef TOLMA_STRING

constexpr bool SortedAndUnique() {
  for (size_t i = 1; i < std::size(kStrings); ++i)
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  return true;
}
static_assert(SortedAndUnique(), "string ids are listed once each, in increasing order");

}  // namespace

std::span<const StringResource> StringTable() { return kStrings; }

const WCHAR* StringText(UINT id) {
  const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                   [](const StringResource& s, UINT wanted) { return s.id < wanted; });
  return it != std::end(kStrings) && it->id == id ? it->text : nullptr;
}

#ifndef _WIN32
void RegisterHostResources(HMODULE module) {
  std::vector<std::pair<UINT, host::WideString>> strings;
  for (const auto& s : kStrings) strings.emplace_back(s.id, s.text);
  host::RegisterStringResources(module, strings);
  host::RegisterModuleResources(module, CompiledResources());
}
#endif

}  // namespace tolma::ui
