// Host stand-in for module resources: compiled resource scripts registered per module, the string tables
// LoadStringW reads, and debug output.
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <algorithm>
#include <map>
#include <mutex>

using tolma::host::WideString;
using tolma::host::detail::HostMutex;
using tolma::host::detail::ResourceEntry;
using tolma::host::detail::ResourceId;

namespace {

// Resources by module; like a module's file they outlive Reset.
std::map<HMODULE, std::vector<ResourceEntry>>& ModuleResources() {
  static std::map<HMODULE, std::vector<ResourceEntry>> resources;
  return resources;
}

// String tables given directly by RegisterStringResources.
std::map<HMODULE, std::map<UINT, WideString>>& StringTables() {
  static std::map<HMODULE, std::map<UINT, WideString>> tables;
  return tables;
}

std::vector<std::string>& DebugTexts() {
  static std::vector<std::string> texts;
  return texts;
}

const ResourceEntry* FindEntry(HMODULE module, const ResourceId& type, const ResourceId& name) {
  const auto it = ModuleResources().find(module);
  if (it == ModuleResources().end()) return nullptr;
  for (const ResourceEntry& e : it->second)
    if (e.type == type && e.name == name) return &e;
  return nullptr;
}

}  // namespace

namespace tolma::host {
namespace detail {

std::optional<std::vector<uint8_t>> ModuleResource(HMODULE module, LPCWSTR type, LPCWSTR name) {
  std::lock_guard lock(HostMutex());
  const ResourceEntry* e = FindEntry(module, ResourceIdOf(type), ResourceIdOf(name));
  if (e == nullptr) return std::nullopt;
  return e->data;
}

void ResetDebugOutput() { DebugTexts().clear(); }

}  // namespace detail

bool RegisterModuleResources(HMODULE module, std::span<const uint8_t> resFile) {
  std::optional<std::vector<ResourceEntry>> entries = detail::ParseResFile(resFile);
  if (!entries) return false;
  std::lock_guard lock(HostMutex());
  ModuleResources()[module] = std::move(*entries);
  return true;
}

std::vector<int> DialogTemplateIds(HMODULE module) {
  std::lock_guard lock(HostMutex());
  std::vector<int> ids;
  const auto it = ModuleResources().find(module);
  if (it == ModuleResources().end()) return ids;
  for (const ResourceEntry& e : it->second)
    if (e.type.isNumber && e.type.number == 5 && e.name.isNumber) ids.push_back(e.name.number);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::vector<std::pair<UINT, std::string>> CompiledStrings(HMODULE module) {
  std::lock_guard lock(HostMutex());
  std::vector<std::pair<UINT, std::string>> strings;
  const auto it = ModuleResources().find(module);
  if (it == ModuleResources().end()) return strings;
  // Block n holds the strings (n - 1) * 16 .. n * 16 - 1, each a length and that many UTF-16 units.
  for (const ResourceEntry& e : it->second) {
    if (!e.type.isNumber || e.type.number != 6 || !e.name.isNumber || e.name.number == 0) continue;
    size_t at = 0;
    for (UINT i = 0; i < 16 && at + 2 <= e.data.size(); ++i) {
      const size_t length = e.data[at] | (e.data[at + 1] << 8);
      at += 2;
      if (e.data.size() - at < length * 2) break;
      WideString text;
      for (size_t k = 0; k < length; ++k, at += 2)
        text.push_back(static_cast<WCHAR>(e.data[at] | (e.data[at + 1] << 8)));
      if (length != 0) strings.emplace_back((e.name.number - 1u) * 16u + i, detail::Utf8Of(text));
    }
  }
  std::sort(strings.begin(), strings.end());
  return strings;
}

std::vector<std::string> DebugOutput() {
  std::lock_guard lock(HostMutex());
  return DebugTexts();
}

void RegisterStringResources(HMODULE module, const std::vector<std::pair<UINT, WideString>>& strings) {
  std::lock_guard lock(HostMutex());
  auto& table = StringTables()[module];
  for (const auto& [id, text] : strings) table[id] = text;
}

}  // namespace tolma::host

extern "C" {

// Copies a string of the module's table, cut to the buffer; 0 when the string does not exist.
int WINAPI LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax <= 0) return 0;
  buffer[0] = 0;
  std::lock_guard lock(HostMutex());
  const auto table = StringTables().find(module);
  if (table == StringTables().end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const auto it = table->second.find(id);
  if (it == table->second.end()) {
    SetLastError(ERROR_NOT_FOUND);
    return 0;
  }
  const size_t n = std::min<size_t>(it->second.size(), static_cast<size_t>(bufferMax) - 1);
  std::copy_n(it->second.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

void WINAPI OutputDebugStringW(LPCWSTR text) {
  std::lock_guard lock(HostMutex());
  DebugTexts().push_back(tolma::host::Utf8(text));
}

}  // extern "C"
