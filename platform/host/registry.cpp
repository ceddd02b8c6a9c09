// Host stand-in for the registry: keys under HKEY_LOCAL_MACHINE holding the printers' driver-data values.
#include "platform/host/registry_state.h"
#include "platform/host/state.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>

using tolma::host::FailPoint;
using tolma::host::WideString;
using tolma::host::detail::HostMutex;
using tolma::host::detail::RegistryValue;
using tolma::host::detail::ShouldFail;

namespace {

constexpr const char* kPrintersPath = "hklm\\system\\currentcontrolset\\control\\print\\printers";

struct RegistryKey {
  std::vector<RegistryValue> values;
};

// An open key handle: the key's path.
struct OpenKey {
  std::string path;
};

struct RegistryState {
  std::map<std::string, RegistryKey> keys;  // by lower-case path from "hklm"
  std::vector<std::unique_ptr<OpenKey>> open;
};

RegistryState& Registry() {
  static RegistryState state;
  return state;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Joins a subkey path to a key path; empty parts and doubled separators are dropped.
std::string Join(const std::string& base, const std::string& sub) {
  std::string out = base;
  std::string part;
  auto flush = [&] {
    if (!part.empty()) {
      out.push_back('\\');
      out.append(Lower(part));
    }
    part.clear();
  };
  for (char c : sub) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part.push_back(c);
    }
  }
  flush();
  return out;
}

// A key exists when it was created or when a created key lies below it.
bool KeyExists(const std::string& path) {
  const auto& keys = Registry().keys;
  auto it = keys.lower_bound(path);
  if (it == keys.end()) return false;
  return it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0;
}

// The path of a predefined or open key, or nullptr.
const std::string* PathOf(HKEY key) {
  static const std::string kMachine = "hklm";
  if (key == HKEY_LOCAL_MACHINE) return &kMachine;
  for (const auto& k : Registry().open)
    if (reinterpret_cast<HKEY>(k.get()) == key) return &k->path;
  return nullptr;
}

bool SameValueName(const WideString& a, const WideString& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](WCHAR c) { return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c - u'A' + u'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string DriverDataPath(const std::string& printer) {
  return std::string(kPrintersPath) + "\\" + Lower(printer) + "\\printerdriverdata";
}

LONG OpenKeyAt(HKEY key, const std::string& subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard lock(HostMutex());
  if (ShouldFail(FailPoint::RegOpenKey)) return ERROR_ACCESS_DENIED;
  const std::string* base = PathOf(key);
  if (base == nullptr) return ERROR_INVALID_HANDLE;
  const std::string path = Join(*base, subKey);
  if (!KeyExists(path)) return ERROR_FILE_NOT_FOUND;
  auto open = std::make_unique<OpenKey>(OpenKey{path});
  *result = reinterpret_cast<HKEY>(open.get());
  Registry().open.push_back(std::move(open));
  return ERROR_SUCCESS;
}

}  // namespace

namespace tolma::host {
namespace detail {

void ResetRegistry() { Registry() = RegistryState{}; }

void CreatePrinterKeys(const std::string& printer) {
  std::lock_guard lock(HostMutex());
  Registry().keys[DriverDataPath(printer)];
}

const RegistryValue* FindDriverData(const std::string& printer, const WideString& name) {
  auto& keys = Registry().keys;
  auto it = keys.find(DriverDataPath(printer));
  if (it == keys.end()) return nullptr;
  for (const auto& v : it->second.values)
    if (SameValueName(v.name, name)) return &v;
  return nullptr;
}

void StoreDriverData(const std::string& printer, const WideString& name, DWORD type, const std::vector<uint8_t>& data) {
  auto& values = Registry().keys[DriverDataPath(printer)].values;
  for (auto& v : values) {
    if (SameValueName(v.name, name)) {
      v.type = type;
      v.data = data;
      return;
    }
  }
  values.push_back(RegistryValue{name, type, data});
}

}  // namespace detail

std::vector<WideString> DriverDataValueNames(const std::string& printer) {
  std::lock_guard lock(detail::HostMutex());
  std::vector<WideString> names;
  auto it = Registry().keys.find(DriverDataPath(printer));
  if (it != Registry().keys.end())
    for (const auto& v : it->second.values) names.push_back(v.name);
  return names;
}

void SetDriverDataValue(const std::string& printer, const WideString& name, const std::vector<uint8_t>& data) {
  std::lock_guard lock(detail::HostMutex());
  detail::StoreDriverData(printer, name, REG_BINARY, data);
}

int OpenRegistryKeyCount() {
  std::lock_guard lock(detail::HostMutex());
  return static_cast<int>(Registry().open.size());
}

}  // namespace tolma::host

extern "C" {

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return OpenKeyAt(key, subKey != nullptr ? subKey : "", result);
}

LONG WINAPI RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  return OpenKeyAt(key, tolma::host::Utf8(subKey), result);
}

LONG WINAPI RegCloseKey(HKEY key) {
  std::lock_guard lock(HostMutex());
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  auto& open = Registry().open;
  auto it =
      std::find_if(open.begin(), open.end(), [&](const auto& k) { return reinterpret_cast<HKEY>(k.get()) == key; });
  if (it == open.end()) return ERROR_INVALID_HANDLE;
  open.erase(it);
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  std::lock_guard lock(HostMutex());
  if (ShouldFail(FailPoint::RegDeleteValue)) return ERROR_ACCESS_DENIED;
  const std::string* path = PathOf(key);
  if (path == nullptr) return ERROR_INVALID_HANDLE;
  auto it = Registry().keys.find(*path);
  if (it == Registry().keys.end()) return ERROR_FILE_NOT_FOUND;
  const WideString name = valueName != nullptr ? WideString(valueName) : WideString();
  auto& values = it->second.values;
  auto v =
      std::find_if(values.begin(), values.end(), [&](const RegistryValue& r) { return SameValueName(r.name, name); });
  if (v == values.end()) return ERROR_FILE_NOT_FOUND;
  values.erase(v);
  return ERROR_SUCCESS;
}

}  // extern "C"
