// ui_check.exe: the real DomaUI.dll under Wine, called as the spooler and applications call it without a window.
// Its spooler and registry imports go to the host layer compiled in (a printer with its driver files); the window
// manager, kernel and files are Wine's. Writes the transcript of the calls, which must equal the Linux build's.
#include "platform/host/host.h"
#include "tests/windows/dll_imports.h"
#include "tests/windows/ui_calls.h"
#include "tests/windows/ui_routes.h"

#include <cstdio>
#include <fstream>

using tolma::wincheck::Export;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ui_check.exe DomaUI.dll DATA_FILE TRANSCRIPT\n");
    return 2;
  }
  const tolma::wincheck::LoadedDll dll =
      tolma::wincheck::LoadWithRedirects(argv[1], tolma::wincheck::UiHostRoutes(), tolma::wincheck::UiHostDlls());
  if (dll.module == nullptr || !dll.error.empty()) {
    std::fprintf(stderr, "ui_check: %s\n", dll.error.c_str());
    return 1;
  }
  std::fprintf(stderr, "ui_check: %s loaded; %zu imports routed to the host spooler and registry\n", argv[1],
               dll.routed.size());
  tolma::wincheck::UiExports ui;
  ui.deviceCapabilities = Export<decltype(ui.deviceCapabilities)>(dll.module, "DrvDeviceCapabilities");
  ui.convertDevMode = Export<decltype(ui.convertDevMode)>(dll.module, "DrvConvertDevMode");
  ui.documentProperties = Export<decltype(ui.documentProperties)>(dll.module, "DrvDocumentProperties");
  if (!ui.deviceCapabilities || !ui.convertDevMode || !ui.documentProperties) {
    std::fprintf(stderr, "ui_check: an export is missing\n");
    return 1;
  }
  const std::string transcript =
      tolma::wincheck::RunUiCalls(ui, tolma::wincheck::WindowsPath(argv[2]), "C:\\TolmaDriver");
  std::ofstream(argv[3], std::ios::binary) << transcript;
  std::fprintf(stderr, "%s", transcript.c_str());
  return 0;
}
