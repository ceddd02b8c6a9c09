// Loading a real DLL and rewriting its import address table, with the system's own loader and headers.
#include "tests/windows/dll_imports.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>

namespace tolma::wincheck {
namespace {

bool SameName(const char* a, const char* b) { return _stricmp(a, b) == 0; }

bool Owned(const char* dll, std::span<const char* const> owned) {
  for (const char* name : owned)
    if (SameName(dll, name)) return true;
  return false;
}

// Writes one slot of the import address table, which the loader leaves read-only.
bool WriteSlot(ULONG_PTR* slot, void* address) {
  DWORD previous = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return false;
  *slot = reinterpret_cast<ULONG_PTR>(address);
  DWORD unused = 0;
  VirtualProtect(slot, sizeof *slot, previous, &unused);
  return true;
}

}  // namespace

LoadedDll LoadWithRedirects(const std::string& path, std::span<const Redirect> redirects,
                            std::span<const char* const> owned) {
  LoadedDll out;
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    out.error = "LoadLibrary(" + path + ") failed with error " + std::to_string(GetLastError());
    return out;
  }
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::set<const Redirect*> used;
  std::string missing;
  for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       dir.VirtualAddress != 0 && desc->Name != 0; ++desc) {
    const char* dll = reinterpret_cast<const char*>(base + desc->Name);
    // The names come from the lookup table; the addresses the loader bound are in the address table beside it.
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + desc->OriginalFirstThunk);
    auto* slots = reinterpret_cast<ULONG_PTR*>(base + desc->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) {
        if (Owned(dll, owned)) missing += std::string(" ") + dll + "!#" + std::to_string(names->u1.Ordinal & 0xFFFF);
        continue;
      }
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* function = reinterpret_cast<const char*>(byName->Name);
      const Redirect* match = nullptr;
      for (const Redirect& r : redirects)
        if (SameName(dll, r.dll) && std::strcmp(function, r.function) == 0) match = &r;
      if (match != nullptr && WriteSlot(slots, match->address)) {
        used.insert(match);
        out.routed.push_back(std::string(dll) + "!" + function);
      } else if (Owned(dll, owned)) {
        missing += std::string(" ") + dll + "!" + function;
      }
    }
  }
  for (const Redirect& r : redirects)
    if (used.count(&r) == 0) out.notImported.push_back(std::string(r.dll) + "!" + r.function);
  if (!missing.empty()) out.error = "imports left to the system:" + missing;
  out.module = module;
  return out;
}

void* DllFunction(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

int SetX87Precision(int bits) {
  uint16_t control = 0;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  const int previous = ((control >> 8) & 3) == 0 ? 24 : ((control >> 8) & 3) == 2 ? 53 : 64;
  const uint16_t field = bits == 24 ? 0 : bits == 53 ? 2 : 3;
  control = static_cast<uint16_t>((control & ~0x300u) | (field << 8));
  __asm__ volatile("fldcw %0" : : "m"(control));
  return previous;
}

void UnloadDll(void* module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

std::string WindowsPath(const std::string& path) {
  std::string out = !path.empty() && path[0] == '/' ? "Z:" + path : path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

}  // namespace tolma::wincheck
