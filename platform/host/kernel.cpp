// Host stand-ins for the kernel services: last error, process heap, critical sections, modules, shell folders.
#include "platform/host/state.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

namespace tolma::host {
namespace {

struct Failure {
  int skip = 0;
  int count = 0;  // 0: never fails, -1: always after skip
  int calls = 0;
};

std::array<Failure, static_cast<size_t>(FailPoint::Count)> g_failures;
std::string g_localAppData;
std::atomic<int> g_heapBlocks{0};
std::atomic<int> g_modules{0};
[[maybe_unused]] thread_local DWORD t_lastError = 0;  // unused where the system's kernel serves

// The one module the host can load by name.
struct HostModule {
  const char* name;
  int tag;
};
[[maybe_unused]] HostModule g_shFolder{"SHFolder.dll", 1};

// Modules registered by their Windows file name (the driver's own DLLs); kept across Reset.
struct RegisteredModule {
  std::string path;
  int references = 0;
};
std::vector<std::unique_ptr<RegisteredModule>>& RegisteredModules() {
  static std::vector<std::unique_ptr<RegisteredModule>> modules;
  return modules;
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The registered module a LoadLibraryW name means: the full name, or the last component alone.
[[maybe_unused]] RegisteredModule* FindRegisteredByName(const std::string& name) {
  const std::string wanted = LowerAscii(name);
  for (auto& m : RegisteredModules()) {
    const std::string path = LowerAscii(m->path);
    if (wanted == path || (wanted.find_first_of("\\/") == std::string::npos && wanted == BaseName(path)))
      return m.get();
  }
  return nullptr;
}

RegisteredModule* FindRegistered(HMODULE module) {
  for (auto& m : RegisteredModules())
    if (reinterpret_cast<HMODULE>(m.get()) == module) return m.get();
  return nullptr;
}

}  // namespace

namespace detail {

std::recursive_mutex& HostMutex() {
  static std::recursive_mutex m;
  return m;
}

bool ShouldFail(FailPoint point) {
  std::lock_guard lock(HostMutex());
  Failure& f = g_failures[static_cast<size_t>(point)];
  const int call = f.calls++;
  if (f.count == 0 || call < f.skip) return false;
  return f.count < 0 || call < f.skip + f.count;
}

void ResetKernel() {
  g_failures = {};
  g_localAppData.clear();
  for (auto& m : RegisteredModules()) m->references = 0;
}

}  // namespace detail

void SetFailure(FailPoint point, int skip, int count) {
  std::lock_guard lock(detail::HostMutex());
  Failure& f = g_failures[static_cast<size_t>(point)];
  f.skip = f.calls + skip;
  f.count = count;
}

void ClearFailures() {
  std::lock_guard lock(detail::HostMutex());
  for (Failure& f : g_failures) f.count = 0;
}

int CallCount(FailPoint point) {
  std::lock_guard lock(detail::HostMutex());
  return g_failures[static_cast<size_t>(point)].calls;
}

#ifndef TOLMA_HOST_ON_WINDOWS  // a Windows check program has no host registry or user interface to reset
void Reset() {
  std::lock_guard lock(detail::HostMutex());
  detail::ResetKernel();
  detail::ResetSpooler();
  detail::ResetRegistry();
  detail::ResetUser();
  detail::ResetDraw();
  detail::ResetGdi();
}
#endif

void SetLocalAppDataFolder(const std::string& path) {
  std::lock_guard lock(detail::HostMutex());
  g_localAppData = path;
}

HMODULE RegisterModule(const std::string& windowsPath) {
  std::lock_guard lock(detail::HostMutex());
  for (auto& m : RegisteredModules())
    if (LowerAscii(m->path) == LowerAscii(windowsPath)) return reinterpret_cast<HMODULE>(m.get());
  RegisteredModules().push_back(std::make_unique<RegisteredModule>(RegisteredModule{windowsPath, 0}));
  return reinterpret_cast<HMODULE>(RegisteredModules().back().get());
}

int ModuleReferences(HMODULE module) {
  std::lock_guard lock(detail::HostMutex());
  const RegisteredModule* m = FindRegistered(module);
  return m ? m->references : 0;
}

int LiveHeapBlocks() { return g_heapBlocks.load(); }
int LoadedModuleCount() { return g_modules.load(); }

std::string Utf8(const WCHAR* text) {
  std::string out;
  if (text == nullptr) return out;
  for (size_t i = 0; text[i] != 0; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
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

std::basic_string<WCHAR> Wide(const std::string& utf8) {
  std::basic_string<WCHAR> out;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    uint32_t c = b;
    size_t extra = 0;
    if (b >= 0xF0) {
      c = b & 0x07;
      extra = 3;
    } else if (b >= 0xE0) {
      c = b & 0x0F;
      extra = 2;
    } else if (b >= 0xC0) {
      c = b & 0x1F;
      extra = 1;
    }
    ++i;
    for (size_t k = 0; k < extra && i < utf8.size(); ++k, ++i)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<WCHAR>(0xD800 + (c >> 10)));
      out.push_back(static_cast<WCHAR>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<WCHAR>(c));
    }
  }
  return out;
}

std::string HostPath(const WCHAR* windowsPath) {
  std::string path = Utf8(windowsPath);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace tolma::host

// The kernel stand-ins. A Windows check program, which compiles the host layer in to play the engine and the
// spooler, takes the system's own kernel and shell-folder services instead.
#ifndef TOLMA_HOST_ON_WINDOWS

using tolma::host::FailPoint;
using tolma::host::detail::ShouldFail;

extern "C" {

DWORD WINAPI GetLastError(void) { return tolma::host::t_lastError; }
void WINAPI SetLastError(DWORD code) { tolma::host::t_lastError = code; }

HANDLE WINAPI GetProcessHeap(void) {
  static int heap;
  return &heap;
}

// Each block carries its size in front so that HeapFree can release it.
LPVOID WINAPI HeapAlloc(HANDLE, DWORD flags, SIZE_T bytes) {
  if (ShouldFail(FailPoint::HeapAlloc)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* p = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (p == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  ++tolma::host::g_heapBlocks;
  return p;
}

BOOL WINAPI HeapFree(HANDLE, DWORD, LPVOID mem) {
  if (mem == nullptr) return TRUE;
  std::free(mem);
  --tolma::host::g_heapBlocks;
  return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  std::memset(cs, 0, sizeof *cs);
  cs->DebugInfo = new std::recursive_mutex();
}
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  delete static_cast<std::recursive_mutex*>(cs->DebugInfo);
  cs->DebugInfo = nullptr;
}
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) {
  static_cast<std::recursive_mutex*>(cs->DebugInfo)->lock();
  ++cs->RecursionCount;
}
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  --cs->RecursionCount;
  static_cast<std::recursive_mutex*>(cs->DebugInfo)->unlock();
}

HMODULE WINAPI LoadLibraryW(LPCWSTR name) {
  {
    std::lock_guard lock(tolma::host::detail::HostMutex());
    if (auto* m = tolma::host::FindRegisteredByName(tolma::host::Utf8(name))) {
      if (ShouldFail(FailPoint::LoadLibrary)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
      }
      ++m->references;
      return reinterpret_cast<HMODULE>(m);
    }
  }
  if (ShouldFail(FailPoint::LoadLibrary) || tolma::host::Utf8(name) != tolma::host::g_shFolder.name) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++tolma::host::g_modules;
  return reinterpret_cast<HMODULE>(&tolma::host::g_shFolder);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  {
    std::lock_guard lock(tolma::host::detail::HostMutex());
    if (auto* m = tolma::host::FindRegistered(module)) {
      if (m->references > 0) --m->references;
      return TRUE;
    }
  }
  if (module != reinterpret_cast<HMODULE>(&tolma::host::g_shFolder)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --tolma::host::g_modules;
  return TRUE;
}

// Copies the module's file name, cut to the buffer (then ERROR_INSUFFICIENT_BUFFER and the size is returned).
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size) {
  std::basic_string<WCHAR> path;
  {
    std::lock_guard lock(tolma::host::detail::HostMutex());
    const auto* m = tolma::host::FindRegistered(module);
    if (m == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = tolma::host::Wide(m->path);
  }
  if (name == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::copy_n(path.begin(), size - 1, name);
    name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(path.begin(), path.end(), name);
  name[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  if (ShouldFail(FailPoint::GetProcAddress) || module != reinterpret_cast<HMODULE>(&tolma::host::g_shFolder) ||
      std::strcmp(name, "SHGetFolderPathW") != 0) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SHGetFolderPathW));
}

HRESULT WINAPI SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
  std::basic_string<WCHAR> wide;
  {
    std::lock_guard lock(tolma::host::detail::HostMutex());
    if (ShouldFail(FailPoint::ShGetFolderPath) || folder != CSIDL_LOCAL_APPDATA || tolma::host::g_localAppData.empty())
      return E_FAIL;
    wide = tolma::host::Wide(tolma::host::g_localAppData);
  }
  if (wide.size() >= MAX_PATH) return E_FAIL;
  for (size_t i = 0; i < wide.size(); ++i) path[i] = wide[i];
  path[wide.size()] = 0;
  return S_OK;
}

// The host's single-byte code page is Latin-1: each byte becomes the code unit of the same value.
int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, int bytes, LPWSTR out, int outChars) {
  if (text == nullptr || bytes == 0 || outChars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t count = bytes < 0 ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
  if (outChars == 0) return static_cast<int>(count);
  if (out == nullptr || count > static_cast<size_t>(outChars)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  return static_cast<int>(count);
}

}  // extern "C"

#endif  // TOLMA_HOST_ON_WINDOWS
