// Loading a real DLL with some of its imports pointed elsewhere: the check programs' only contact with the loader.
// Plain C++ types only, so that code built over the host layer's declarations can use it.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace tolma::wincheck {

// One import to point elsewhere: the DLL it comes from (case ignored) and the function's name.
struct Redirect {
  const char* dll;
  const char* function;
  void* address;
};

struct LoadedDll {
  void* module = nullptr;                // the loaded DLL; nullptr when it did not load
  std::string error;                     // why it did not load, or which imports were left to the system
  std::vector<std::string> routed;       // "GDI32.dll!EngCreateBitmap" and the like, in import-table order
  std::vector<std::string> notImported;  // redirects the DLL does not import
};

// The address of a function, for a Redirect or an export's pointer.
template <typename Fn>
void* FunctionAddress(Fn* function) {
  return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(function));
}

// The redirect of import `name` of `dll` to the function of the same name in scope.
#define TOLMA_ROUTE(dll, name) \
  ::tolma::wincheck::Redirect { dll, #name, ::tolma::wincheck::FunctionAddress(&name) }

// Loads the DLL at `path` and rewrites its import address table so that every import named in `redirects` calls
// the given address. Every import from a DLL listed in `owned` must be among the redirects: one that is not
// (it would reach the system's stub) is reported in `error`.
LoadedDll LoadWithRedirects(const std::string& path, std::span<const Redirect> redirects,
                            std::span<const char* const> owned);

// An exported function of a loaded DLL; nullptr when it has none.
void* DllFunction(void* module, const char* name);

// An exported function of a loaded DLL as a pointer of type `Fn`; nullptr when it has none.
template <typename Fn>
Fn Export(void* module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(DllFunction(module, name)));
}

// Sets the precision of the x87 unit's arithmetic for this thread (24, 53 or 64 bits), as some applications leave
// it (a graphics library that asks for single precision, say), and returns the previous precision.
int SetX87Precision(int bits);

// Unloads a DLL loaded by LoadWithRedirects.
void UnloadDll(void* module);

// The Windows path of a host path: "/a/b" becomes "Z:\a\b" (Wine's drive of the whole file system); other paths
// are returned with their slashes turned into backslashes.
std::string WindowsPath(const std::string& path);

}  // namespace tolma::wincheck
