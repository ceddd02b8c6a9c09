// DomaUI's module entry point.
#include "ui/driver_ui.h"
#include "ui/ui_state.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) tolma::ui::ProcessAttach(instance);
  return TRUE;
}
