// DomaUI's module entry. Its printer-interface entry points arrive with the UI layer.
#include "platform/win32.h"

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
