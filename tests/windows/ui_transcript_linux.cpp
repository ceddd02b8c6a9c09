// windows_ui_calls: the transcript of DomaUI's window-less calls on the Linux build, for the Windows check to
// compare with the real DomaUI.dll's.
#include "tests/windows/ui_calls.h"

#include "platform/host/host.h"

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: windows_ui_calls DATA_FILE   (the transcript goes to standard output)\n";
    return 2;
  }
  HMODULE module = tolma::host::RegisterModule("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\DomaUI.dll");
  if (!DllMain(reinterpret_cast<HINSTANCE>(module), DLL_PROCESS_ATTACH, nullptr)) return 1;
  const tolma::wincheck::UiExports ui{&DrvDeviceCapabilities, &DrvConvertDevMode, &DrvDocumentProperties};
  std::cout << tolma::wincheck::RunUiCalls(ui, argv[1], "C:\\TolmaDriver");
  return 0;
}
