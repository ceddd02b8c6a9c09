// DomaUI's process-wide state and the work done when a process attaches.
#include "ui/ui_state.h"

#include "ui/resources/strings.h"

#include <cstring>

namespace tolma::ui {

ProcessState& State() {
  static ProcessState state{};
  return state;
}

void ProcessAttach(HMODULE module) {
  // Load our own file once more so that the DLL, and with it the cache, stays for the life of the process
  // (only with the whole file name: a cut one may not even be terminated).
  WCHAR path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length != 0 && length < MAX_PATH) LoadLibraryW(path);

  ProcessState& s = State();
  s.module = module;
  std::memset(s.link.printerName, 0, sizeof s.link.printerName);
  std::memset(&s.cache, 0, sizeof s.cache);
  std::memset(s.encoderCopies, 0, sizeof s.encoderCopies);
  s.firmwareVersion[0] = 0;
#ifndef _WIN32
  RegisterHostResources(module);
#endif
}

bool CacheValid(const PrivateDevmode& cache) { return cache.signature == kPrivateSignature; }

}  // namespace tolma::ui
